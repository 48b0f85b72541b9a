#pragma once

#include "platform/base/Color.h"
#include "platform/graphics/Font.h"
#include "platform/ui/View.h"

#include <memory>
#include <optional>
#include <string>

namespace platform {

// Text in one font and colour. One line by default: vertically centred, placed by the
// alignment, cut with an ellipsis when too long. With numberOfLines 0 the text wraps to
// the label's width and the lines are centred vertically as a block. Labels take no
// touches, so a label over a button leaves the button tappable.
class Label : public View {
public:
    enum Alignment { Left = 0, Center = 1, Right = 2 };

    explicit Label(Rect frame = {});

    const std::string& text() const { return text_; }
    void setText(std::string text);
    const std::shared_ptr<const Font>& font() const { return font_; }
    // nullptr puts back the default font.
    void setFont(std::shared_ptr<const Font> font);
    Color textColor() const { return textColor_; }
    void setTextColor(Color color);
    int textAlignment() const { return alignment_; }
    // 0 left, 1 centre, 2 right; other values are ignored.
    void setTextAlignment(int alignment);
    int numberOfLines() const { return lines_; }
    void setNumberOfLines(int lines);
    // A copy of the text drawn behind it, moved by `shadowOffset` points; none by default.
    std::optional<Color> shadowColor() const { return shadowColor_; }
    void setShadowColor(std::optional<Color> color);
    Point shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(Point offset);

    // The text's size in points at `scale` pixels a point; for wrapping labels, within
    // the label's width.
    Size textSize(int scale = 1) const;

    void drawContent(Painter& painter) override;

private:
    struct Rendered {
        int scale = 0;
        float width = 0.0f;
        std::optional<Picture> text;
        std::optional<Picture> shadow;
    };
    void invalidate() {
        rendered_.reset();
        setNeedsDisplay();
    }

    std::string text_;
    std::shared_ptr<const Font> font_;
    Color textColor_ = Color::black();
    int alignment_ = Left;
    int lines_ = 1;
    std::optional<Color> shadowColor_;
    Point shadowOffset_{0.0f, -1.0f};
    // The text as last drawn, kept until something it depends on changes.
    std::optional<Rendered> rendered_;
};

} // namespace platform
