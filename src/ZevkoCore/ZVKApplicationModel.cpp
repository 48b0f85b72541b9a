#include "ZevkoCore/ZVKApplicationModel.h"

#include "ZevkoCore/ZVKFileSystemUtils.h"
#include "ZevkoCore/ZVKMD5.h"
#include "ZevkoCore/ZVKString.h"
#include "platform/base/FileSystem.h"

#include <algorithm>
#include <cstdint>
#include <span>

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

bool ZVKApplicationModel::saveToStorage() const {
    const auto path = storagePath();
    return path && saveToStorage(*path);
}

bool ZVKApplicationModel::saveToStorage(const std::string& path) const {
    // Only a sound file becomes the backup, and a sound backup is never replaced: it keeps
    // the oldest known good state. A damaged backup would otherwise block every later one,
    // so it is replaced. The backup's own success does not matter for the save.
    if (const auto current = readValidStorage(path)) {
        const std::string backup = backupPath(path);
        if (!readValidStorage(backup)) {
            platform::writeFileAtomically(
                backup,
                std::span(reinterpret_cast<const std::uint8_t*>(current->data()), current->size()));
        }
    }
    std::string text = saveToData();
    text += ZVKMD5ForString(text);
    return platform::writeFileAtomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool ZVKApplicationModel::loadFromStorage() {
    const auto path = storagePath();
    return path && loadFromStorage(*path);
}

bool ZVKApplicationModel::loadFromStorage(const std::string& path) {
    return loadFromStorageFile(path) || loadFromStorageFile(backupPath(path));
}

bool ZVKApplicationModel::loadFromStorageFile(const std::string& path) {
    const auto text = readValidStorage(path);
    return text && loadFromData(*text);
}
