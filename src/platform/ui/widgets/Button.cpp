#include "platform/ui/widgets/Button.h"

#include "platform/graphics/Painter.h"

#include <algorithm>
#include <cmath>

namespace platform {

Button::Button(Rect frame) : Control(frame) {}

void Button::setImage(std::shared_ptr<const Image> image, unsigned state) {
    if (image) {
        images_[state] = std::move(image);
    } else {
        images_.erase(state);
    }
    setNeedsDisplay();
}

std::shared_ptr<const Image> Button::ownImageForState(unsigned state) const {
    const auto it = images_.find(state);
    return it == images_.end() ? nullptr : it->second;
}

std::shared_ptr<const Image> Button::imageForState(unsigned state) const {
    if (auto own = ownImageForState(state)) {
        return own;
    }
    if ((state & Selected) != 0 && (state & Highlighted) != 0) {
        if (auto selected = ownImageForState(Selected)) {
            return selected;
        }
        if (auto highlighted = ownImageForState(Highlighted)) {
            return highlighted;
        }
    }
    if ((state & Selected) != 0 && (state & Disabled) != 0) {
        if (auto selected = ownImageForState(Selected)) {
            return selected;
        }
    }
    return ownImageForState(Normal);
}

void Button::drawContent(Painter& painter) {
    const unsigned current = state();
    const auto image = imageForState(current);
    if (!image) {
        return;
    }
    const bool dim = !isEnabled() && ownImageForState(current) == nullptr;
    drawImageCentred(painter, *image, bounds(), dim ? kDisabledAlpha : 1.0f);
}

void drawImageCentred(Painter& painter, const Image& image, Rect area, float alpha) {
    const Size size = image.size();
    if (size.width <= 0.0f || size.height <= 0.0f) {
        return;
    }
    const float fit = std::min({1.0f, area.width() / size.width, area.height() / size.height});
    const float w = size.width * fit;
    const float h = size.height * fit;
    // Whole pixels, so a picture drawn at its own scale is not resampled.
    const auto scale = static_cast<float>(painter.scale());
    const float x = std::round((area.x() + (area.width() - w) * 0.5f) * scale) / scale;
    const float y = std::round((area.y() + (area.height() - h) * 0.5f) * scale) / scale;
    painter.drawPicture(image.variantForScale(painter.scale()).picture, Rect(x, y, w, h), alpha);
}

} // namespace platform
