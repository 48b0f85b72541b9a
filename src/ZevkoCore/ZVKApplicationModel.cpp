#include "ZevkoCore/ZVKApplicationModel.h"

#include "ZevkoCore/ZVKFileSystemUtils.h"
#include "ZevkoCore/ZVKMD5.h"
#include "ZevkoCore/ZVKString.h"
#include "platform/base/FileSystem.h"
#include "platform/base/Log.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <span>

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

ZVKApplicationModel::ZVKApplicationModel() {
    setApplicationName("Default Application Name");
}

void ZVKApplicationModel::addDelegate(ZVKApplicationModelDelegate* delegate) {
    delegates_.push_back(delegate);
}

void ZVKApplicationModel::removeDelegate(ZVKApplicationModelDelegate* delegate) {
    std::erase(delegates_, delegate);
}

void ZVKApplicationModel::beginChanges() {
    ++changingBlocksCount_;
}

void ZVKApplicationModel::endChanges() {
    if (changingBlocksCount_ == 0) {
        return;
    }
    if (--changingBlocksCount_ == 0) {
        applyChanges();
    }
}

void ZVKApplicationModel::propertyChanged(const std::string& name) {
    changes_.push_back(name);
    if (changingBlocksCount_ == 0) {
        applyChanges();
    }
}

void ZVKApplicationModel::applyChanges() {
    while (!changes_.empty()) {
        const std::string name = changes_.front();
        std::erase(changes_, name);
        // By index, re-reading the size: a delegate that changes the list while being told
        // must not make this walk off the end.
        for (std::size_t i = 0; i < delegates_.size(); ++i) {
            delegates_[i]->modelPropertyChanged(name);
        }
    }
}

void ZVKApplicationModel::setApplicationName(std::string name) {
    applicationName_ = std::move(name);
    propertyChanged(kApplicationNameProperty);
}

std::string ZVKApplicationModel::saveToData() const {
    return {};
}

bool ZVKApplicationModel::loadFromData(const std::string& /*text*/) {
    return true;
}

std::optional<std::string> ZVKApplicationModel::storagePath() {
    return ZVKStorageFileName();
}

std::string ZVKApplicationModel::backupPath(const std::string& path) {
    return path + ".bak";
}

std::string ZVKApplicationModel::damagedPath(const std::string& path) {
    return path + ".damaged";
}

std::optional<std::string> ZVKApplicationModel::readValidStorage(const std::string& path) {
    const auto bytes = platform::readFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    std::string text(bytes->begin(), bytes->end());
    if (!ZVKStringIsValidUTF8(text) || !ZVKMD5CheckConsistence(text)) {
        return std::nullopt;
    }
    return text;
}

bool ZVKApplicationModel::checkStorage(const std::string& path) const {
    return readValidStorage(path).has_value();
}

std::expected<void, platform::Error> ZVKApplicationModel::writeStorage() {
    const auto path = storagePath();
    if (!path) {
        return platform::failure("no storage file is configured");
    }
    return writeStorage(*path);
}

std::expected<void, platform::Error> ZVKApplicationModel::writeStorage(const std::string& path) {
    const std::string backup = backupPath(path);
    // The backup is the state before this save, so it never names a picture that the
    // editor has let go of longer ago than that. A backup that cannot be renewed keeps the
    // older state it holds; the save goes on.
    if (const auto current = readValidStorage(path)) {
        if (auto kept = platform::writeFileAtomically(backup, bytesOf(*current)); !kept) {
            platform::logLine(kept.error().message);
        }
    }
    std::string text = saveToData();
    text += ZVKMD5ForString(text);
    if (auto written = platform::writeFileAtomically(path, bytesOf(text)); !written) {
        return written;
    }
    const auto backupNow = platform::readFileIfPresent(backup);
    if (backupNow) {
        std::vector<std::string> texts{std::move(text)};
        if (*backupNow) {
            texts.emplace_back((*backupNow)->begin(), (*backupNow)->end());
        }
        storageWritten(texts);
    }
    return {};
}

void ZVKApplicationModel::storageWritten(const std::vector<std::string>& /*storedTexts*/) {}

bool ZVKApplicationModel::loadFromStorage() {
    const auto path = storagePath();
    return path && loadFromStorage(*path);
}

bool ZVKApplicationModel::loadFromStorage(const std::string& path) {
    restoredFromBackup_ = false;
    if (loadFromStorageFile(path)) {
        return true;
    }
    restoredFromBackup_ = loadFromStorageFile(backupPath(path));
    // A main file that is there but cannot be loaded is put aside: the next save would
    // otherwise overwrite whatever may still be rescued from it.
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
        if (auto moved = platform::renameFile(path, damagedPath(path)); !moved) {
            platform::logLine(moved.error().message);
        }
    }
    return restoredFromBackup_;
}

bool ZVKApplicationModel::loadFromStorageFile(const std::string& path) {
    const auto text = readValidStorage(path);
    return text && loadFromData(*text);
}
