#include "platform/ui/Touch.h"

#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform {

Touch::Touch(Window* window, std::weak_ptr<View> view, Point windowLocation, double timestamp,
             int tapCount)
    : window_(window), view_(std::move(view)), location_(windowLocation), previous_(windowLocation),
      timestamp_(timestamp), tapCount_(tapCount) {}

View* Touch::view() const {
    return view_.lock().get();
}

Point Touch::locationInView(const View* view) const {
    return view != nullptr ? view->convertPointFromView(location_, window_) : location_;
}

Point Touch::previousLocationInView(const View* view) const {
    return view != nullptr ? view->convertPointFromView(previous_, window_) : previous_;
}

} // namespace platform
