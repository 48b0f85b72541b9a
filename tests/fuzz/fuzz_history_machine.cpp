// The history on disk as a state machine. Each input byte is one operation: add a picture
// (raw or PNG), undo, redo, clear, save, restart (load from disk and collect leftovers, as a
// start does), or crash after some file-system steps of the next add or save (every later
// call fails, so nothing more reaches the disk, and the editor restarts). After every save and
// start, and at every removal, each name the storage file or its backup holds must have its
// file.
#include "Pixello/HistoryLeftovers.h"
#include "Pixello/PixelloModel.h"
#include "fuzz/FuzzTarget.h"
#include "platform/base/FileSystem.h"
#include "platform/base/Log.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;

// Enough for a few saves, undos and a crash; longer runs only repeat the same states.
constexpr std::size_t kMaxSteps = 8;

using namespace std::string_view_literals;
constexpr std::string_view kSeeds[] = {
    "\x00\x05\x00\x05\x02\x05\x00\x05\x05\x06"sv, // add, save, undo, add: the redo branch goes
    "\x00\x00\x00\x05\x02\x02\x04\x05\x05\x06"sv, // clear after two undos
    "\x00\x05\x00\x05\x8f\x06\x03\x05"sv,         // a crash in the middle of a save
    "\x01\x05\x00\x02\x17\x00\x05\x04\x05\x06"sv, // a crash while a picture is written
};

enum Operation { addRaw, addPng, undo, redo, clear, save, restart, crash };

// Every entry name the storage file and its backup hold, whether their digest holds or not.
std::vector<std::string> storedNames(const std::string& storage) {
    std::vector<std::string> names;
    for (const std::string& file : {storage, ZVKApplicationModel::backupPath(storage)}) {
        if (const auto bytes = platform::readFile(file)) {
            for (std::string& name :
                 PixelloModel::entryNamesIn(std::string(bytes->begin(), bytes->end()))) {
                if (PixelloModel::isEntryFileName(name)) {
                    names.push_back(std::move(name));
                }
            }
        }
    }
    return names;
}

void checkEveryNameHasItsFile(const PixelloModel& model, const std::string& storage) {
    for (const std::string& name : storedNames(storage)) {
        fuzzCheck(fs::exists(model.pathToImageFile(name)));
    }
}

// What a start does with the disk: load, list the leftovers before writing, retire the
// backup's own entries.
std::unique_ptr<PixelloModel> start(const std::string& storage) {
    auto model = std::make_unique<PixelloModel>();
    const bool loaded = model->loadFromStorage();
    if (auto leftovers = HistoryLeftovers::find(storage, model->directoryForImages())) {
        HistoryLeftovers::remove(*leftovers);
    }
    if (loaded) {
        if (const auto backup = platform::readFile(ZVKApplicationModel::backupPath(storage))) {
            model->retireEntriesOf(std::string(backup->begin(), backup->end()));
        }
    }
    return model;
}

// A file that a stored state names is never removed, at any moment.
void checkRemoval(platform::FileCall call, const fs::path& path, const std::string& storage) {
    if (call != platform::FileCall::unlink) {
        return;
    }
    for (const std::string& name : storedNames(storage)) {
        fuzzCheck(path.filename() != name);
    }
}

void addPicture(PixelloModel& model, bool raw, std::uint8_t seed) {
    const auto pixels = std::make_shared<const platform::PixelBytes>(16, seed);
    const auto picture = platform::Picture::create(pixels, 2, 2);
    model.setDataRef(raw ? pixels : nullptr);
    model.setImage(picture);
}

} // namespace

std::vector<std::string> fuzzSeeds() {
    return {std::begin(kSeeds), std::end(kSeeds)};
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    size = std::min(size, kMaxSteps);
    // Without a picture and a save nothing is ever stored: not worth a fresh folder.
    const auto has = [&](auto wanted) {
        return std::any_of(data, data + size, [&](std::uint8_t b) { return wanted(b % 8); });
    };
    if (!has([](int op) { return op == addRaw || op == addPng || op == crash; }) ||
        !has([](int op) { return op == save || op == crash; })) {
        return 0;
    }
    static const FuzzDocuments h;
    // Failed writes are expected here by the thousand; nobody reads what they log.
    static const platform::ScopedLogSink quiet{[](std::string_view) {}};
    std::error_code ec;
    fs::remove_all(h.dir, ec);
    fs::create_directories(h.dir, ec);
    auto model = std::make_unique<PixelloModel>();
    const platform::ScopedFileFaults watch([](platform::FileCall call, const fs::path& path) {
        checkRemoval(call, path, h.storage);
        return 0;
    });
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        switch (static_cast<Operation>(byte % 8)) {
        case addRaw:
        case addPng:
            addPicture(*model, byte % 8 == addRaw, byte);
            break;
        case undo:
            model->undoImage();
            break;
        case redo:
            model->redoImage();
            break;
        case clear:
            model->clearHistory();
            break;
        case save:
            model->writeStorage();
            break;
        case restart:
            model = start(h.storage);
            break;
        case crash: {
            // The disk stops taking anything after `steps` calls of the next add or save.
            int steps = byte / 8 % 16;
            {
                const platform::ScopedFileFaults dead(
                    [&steps](platform::FileCall call, const fs::path& path) {
                        checkRemoval(call, path, h.storage);
                        return steps-- > 0 ? 0 : EIO;
                    });
                if (byte & 0x80) {
                    model->writeStorage();
                } else {
                    addPicture(*model, true, byte);
                }
            }
            model = start(h.storage);
            break;
        }
        }
        // Only saves and starts change what is stored; removals are watched as they happen.
        if (byte % 8 >= save) {
            checkEveryNameHasItsFile(*model, h.storage);
        }
    }
    return 0;
}
