#pragma once

#include "platform/base/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace benchsupport {

// A folder of its own under $TMPDIR (else /tmp), removed again at the end. A benchmark
// without one cannot run at all, so failing to make it ends the program.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            (std::filesystem::path(base != nullptr && base[0] != '\0' ? base : "/tmp") /
             "pixello-bench-XXXXXX")
                .string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A scratch folder that is the documents directory while it lives.
struct ScratchDocuments {
    ScratchDocuments() { platform::Paths::setDocumentsDirectory(dir); }
    ~ScratchDocuments() { platform::Paths::resetDocumentsDirectory(); }
    ScratchFolder folder;
    const std::filesystem::path& dir = folder.path();
};

} // namespace benchsupport
