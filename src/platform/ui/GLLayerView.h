#pragma once

#include "platform/gl/GLLayer.h"
#include "platform/ui/View.h"

namespace platform {

// A view whose content is a GL drawable rather than drawn by the compositor: the
// compositor shows its layer's presented frame over the view's bounds.
class GLLayerView : public View {
public:
    explicit GLLayerView(Rect frame = {}) : View(frame) {}

    GLLayer& layer() { return layer_; }
    const GLLayer& layer() const { return layer_; }

private:
    GLLayer layer_;
};

} // namespace platform
