#pragma once

#include "Pixello/EditRecord.h"
#include "platform/base/Error.h"
#include "platform/graphics/PickedImage.h"

#include <expected>
#include <filesystem>
#include <string>
#include <vector>

// The companion files of history entries in the images folder: "NAME.edit", what the edit
// that made entry NAME did (EditRecord), and "NAME.source", the original bytes of the
// picture a history started from, kept beside its first entry. Together they let the
// current entry be made again at the source's full size. An entry without a sound record,
// or a chain that does not reach a source, simply has no full-size rendition.
namespace EditHistory {

std::string editFileName(const std::string& entry);
std::string sourceFileName(const std::string& entry);

// Keeps the picked picture beside `entry`, which starts a new history: a file's bytes as
// they are, a camera frame as PNG, and a record with no steps. False when either could
// not be written (the entry then has no full-size rendition).
bool keepSource(const std::filesystem::path& images, const std::string& entry,
                const platform::PickedImage& picked);
// Records that `entry` was made from `base` by `step`.
bool recordStep(const std::filesystem::path& images, const std::string& entry,
                const std::string& base, const EditStep& step);
std::expected<EditRecord, platform::Error> readRecord(const std::filesystem::path& images,
                                                      const std::string& entry);

// Called when the first entry `dropped` goes and `next` becomes first: if `next` was made
// from `dropped`, it takes over the steps and the source of `dropped`, so that its own
// rendition and those after it can still be made. When that cannot be done, the record of
// `next` goes, and the history falls back to its working pictures.
void carryOver(const std::filesystem::path& images, const std::string& dropped,
               const std::string& next);
// Removes both companion files of `entry`.
void removeCompanions(const std::filesystem::path& images, const std::string& entry);

// How the full-size rendition of an entry is made: from the source kept beside
// `sourceEntry`, or (when that is empty) from the rendition of `startEntry` the caller
// holds, through `steps` in order.
struct ReplayPlan {
    std::string sourceEntry;
    std::string startEntry;
    std::vector<EditStep> steps;
};
// The plan for `target` among the history's `entries`; `cached` names an entry whose
// rendition the caller holds (empty for none). Fails when a record on the way is missing
// or damaged, names an entry outside the history, or the chain does not end.
std::expected<ReplayPlan, platform::Error> plan(const std::filesystem::path& images,
                                                const std::vector<std::string>& entries,
                                                const std::string& target,
                                                const std::string& cached);

} // namespace EditHistory
