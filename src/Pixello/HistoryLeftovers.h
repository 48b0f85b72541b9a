#pragma once

#include "platform/base/Error.h"

#include <expected>
#include <filesystem>
#include <string>
#include <vector>

// What crashes and failed removals leave behind in the data folder and the images folder:
// temporary files of the storage file, its backup and the history files, and history files
// (with their side files) that neither the storage file, nor its backup, nor a storage file
// put aside as damaged names. Nothing that is not of this editor's naming is ever listed.
class HistoryLeftovers {
public:
    // Lists the leftovers. Meant to run before the editor writes anything, so that nothing
    // this run makes can be taken for one. Fails, listing nothing, when a storage file is
    // there but cannot be read (what it names is then unknown) or a folder cannot be listed.
    static std::expected<std::vector<std::filesystem::path>, platform::Error>
    find(const std::string& storagePath, const std::string& imagesDirectory);
    // Removes the files; those that cannot be removed stay for the next start.
    static void remove(const std::vector<std::filesystem::path>& files);

    // The entry a file of the images folder belongs to (the file's own name for an entry
    // file, the entry's for a side file), or empty when the file is not one of ours.
    static std::string entryOfFile(const std::string& fileName);
};
