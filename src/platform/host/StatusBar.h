#pragma once

#include "platform/base/Error.h"
#include "platform/base/Screen.h"
#include "platform/graphics/Picture.h"

#include <expected>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

typedef struct _TTF_Font TTF_Font;

namespace platform {

struct TrueTypeLibrary;

// The phone's status bar, drawn by the host over the top of the screen (or the
// edge the status-bar orientation puts it on): the time in the middle, the battery on
// the right. Drawn into pictures on the CPU so screenshots and the window share it.
class StatusBar {
public:
    struct Content {
        std::string time;
        float battery = 1.0f; // 0…1
        friend bool operator==(const Content&, const Content&) = default;
    };

    // Fails when no font can be had.
    static std::expected<std::unique_ptr<StatusBar>, Error> create();
    ~StatusBar();
    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;

    // What scripted runs show, so their screenshots do not depend on the day.
    static Content fixedContent() { return {"9:41", 1.0f}; }
    // The local time and the battery's charge.
    static Content currentContent();
    // The charge of the first battery under `powerSupplies` (0…1), or a full one when the
    // machine has none or its files cannot be read.
    static float
    batteryLevel(const std::filesystem::path& powerSupplies = "/sys/class/power_supply");

    // The bar `length` points long and kHeight high at `scale` pixels a point, upright.
    std::optional<Picture> render(const Content& content, float length, int scale);

    // The screen picture (portrait, any scale) with `bar` laid over the edge that the
    // status-bar orientation (1–4) puts it on, turned so it reads upright there.
    static std::optional<Picture> overlay(const Picture& screen, const Picture& bar,
                                          int orientation);
    // The bar's length in points for a status-bar orientation.
    static float lengthFor(int orientation);

private:
    StatusBar(const TrueTypeLibrary& ttf, std::string fontFile)
        : ttf_(ttf), fontFile_(std::move(fontFile)) {}
    TTF_Font* fontFor(int scale);

    const TrueTypeLibrary& ttf_; // loaded for the rest of the process
    std::string fontFile_;
    TTF_Font* font_ = nullptr; // owned
    int fontScale_ = 0;
};

} // namespace platform
