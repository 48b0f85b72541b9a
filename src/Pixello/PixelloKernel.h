#pragma once

#include "Pixello/PixelloModel.h"
#include "ZevkoCore/ZVKApplicationKernel.h"

#include <memory>

// The editor's kernel: owns the model (and, later, the screens). Made with
// ZVKApplicationKernel::create<PixelloKernel>(application, window) or PixelloKernel::create.
class PixelloKernel : public ZVKApplicationKernel {
public:
    static std::unique_ptr<PixelloKernel> create(platform::Application* application,
                                                 platform::Window* window) {
        return ZVKApplicationKernel::create<PixelloKernel>(application, window);
    }

    PixelloKernel(ConstructionKey key, platform::Application* application, platform::Window* window)
        : ZVKApplicationKernel(key, application, window) {}
    // Saves the model once more, so that nothing since the last save is lost.
    ~PixelloKernel() override;

    PixelloModel* model() const { return model_.get(); }

    // Saves the model to storage.
    void terminate() override;

protected:
    // Creates the model and fills it from storage (the main file, else its backup).
    void createModel() override;

private:
    std::unique_ptr<PixelloModel> model_;
};
