#pragma once

#include "platform/base/Color.h"
#include "platform/base/Geometry.h"
#include "platform/graphics/Picture.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct _TTF_Font;

namespace platform {

// A typeface at a size in points. The name is resolved through fontconfig: a family
// ("DejaVu Sans"), a fontconfig pattern ("DejaVu Sans:bold") or a family followed by style
// words ("DejaVu Sans Bold", "Helvetica-BoldOblique"). A family the machine lacks falls
// back to fontconfig's nearest font of the same weight and slant; with no font at all the
// font measures text as empty and draws nothing. Text is rendered with SDL2_ttf (FreeType
// and HarfBuzz) at the drawing scale, so it stays crisp at 2x and 3x.
class Font {
public:
    static std::shared_ptr<const Font> fontWithName(std::string_view name, float size);
    static std::shared_ptr<const Font> systemFontOfSize(float size);
    static std::shared_ptr<const Font> boldSystemFontOfSize(float size);

    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const std::string& fontName() const { return name_; }
    float pointSize() const { return size_; }
    // What fontconfig chose: the font file (empty when there is none) and its family.
    const std::filesystem::path& file() const { return resolved().file; }
    const std::string& family() const { return resolved().family; }
    bool isBold() const { return resolved().bold; }

    // Height of one line in points, at `scale` pixels a point.
    float lineHeight(int scale = 1) const;
    // Size of the text in points at `scale` pixels a point: on one line, or broken into
    // lines no wider than `wrapWidth` points when that is positive.
    Size sizeWithText(std::string_view text, int scale = 1, float wrapWidth = 0.0f) const;

    // The text in `color` on a transparent picture of `scale` pixels a point: one line, or
    // broken into lines no wider than `wrapWidth` points when that is positive, each line
    // placed by `alignment` (0 left, 1 centre, 2 right). Nothing for empty text or when
    // the font can not be opened.
    std::optional<Picture> render(std::string_view text, Color color, int scale,
                                  float wrapWidth = 0.0f, int alignment = 1) const;

    // The longest start of `text` that, with an ellipsis appended, fits in `width` points;
    // the text itself when it fits.
    std::string truncated(std::string_view text, float width, int scale = 1) const;

private:
    struct Resolved {
        std::filesystem::path file;
        long index = 0; // face inside a font collection
        std::string family;
        bool bold = false;
    };

    Font(std::string name, float size);
    // fontconfig's match for the name, looked up on first use.
    const Resolved& resolved() const;
    _TTF_Font* face(int scale) const;

    std::string name_;
    float size_;
    // Like the faces below: filled on first use, only ever on the main thread.
    mutable std::optional<Resolved> resolved_;
    // Opened on first use for each scale; only ever touched on the main thread.
    mutable std::map<int, _TTF_Font*> faces_;
};

} // namespace platform
