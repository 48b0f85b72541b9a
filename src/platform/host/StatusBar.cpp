#include "platform/host/StatusBar.h"

#include "platform/graphics/TrueTypeLibrary.h"
#include "platform/host/ScreenRotation.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <fontconfig/fontconfig.h>
#include <fstream>
#include <iterator>

namespace platform {

namespace {

constexpr float kFontSize = 12.0f; // points
constexpr const char* kFontName = "DejaVu Sans:bold";

std::string findFontFile() {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(kFontName));
    if (pattern == nullptr) {
        return {};
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string file;
    FcChar8* path = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        file = reinterpret_cast<const char*>(path);
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

std::string readSmallFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// A canvas of premultiplied RGBA pixels to draw the bar on.
struct Canvas {
    int width;
    int height;
    std::shared_ptr<PixelBytes> pixels;

    void fill(int x0, int y0, int x1, int y1, std::uint8_t grey) {
        x0 = std::max(x0, 0);
        y0 = std::max(y0, 0);
        x1 = std::min(x1, width);
        y1 = std::min(y1, height);
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                std::uint8_t* p = pixels->data() + (static_cast<std::size_t>(y) * width + x) * 4;
                p[0] = p[1] = p[2] = grey;
                p[3] = 255;
            }
        }
    }

    // White text coverage from an ARGB surface, blended over the opaque canvas.
    void blendText(const SDL_Surface& text, int left, int top) {
        for (int y = 0; y < text.h; ++y) {
            const int cy = top + y;
            if (cy < 0 || cy >= height) {
                continue;
            }
            const auto* row = reinterpret_cast<const std::uint32_t*>(
                static_cast<const std::uint8_t*>(text.pixels) +
                static_cast<std::size_t>(y) * text.pitch);
            for (int x = 0; x < text.w; ++x) {
                const int cx = left + x;
                if (cx < 0 || cx >= width) {
                    continue;
                }
                const unsigned a = (row[x] >> 24) & 0xffu;
                std::uint8_t* p = pixels->data() + (static_cast<std::size_t>(cy) * width + cx) * 4;
                for (int c = 0; c < 3; ++c) {
                    p[c] = static_cast<std::uint8_t>((p[c] * (255u - a) + 255u * a + 127u) / 255u);
                }
            }
        }
    }
};

} // namespace

std::expected<std::unique_ptr<StatusBar>, Error> StatusBar::create() {
    std::string why;
    const TrueTypeLibrary* ttf = TrueTypeLibrary::get(&why);
    if (ttf == nullptr) {
        return failure(std::move(why));
    }
    std::string file = findFontFile();
    if (file.empty()) {
        return failure("no font for the status bar (fontconfig found no DejaVu Sans)");
    }
    std::unique_ptr<StatusBar> bar(new StatusBar(*ttf, std::move(file)));
    if (bar->fontFor(1) == nullptr) {
        return failure("cannot open the status bar font " + bar->fontFile_ + ": " +
                       ttf->getError());
    }
    return bar;
}

StatusBar::~StatusBar() {
    if (font_ != nullptr) {
        ttf_.closeFont(font_);
    }
}

TTF_Font* StatusBar::fontFor(int scale) {
    if (font_ != nullptr && fontScale_ == scale) {
        return font_;
    }
    if (font_ != nullptr) {
        ttf_.closeFont(font_);
    }
    // SDL_ttf's sizes are pixels at its 72 dots per inch.
    font_ =
        ttf_.openFontIndex(fontFile_.c_str(), static_cast<int>(std::lround(kFontSize * scale)), 0);
    fontScale_ = font_ != nullptr ? scale : 0;
    return font_;
}

StatusBar::Content StatusBar::currentContent() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {std::to_string(local.tm_hour) + ":" + (local.tm_min < 10 ? "0" : "") +
                std::to_string(local.tm_min),
            batteryLevel()};
}

