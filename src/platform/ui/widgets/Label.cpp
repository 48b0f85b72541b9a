#include "platform/ui/widgets/Label.h"

#include "platform/graphics/Painter.h"

#include <cmath>

namespace platform {

namespace {

constexpr float kDefaultFontSize = 17.0f;

} // namespace

Label::Label(Rect frame) : View(frame), font_(Font::systemFontOfSize(kDefaultFontSize)) {
    setUserInteractionEnabled(false);
}

void Label::setText(std::string text) {
    if (text != text_) {
        text_ = std::move(text);
        invalidate();
    }
}

void Label::setFont(std::shared_ptr<const Font> font) {
    font_ = font ? std::move(font) : Font::systemFontOfSize(kDefaultFontSize);
    invalidate();
}

void Label::setTextColor(Color color) {
    if (!(color == textColor_)) {
        textColor_ = color;
        invalidate();
    }
}

void Label::setTextAlignment(int alignment) {
    if (alignment >= Left && alignment <= Right && alignment != alignment_) {
        alignment_ = alignment;
        invalidate();
    }
}

void Label::setNumberOfLines(int lines) {
    if (lines >= 0 && lines != lines_) {
        lines_ = lines;
        invalidate();
    }
}

void Label::setShadowColor(std::optional<Color> color) {
    shadowColor_ = color;
    invalidate();
}

void Label::setShadowOffset(Point offset) {
    shadowOffset_ = offset;
    setNeedsDisplay();
}

Size Label::textSize(int scale) const {
    return font_->sizeWithText(text_, scale, lines_ == 1 ? 0.0f : bounds().width());
}

void Label::drawContent(Painter& painter) {
    const int scale = painter.scale();
    const Rect b = bounds();
    if (text_.empty() || b.width() <= 0.0f) {
        return;
    }
    if (!rendered_ || rendered_->scale != scale || rendered_->width != b.width()) {
        Rendered r;
        r.scale = scale;
        r.width = b.width();
        if (lines_ == 1) {
            const std::string shown = font_->truncated(text_, b.width(), scale);
            r.text = font_->render(shown, textColor_, scale);
            if (shadowColor_) {
                r.shadow = font_->render(shown, *shadowColor_, scale);
            }
        } else {
            r.text = font_->render(text_, textColor_, scale, b.width(), alignment_);
            if (shadowColor_) {
                r.shadow = font_->render(text_, *shadowColor_, scale, b.width(), alignment_);
            }
        }
        rendered_ = std::move(r);
    }
    if (!rendered_->text) {
        return;
    }
    const auto s = static_cast<float>(scale);
    const float w = static_cast<float>(rendered_->text->width()) / s;
    const float h = static_cast<float>(rendered_->text->height()) / s;
    float x = b.x();
    if (alignment_ == Center) {
        x += (b.width() - w) * 0.5f;
    } else if (alignment_ == Right) {
        x += b.width() - w;
    }
    // Whole pixels keep the glyphs as sharp as they were rendered.
    x = std::round(x * s) / s;
    const float y = std::round((b.y() + (b.height() - h) * 0.5f) * s) / s;
    if (rendered_->shadow) {
        painter.drawPicture(*rendered_->shadow,
                            Rect(x + shadowOffset_.x, y + shadowOffset_.y, w, h));
    }
    painter.drawPicture(*rendered_->text, Rect(x, y, w, h));
}

} // namespace platform
