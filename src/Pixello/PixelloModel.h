#pragma once

#include "Pixello/EffectGrid.h"
#include "Pixello/PixelloTypes.h"
#include "ZevkoCore/ZVKApplicationModel.h"
#include "platform/base/Device.h"
#include "platform/base/Error.h"
#include "platform/base/Geometry.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/PixelBuffer.h"

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The editor's document state: tool, effect strengths, extra toolbar, crop rectangle, device
// orientation and the picture history. Every notifying setter stores first and then reports
// the property name, also when the value did not change.
//
// Only the history (file names and current index) and the four strengths are stored; the
// rest starts from the defaults on every launch.
//
// History: every entry is one file in the images directory. Pictures made inside the editor
// are raw pixel files (extension "png": the pixel buffer followed by width and height as
// little-endian 32-bit numbers); picked pictures are PNG files (extension "pngr"). The
// extension pairing is what stored histories rely on, so it stays as it is.
//
// A file leaves only once a save that no longer names it has reached the disk, in the main
// storage file and in its backup: entries dropped from the history wait in a list until then,
// so a crash at any moment leaves a storage file whose every picture is there.
class PixelloModel : public ZVKApplicationModel {
public:
    static constexpr const char* kImagesDirectoryName = "PixelloImages";
    static constexpr int kGridRows = 32;
    static constexpr int kGridCols = 32;
    // The settings sliders' ranges of the four strengths.
    struct StrengthRange {
        float minimum;
        float maximum;
        // The nearest value inside the range; the lower end for a value that is no number.
        float clamp(float value) const {
            return value >= minimum ? (value <= maximum ? value : maximum) : minimum;
        }
    };
    static constexpr StrengthRange kSmudgePowerRange{0.05f, 0.2f};
    static constexpr StrengthRange kSmudgeWidthRange{20.0f, 50.0f};
    static constexpr StrengthRange kBumpPowerRange{5.0f, 15.0f};
    static constexpr StrengthRange kPinchPowerRange{5.0f, 15.0f};
    // Width and height after the pixels of a raw history file.
    static constexpr std::size_t kRawTrailerSize = 8;

    // Defaults; takes the device's orientation when the interface can turn to it and makes sure the
    // images directory exists.
    PixelloModel();

    Effect effect() const { return effect_; }
    void setEffect(Effect effect);
    VisibleToolbar visibleToolbar() const { return visibleToolbar_; }
    void setVisibleToolbar(VisibleToolbar visibleToolbar);

    // No range check: the settings screen offers the sensible ranges. Stored strengths outside
    // them are brought to the nearest end when loaded.
    float smudgePower() const { return smudgePower_; }
    void setSmudgePower(float power);
    float smudgeWidth() const { return smudgeWidth_; }
    void setSmudgeWidth(float width);
    float bumpPower() const { return bumpPower_; }
    void setBumpPower(float power);
    float pinchPower() const { return pinchPower_; }
    void setPinchPower(float power);

    // Sends nothing; the caller reports with cropRectModified().
    const platform::Rect& cropRect() const { return cropRect_; }
    void setCropRect(const platform::Rect& rect) { cropRect_ = rect; }
    void cropRectModified();

    bool shouldDraw() const { return shouldDraw_; }
    void setShouldDraw(bool shouldDraw) { shouldDraw_ = shouldDraw; }

    // Portrait, upside down or one of the two landscapes: never unknown, face up or down.
    platform::DeviceOrientation orientation() const { return orientation_; }
    // Takes the device's orientation when the interface can turn to it and reports
    // "orientation" (also when unchanged); face up, face down and unknown change nothing and
    // send nothing.
    void orientationChanged();

    // The deformation grid, shared with the main screen's GL view. Sends nothing.
    const std::shared_ptr<EffectGrid>& grid() const { return grid_; }
    void setGrid(std::shared_ptr<EffectGrid> grid) { grid_ = std::move(grid); }
    // Reports "grid" after the grid's vertices were moved.
    void gridModified();

