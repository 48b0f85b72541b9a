#include "platform/ui/widgets/CameraPreviewView.h"

#include "platform/base/RunLoop.h"
#include "platform/graphics/Painter.h"
#include "platform/media/FrameSource.h"

#include <algorithm>

namespace platform {

CameraPreviewView::CameraPreviewView(Rect frame) : View(frame) {
    setBackgroundColor(Color::black());
}

CameraPreviewView::~CameraPreviewView() {
    RunLoop::main().removeFrameObserver(this);
}

void CameraPreviewView::setSource(FrameSource* source) {
    source_ = source;
    shown_.reset();
    shownNumber_ = 0;
    failure_.clear();
    RunLoop::main().removeFrameObserver(this);
    if (source_ != nullptr) {
        // Every frame of the screen looks for a newer one of the camera.
        RunLoop::main().addFrameObserver(this, [this](double) { refresh(); });
        refresh();
    }
    setNeedsDisplay();
}

void CameraPreviewView::refresh() {
    if (source_ == nullptr) {
        return;
    }
    auto latest = source_->latestFrame();
    if (!latest) {
        if (failure_ != latest.error().message) {
            failure_ = latest.error().message;
            setNeedsDisplay();
        }
        return;
    }
    if (*latest && (*latest)->number != shownNumber_) {
        shownNumber_ = (*latest)->number;
        shown_ = std::move((*latest)->picture);
        setNeedsDisplay();
    }
}

void CameraPreviewView::drawContent(Painter& painter) {
    if (!shown_) {
        return;
    }
    const Rect b = bounds();
    const Size size = shown_->size();
    const float scale = std::min(b.width() / size.width, b.height() / size.height);
    const float w = size.width * scale;
    const float h = size.height * scale;
    painter.drawPicture(*shown_,
                        {b.x() + (b.width() - w) / 2.0f, b.y() + (b.height() - h) / 2.0f, w, h});
}

} // namespace platform
