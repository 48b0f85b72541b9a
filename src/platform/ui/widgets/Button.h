#pragma once

#include "platform/graphics/Image.h"
#include "platform/ui/widgets/Control.h"

#include <map>
#include <memory>

namespace platform {

// A control that shows an image for each of its states: normal (0), highlighted (1),
// disabled (2), selected (4) and their combinations. A state without an image of its own
// borrows one: selected and highlighted takes the selected image, then the highlighted
// one; every other state takes the normal image. A disabled button without a disabled
// image shows its image dimmed. The image keeps its size in points, centred, shrunk only
// when the button is smaller. With no image at all the button is invisible but still
// takes touches (a tappable area over other views).
class Button : public Control {
public:
    static constexpr float kDisabledAlpha = 0.4f;

    explicit Button(Rect frame = {});

    void setImage(std::shared_ptr<const Image> image, unsigned state);
    // The image shown in `state`, with the borrowing described above.
    std::shared_ptr<const Image> imageForState(unsigned state) const;
    // The image of exactly `state`, without borrowing.
    std::shared_ptr<const Image> ownImageForState(unsigned state) const;
    std::shared_ptr<const Image> currentImage() const { return imageForState(state()); }

    void drawContent(Painter& painter) override;

private:
    std::map<unsigned, std::shared_ptr<const Image>> images_;
};

// Draws `image` centred in `area` at its size in points (shrunk to fit, keeping its
// proportions), choosing the variant for the painter's scale.
void drawImageCentred(Painter& painter, const Image& image, Rect area, float alpha = 1.0f);

} // namespace platform