    // History.
    const std::vector<std::string>& imageFileNames() const { return imageFileNames_; }
    // Index into imageFileNames(); -1 exactly when the history is empty.
    std::int32_t currentImage() const { return currentImage_; }
    bool undoImageAllowed() const;
    bool redoImageAllowed() const;
    std::string directoryForImages() const;
    std::string pathToImageFile(const std::string& name) const;
    // True for a name that stays inside the images directory: not empty, not "." or "..",
    // no path separator, no zero byte.
    static bool isValidImageFileName(const std::string& name);
    // True for a name this editor gives an entry: an upper-case UUID with ".png" or ".pngr".
    static bool isEntryFileName(const std::string& name);
    // The files of the entry `name` in the images directory, the entry's own first.
    static std::vector<std::string> filesOfEntry(const std::string& name);
    // Entries dropped from the history whose files wait for a save that no longer names them.
    const std::vector<std::string>& pendingRemovals() const { return pendingRemovals_; }

    // Pixels of the current picture, handed between kernel, history and GL view. Sends nothing.
    const platform::PixelBuffer& dataRef() const { return dataRef_; }
    void setDataRef(platform::PixelBuffer buffer);

    // The current picture, decoded at most once per change of the current file name; nothing
    // for an empty history or a file that is missing or does not hold a sound picture.
    // Reading a raw file also fills dataRef() with its pixels.
    std::optional<platform::Picture> image();
    // Appends the picture as the new current entry, discarding the redo branch, and reports
    // "image" then "history". Written from dataRef() when it holds the picture's pixels (and
    // then cached over those pixels, so nobody reads the file back), else PNG-encoded. Fails,
    // with nothing changed, nothing sent and no file left behind, when there is no picture or
    // the file could not be written.
    std::expected<void, platform::Error> setImage(const std::optional<platform::Picture>& picture);
    // Move the current index and report "image" then "history"; nothing when not allowed.
    void undoImage();
    void redoImage();
    // Keeps only the current entry; always reports "history". The entry that becomes first
    // takes over the edits and the original of those before it (EditHistory).
    void clearHistory();
    // Drops the cached picture, its name and dataRef(), when a picture is cached.
    void clearCache();

    // The bytes of a raw history file: the pixels, then width and height little-endian.
    static std::vector<std::uint8_t> rawFileBytes(std::span<const std::uint8_t> pixels,
                                                  std::uint32_t width, std::uint32_t height);
    // A picture over the pixels of a raw history file (which it shares), or nothing when the
    // file is shorter than its trailer or the trailer does not match its length.
    static std::optional<platform::Picture> pictureFromRawFile(std::vector<std::uint8_t> bytes);

    // Payload: the number of names, the current index, the names, the four strengths with six
    // decimals; one a line, each ending in a line feed.
    std::string saveToData() const override;
    // Takes the payload only when all of it is sound: enough lines for the names and the four
    // strengths, an index inside the list (-1 for an empty one) and safe file names. Otherwise
    // false and nothing changes. Sends no notices.
    bool loadFromData(const std::string& text) override;

    // Entries that `storedText` (an older stored state, such as the backup) names and the
    // history does not wait for removal like dropped ones: the first save that replaces
    // that state lets them go.
    void retireEntriesOf(const std::string& storedText);
    // The lines of a stored text that could name an entry, whether its digest holds or not.
    static std::vector<std::string> entryNamesIn(const std::string& storedText);

protected:
    // Removes the files of dropped entries that neither stored text names any more.
    void storageWritten(const std::vector<std::string>& storedTexts) override;

private:
    // Moves the entries in [first, last) of the list to the pending removals.
    void dropEntries(std::size_t first, std::size_t last);

    std::vector<std::string> imageFileNames_;
    std::vector<std::string> pendingRemovals_;
    std::string cachedFileName_; // empty: nothing cached
    std::optional<platform::Picture> cachedImage_;
    std::int32_t currentImage_ = -1;
    platform::DeviceOrientation orientation_ = platform::DeviceOrientation::Portrait;
    VisibleToolbar visibleToolbar_ = VisibleToolbar::None;
    Effect effect_ = Effect::Smudge;
    float smudgePower_ = 0.11f;
    float smudgeWidth_ = 28.0f;
    float bumpPower_ = 10.0f;
    float pinchPower_ = 10.0f;
    bool shouldDraw_ = true;
    platform::PixelBuffer dataRef_;
    platform::Rect cropRect_;
    std::shared_ptr<EffectGrid> grid_;
};
