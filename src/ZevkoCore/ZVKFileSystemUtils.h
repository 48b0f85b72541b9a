#pragma once

#include <optional>
#include <string>

// The documents directory of the application.
std::string ZVKDocumentsDirectory();
// The storage file: the documents directory joined with the information dictionary's
// "StorageFileName"; nothing without that key (or with a name that is not a plain file name).
std::optional<std::string> ZVKStorageFileName();

// The file-system utilities as class operations; no instances, no state.
class ZVKFileSystemUtils {
public:
    ZVKFileSystemUtils() = delete;

    static std::string documentsDirectory() { return ZVKDocumentsDirectory(); }
    static std::optional<std::string> storageFileName() { return ZVKStorageFileName(); }
};
