#include "Pixello/HistoryLeftovers.h"

#include "Pixello/PixelloModel.h"
#include "ZevkoCore/ZVKApplicationModel.h"
#include "platform/base/FileSystem.h"

#include <algorithm>
#include <unordered_set>

namespace {

constexpr std::size_t kTemporaryExtra = 8; // the leading dot and ".XXXXXX"

} // namespace

std::string HistoryLeftovers::entryOfFile(const std::string& fileName) {
    // An entry's name is a UUID with ".png" or ".pngr": its side files start with it.
    for (const std::size_t length : {std::size_t{40}, std::size_t{41}}) {
        const std::string entry = fileName.substr(0, length);
        if (!PixelloModel::isEntryFileName(entry)) {
            continue;
        }
        const std::vector<std::string> files = PixelloModel::filesOfEntry(entry);
        if (std::find(files.begin(), files.end(), fileName) != files.end()) {
            return entry;
        }
    }
    return {};
}

std::expected<std::vector<std::filesystem::path>, platform::Error>
HistoryLeftovers::find(const std::string& storagePath, const std::string& imagesDirectory) {
    std::unordered_set<std::string> named;
    for (const std::string& stored : {storagePath, ZVKApplicationModel::backupPath(storagePath),
                                      ZVKApplicationModel::damagedPath(storagePath)}) {
        const auto bytes = platform::readFileIfPresent(stored);
        if (!bytes) {
            return std::unexpected(bytes.error());
        }
        if (*bytes) {
            for (std::string& name :
                 PixelloModel::entryNamesIn(std::string((*bytes)->begin(), (*bytes)->end()))) {
                named.insert(std::move(name));
            }
        }
    }
    std::vector<std::filesystem::path> leftovers;
    const auto images = platform::listDirectory(imagesDirectory);
    if (!images) {
        return std::unexpected(images.error());
    }
    for (const std::string& file : *images) {
        const bool temporary =
            file.size() > kTemporaryExtra &&
            platform::isTemporaryNameFor(file, file.substr(1, file.size() - kTemporaryExtra));
        const std::string entry =
            entryOfFile(temporary ? file.substr(1, file.size() - kTemporaryExtra) : file);
        if (!entry.empty() && (temporary || !named.contains(entry))) {
            leftovers.push_back(std::filesystem::path(imagesDirectory) / file);
        }
    }
    const std::filesystem::path storage(storagePath);
    const auto data = platform::listDirectory(storage.parent_path());
    if (!data) {
        return std::unexpected(data.error());
    }
    const std::string storageName = storage.filename().string();
    for (const std::string& file : *data) {
        if (platform::isTemporaryNameFor(file, storageName) ||
            platform::isTemporaryNameFor(file, ZVKApplicationModel::backupPath(storageName))) {
            leftovers.push_back(storage.parent_path() / file);
        }
    }
    return leftovers;
}

void HistoryLeftovers::remove(const std::vector<std::filesystem::path>& files) {
    for (const std::filesystem::path& file : files) {
        platform::removeFile(file);
    }
}
