#pragma once

// Stored states, grid readings and the editor fixture the editor's tests share.

#include "Pixello/EffectGrid.h"
#include "Pixello/MainViewController.h"
#include "Pixello/PixelloKernel.h"
#include "ZevkoCore/ZVKMD5.h"
#include "ZevkoCore/ZVKNavigationController.h"
#include "platform/base/Application.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/ui/Window.h"
#include "support/NoticeLog.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// The stored payload for `names` with the default strengths.
inline std::string storagePayload(const std::vector<std::string>& names, int current) {
    std::string payload = std::to_string(names.size()) + "\n" + std::to_string(current) + "\n";
    for (const auto& name : names) {
        payload += name + "\n";
    }
    return payload + "0.110000\n28.000000\n10.000000\n10.000000\n";
}

inline std::string framed(const std::string& payload) {
    return payload + ZVKMD5ForString(payload);
}

// Every moved corner of the grid, in list order.
inline std::vector<float> gridCorners(const EffectGrid& grid) {
    std::vector<float> corners;
    for (const EffectTriangle& t : grid.triangles()) {
        corners.insert(corners.end(), {t.tx1(), t.ty1(), t.tx2(), t.ty2(), t.tx3(), t.ty3()});
    }
    return corners;
}

inline bool gridAtRest(const EffectGrid& grid) {
    return std::ranges::all_of(grid.triangles(), [](const EffectTriangle& t) {
        return t.tx1() == t.fx1() && t.ty1() == t.fy1() && t.tx2() == t.fx2() &&
               t.ty2() == t.fy2() && t.tx3() == t.fx3() && t.ty3() == t.fy3();
    });
}

// The editor's kernel in a window on the virtual clock, with its documents in a scratch
// folder: the main screen under its navigation controller, which the kernel steers.
class EditorFixture : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        if (platform::GLContext::shared() == nullptr) {
            GTEST_SKIP() << "no GL: " << platform::GLContext::lastError();
        }
    }
    // The kernel saves once more when it goes: that must still land in the scratch folder.
    void TearDown() override {
        kernel.reset();
        PlatformTest::TearDown();
    }

    // Starts the kernel with the main screen built.
    void launch() {
        kernel = PixelloKernel::create(&application, window.get());
        ASSERT_NE(kernel, nullptr);
        model = kernel->model();
        main = kernel->mainViewController();
        navigation = kernel->navigationController();
        ASSERT_NE(navigation, nullptr);
        main->view();
        ASSERT_NE(main->glView(), nullptr);
    }

    std::string storage() const { return *ZVKApplicationModel::storagePath(); }

    // Stores `payload` with its digest as a previous run left it.
    void storePayload(const std::string& payload) {
        std::filesystem::create_directories(documents);
        writeText(storage(), framed(payload));
    }

    // Stores a history of raw entries (the last one current) as a previous run left it.
    void storeHistory(const std::vector<platform::Picture>& pictures) {
        const auto dir = documents / PixelloModel::kImagesDirectoryName;
        std::filesystem::create_directories(dir);
        std::vector<std::string> names;
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            const platform::Picture& p = pictures[i];
            names.push_back("0A1B2C3D-0000-4000-8000-00000000000" + std::to_string(i) + ".png");
            const auto bytes =
                PixelloModel::rawFileBytes(*p.pixels(), static_cast<std::uint32_t>(p.width()),
                                           static_cast<std::uint32_t>(p.height()));
            writeText(dir / names.back(), std::string(bytes.begin(), bytes.end()));
        }
        storePayload(storagePayload(names, static_cast<int>(names.size()) - 1));
    }

    platform::Application application{nullptr};
    std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>();
    NoticeLog notices; // outlives the kernel's model
    std::unique_ptr<PixelloKernel> kernel;
    PixelloModel* model = nullptr;
    MainViewController* main = nullptr;
    ZVKNavigationController* navigation = nullptr;
};

} // namespace testsupport
