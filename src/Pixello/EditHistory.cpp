#include "Pixello/EditHistory.h"

#include "platform/base/FileSystem.h"
#include "platform/graphics/PictureCodec.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace EditHistory {

std::string editFileName(const std::string& entry) {
    return entry + ".edit";
}

std::string sourceFileName(const std::string& entry) {
    return entry + ".source";
}

namespace {

// Written to a temporary file renamed over the record, so a reader finds the old record or
// the new one, never half of one; but not flushed to disk, which would cost finishing an
// edit a tenth more. A record that a crash loses or tears fails its checksum, and costs
// only that history its full-size rendition.
bool writeRecord(const std::filesystem::path& images, const std::string& entry,
                 const EditRecord& record) {
    const std::vector<std::uint8_t> bytes = record.encode();
    // Named as every temporary file of ours, so that the start-up clean-up knows it.
    std::string temporary = (images / ("." + editFileName(entry) + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0) {
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    const bool closed = ::close(fd) == 0;
    if (written != bytes.size() || !closed ||
        ::rename(temporary.c_str(), (images / editFileName(entry)).c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// The source of `from` becomes also the source of `to`: a second name for the same file
// where the file system allows it, else a copy. Either way the old name stays until its
// entry is removed, so a storage that still names it keeps working.
bool shareSource(const std::filesystem::path& images, const std::string& from,
                 const std::string& to) {
    const std::filesystem::path target = images / sourceFileName(to);
    std::error_code ec;
    std::filesystem::remove(target, ec);
    std::filesystem::create_hard_link(images / sourceFileName(from), target, ec);
    return !ec || platform::copyFileNoReplace(images / sourceFileName(from), target);
}

} // namespace

bool keepSource(const std::filesystem::path& images, const std::string& entry,
                const platform::PickedImage& picked) {
    bool kept = false;
    if (const std::filesystem::path* path = picked.path()) {
        std::error_code ec;
        std::filesystem::remove(images / sourceFileName(entry), ec);
        kept = platform::copyFileNoReplace(*path, images / sourceFileName(entry));
    } else if (const platform::Picture* picture = picked.picture()) {
        const auto png = platform::PictureCodec::encodePNG(*picture);
        kept = png && platform::writeFileAtomically(images / sourceFileName(entry), *png);
    }
    return kept && writeRecord(images, entry, EditRecord{});
}

bool recordStep(const std::filesystem::path& images, const std::string& entry,
                const std::string& base, const EditStep& step) {
    return writeRecord(images, entry, EditRecord{base, {step}});
}

std::expected<EditRecord, platform::Error> readRecord(const std::filesystem::path& images,
                                                      const std::string& entry) {
    const auto bytes = platform::readFile(images / editFileName(entry));
    if (!bytes) {
        return platform::failure("the edit record of " + entry + " is missing");
    }
    return EditRecord::decode(*bytes);
}

void carryOver(const std::filesystem::path& images, const std::string& dropped,
               const std::string& next) {
    auto own = readRecord(images, next);
    if (!own || own->base != dropped) {
        // Nothing to carry: no record, or the entry starts from a source of its own.
        return;
    }
    const auto before = readRecord(images, dropped);
    bool carried = false;
    if (before) {
        EditRecord merged{before->base, before->steps};
        merged.steps.insert(merged.steps.end(), own->steps.begin(), own->steps.end());
        carried = (!merged.base.empty() || shareSource(images, dropped, next)) &&
                  writeRecord(images, next, merged);
    }
    if (!carried) {
        platform::removeFile(images / editFileName(next));
    }
}

void removeCompanions(const std::filesystem::path& images, const std::string& entry) {
    platform::removeFile(images / editFileName(entry));
    platform::removeFile(images / sourceFileName(entry));
}

std::expected<ReplayPlan, platform::Error> plan(const std::filesystem::path& images,
                                                const std::vector<std::string>& entries,
                                                const std::string& target,
                                                const std::string& cached) {
    ReplayPlan result;
    std::string current = target;
    // Each record names an entry of the history; a chain longer than the history loops.
    for (std::size_t hops = 0; hops <= entries.size(); ++hops) {
        if (std::find(entries.begin(), entries.end(), current) == entries.end()) {
            return platform::failure("the edit records name " + current +
                                     ", which is not in the history");
        }
        if (!cached.empty() && current == cached) {
            result.startEntry = current;
            return result;
        }
        auto record = readRecord(images, current);
        if (!record) {
            return std::unexpected(record.error());
        }
        result.steps.insert(result.steps.begin(), std::make_move_iterator(record->steps.begin()),
                            std::make_move_iterator(record->steps.end()));
        if (record->base.empty()) {
            result.sourceEntry = current;
            return result;
        }
        current = record->base;
    }
    return platform::failure("the edit records go round in a circle");
}

} // namespace EditHistory