float StatusBar::batteryLevel(const std::filesystem::path& powerSupplies) {
    std::error_code ec;
    std::filesystem::directory_iterator it(powerSupplies, ec);
    if (ec) {
        return 1.0f;
    }
    std::vector<std::filesystem::path> supplies;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) {
            break;
        }
        supplies.push_back(it->path());
    }
    std::sort(supplies.begin(), supplies.end());
    for (const auto& supply : supplies) {
        if (readSmallFile(supply / "type") != "Battery") {
            continue;
        }
        const std::string capacity = readSmallFile(supply / "capacity");
        int percent = 0;
        const auto [end, result] =
            std::from_chars(capacity.data(), capacity.data() + capacity.size(), percent);
        if (result == std::errc() && end == capacity.data() + capacity.size()) {
            return static_cast<float>(std::clamp(percent, 0, 100)) / 100.0f;
        }
    }
    return 1.0f;
}

float StatusBar::lengthFor(int orientation) {
    return ScreenRotation::turnedSize(orientation).width;
}

std::optional<Picture> StatusBar::render(const Content& content, float length, int scale) {
    scale = std::clamp(scale, 1, 8);
    const int width = static_cast<int>(std::lround(static_cast<double>(length) * scale));
    const int height =
        static_cast<int>(std::lround(static_cast<double>(Screen::kStatusBarHeight) * scale));
    if (width <= 0) {
        return std::nullopt;
    }
    Canvas canvas{width, height,
                  std::make_shared<PixelBytes>(static_cast<std::size_t>(width) * height * 4)};
    canvas.fill(0, 0, width, height, 0);

    TTF_Font* font = fontFor(scale);
    if (font != nullptr && !content.time.empty()) {
        SDL_Surface* text =
            ttf_.renderBlended(font, content.time.c_str(), SDL_Color{255, 255, 255, 255});
        if (text != nullptr) {
            canvas.blendText(*text, (width - text->w) / 2, (height - text->h) / 2);
            ttf_.freeSurface(text);
        }
    }

    // The battery: an outline with a nub on the right, filled as far as it is charged.
    const int s = scale;
    const int right = width - 6 * s;
    const int top = 5 * s;
    const int bottom = 15 * s;
    const int left = right - 24 * s;
    canvas.fill(right, top + 3 * s, right + 2 * s, bottom - 3 * s, 255);
    canvas.fill(left, top, right, top + s, 255);
    canvas.fill(left, bottom - s, right, bottom, 255);
    canvas.fill(left, top, left + s, bottom, 255);
    canvas.fill(right - s, top, right, bottom, 255);
    const float charge = std::clamp(content.battery, 0.0f, 1.0f);
    const int inner = right - left - 4 * s;
    const int filled = static_cast<int>(std::lround(static_cast<double>(inner) * charge));
    canvas.fill(left + 2 * s, top + 2 * s, left + 2 * s + filled, bottom - 2 * s, 255);

    return Picture::create(canvas.pixels, width, height);
}

std::optional<Picture> StatusBar::overlay(const Picture& screen, const Picture& bar,
                                          int orientation) {
    const int w = screen.width();
    const int h = screen.height();
    auto pixels = std::make_shared<PixelBytes>(*screen.pixels());
    const int scale = w / static_cast<int>(Screen::kWidth);
    if (scale <= 0 || bar.height() != static_cast<int>(Screen::kStatusBarHeight) * scale) {
        return std::nullopt;
    }
    for (int v = 0; v < bar.height(); ++v) {
        for (int u = 0; u < bar.width(); ++u) {
            // Where the bar's pixel (u, v) lands on the portrait screen.
            int x = u;
            int y = v;
            switch (orientation) {
            case 2:
                x = w - 1 - u;
                y = h - 1 - v;
                break;
            case 3:
                x = w - 1 - v;
                y = u;
                break;
            case 4:
                x = v;
                y = h - 1 - u;
                break;
            default:
                break;
            }
            if (x < 0 || y < 0 || x >= w || y >= h) {
                continue;
            }
            const auto source = bar.pixelAt(u, v);
            std::copy(source.begin(), source.end(),
                      pixels->begin() + (static_cast<std::ptrdiff_t>(y) * w + x) * 4);
        }
    }
    return Picture::create(std::move(pixels), w, h);
}

} // namespace platform
