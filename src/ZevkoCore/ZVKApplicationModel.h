#pragma once

#include "ZevkoCore/ZVKApplicationModelDelegate.h"
#include "platform/base/Error.h"

#include <expected>
#include <optional>
#include <string>
#include <vector>

// Base of an application's persistent document state.
//
// Changes are reported by property name and delivered synchronously to the delegates in the
// order they were added. Between beginChanges() and the endChanges() that closes the
// outermost block the names are only collected; each goes out once, in the order of its first
// report. A delegate may change the model while being told: the new name is delivered to all
// delegates at once, before the outer delivery goes on.
//
// Storage: the subclass turns its state into a text payload (saveToData) and back
// (loadFromData). The storage file holds the payload followed by the 32 upper-case hex digits
// of its MD5. Every save first keeps the valid file it replaces as "<file>.bak", so the backup
// is always the state before the last save; it is used when the main file is missing or
// damaged, and a damaged main file is then moved aside to "<file>.damaged" rather than
// overwritten by the next save.
class ZVKApplicationModel {
public:
    ZVKApplicationModel();
    virtual ~ZVKApplicationModel() = default;
    ZVKApplicationModel(const ZVKApplicationModel&) = delete;
    ZVKApplicationModel& operator=(const ZVKApplicationModel&) = delete;

    // `delegate` is not owned; it must be removed before it is destroyed. The same delegate
    // may be added more than once and is then told as often.
    void addDelegate(ZVKApplicationModelDelegate* delegate);
    // Removes every occurrence.
    void removeDelegate(ZVKApplicationModelDelegate* delegate);
    const std::vector<ZVKApplicationModelDelegate*>& delegates() const { return delegates_; }

    void beginChanges();
    // An unmatched close is ignored.
    void endChanges();
    int changingBlocksCount() const { return changingBlocksCount_; }
    void propertyChanged(const std::string& name);
    void applyChanges();

    // The name setApplicationName() reports.
    static constexpr const char* kApplicationNameProperty = "applicationName";
    const std::string& applicationName() const { return applicationName_; }
    void setApplicationName(std::string name);

    // The payload of the current state. Base: empty.
    virtual std::string saveToData() const;
    // Restores the state from the whole stored text (payload and digest); false, with the
    // state unchanged, when the text is not acceptable. Base: true, reads nothing.
    virtual bool loadFromData(const std::string& text);

    // The storage file (documents directory and the Info key "StorageFileName"), if any.
    static std::optional<std::string> storagePath();
    static std::string backupPath(const std::string& path);

    static std::string damagedPath(const std::string& path);

    // True when the file exists, is UTF-8 text and its digest matches.
    bool checkStorage(const std::string& path) const;
    bool saveToStorage() { return writeStorage().has_value(); }
    bool saveToStorage(const std::string& path) { return writeStorage(path).has_value(); }
    std::expected<void, platform::Error> writeStorage();
    // Keeps a valid existing file as the backup, then writes payload and digest atomically.
    // The error says what could not be written and why.
    std::expected<void, platform::Error> writeStorage(const std::string& path);
    bool loadFromStorage();
    // The main file, else its backup; true when either was loaded.
    bool loadFromStorage(const std::string& path);
    bool loadFromStorageFile(const std::string& path);
    // Whether the last loadFromStorage had to take the backup.
    bool restoredFromBackup() const { return restoredFromBackup_; }

protected:
    // Told after every save that reached the disk, with the texts of the files that now hold
    // state: the main file and, when there is one, the backup (valid or not). Not told when
    // the backup could not be read, since what it names is then unknown. Base: nothing.
    virtual void storageWritten(const std::vector<std::string>& storedTexts);

private:
    // The file's text when it exists, is UTF-8 and carries a matching digest.
    static std::optional<std::string> readValidStorage(const std::string& path);

    std::vector<ZVKApplicationModelDelegate*> delegates_; // not owned
    std::vector<std::string> changes_;
    int changingBlocksCount_ = 0;
    std::string applicationName_;
    bool restoredFromBackup_ = false;
};
