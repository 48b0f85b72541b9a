#include "ZevkoCore/ZVKFileSystemUtils.h"

#include "platform/base/Bundle.h"
#include "platform/base/Paths.h"

std::string ZVKDocumentsDirectory() {
    return platform::Paths::documentsDirectory().string();
}

std::optional<std::string> ZVKStorageFileName() {
    const auto name = platform::Bundle::main().infoValue("StorageFileName");
    // The configured name must stay a file inside the documents directory.
    if (!name || name->empty() || *name == "." || *name == ".." ||
        name->find('/') != std::string::npos) {
        return std::nullopt;
    }
    return (platform::Paths::documentsDirectory() / *name).string();
}
