#include "platform/ui/widgets/ActivityIndicatorView.h"

#include "platform/base/AffineTransform.h"
#include "platform/base/RunLoop.h"
#include "platform/graphics/Outline.h"
#include "platform/graphics/Painter.h"

#include <cmath>

namespace platform {

namespace {

constexpr double kPi = 3.14159265358979323846;

bool validStyle(int style) {
    return style >= ActivityIndicatorView::WhiteLarge && style <= ActivityIndicatorView::Gray;
}

} // namespace

ActivityIndicatorView::ActivityIndicatorView(int style)
    : View(Rect(0.0f, 0.0f, 0.0f, 0.0f)), style_(validStyle(style) ? style : WhiteLarge) {
    const float d = wheelDiameter();
    setFrame(Rect(0.0f, 0.0f, d, d));
    setUserInteractionEnabled(false);
    setHidden(true);
}

ActivityIndicatorView::~ActivityIndicatorView() {
    if (animating_) {
        RunLoop::main().removeFrameObserver(this);
    }
}

float ActivityIndicatorView::wheelDiameter() const {
    return style_ == WhiteLarge ? 37.0f : 20.0f;
}

void ActivityIndicatorView::setActivityIndicatorViewStyle(int style) {
    if (!validStyle(style) || style == style_) {
        return;
    }
    style_ = style;
    const Point c = center();
    const float d = wheelDiameter();
    setBounds(Rect(0.0f, 0.0f, d, d));
    setCenter(c);
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides) {
    hidesWhenStopped_ = hides;
    if (!animating_) {
        setHidden(hides);
    }
}

void ActivityIndicatorView::startAnimating() {
    setHidden(false);
    if (animating_) {
        return;
    }
    animating_ = true;
    startedAt_ = RunLoop::main().now();
    leadingSpoke_ = 0;
    RunLoop::main().addFrameObserver(this, [this](double now) { tick(now); });
}

void ActivityIndicatorView::stopAnimating() {
    if (animating_) {
        animating_ = false;
        RunLoop::main().removeFrameObserver(this);
    }
    if (hidesWhenStopped_) {
        setHidden(true);
    }
}

void ActivityIndicatorView::tick(double now) {
    const double steps = std::floor((now - startedAt_) / (kTurnDuration / kSpokes));
    const int spoke = static_cast<int>(std::fmod(std::max(steps, 0.0), kSpokes));
    if (spoke != leadingSpoke_) {
        leadingSpoke_ = spoke;
        setNeedsDisplay();
    }
}

void ActivityIndicatorView::drawContent(Painter& painter) {
    const Rect b = bounds();
    const float d = wheelDiameter();
    const Point c{b.x() + b.width() * 0.5f, b.y() + b.height() * 0.5f};
    const float outer = d * 0.5f;
    const float inner = d * (style_ == WhiteLarge ? 0.24f : 0.22f);
    const float width = d * (style_ == WhiteLarge ? 0.095f : 0.1f);
    const float ink = style_ == Gray ? 0.5f : 1.0f;
    for (int i = 0; i < kSpokes; ++i) {
        // Spoke 0 points up; the brightest spoke leads and the others fade behind it.
        const int behind = (leadingSpoke_ - i + kSpokes) % kSpokes;
        const float alpha = 1.0f - 0.75f * static_cast<float>(behind) / (kSpokes - 1);
        const double angle = 2.0 * kPi * i / kSpokes;
        const auto turn = AffineTransform::makeRotation(static_cast<float>(angle));
        auto outline =
            roundedRectOutline(Rect(-width * 0.5f, -outer, width, outer - inner), width * 0.5f);
        for (Point& p : outline) {
            const Point r = turn.apply(p);
            p = {c.x + r.x, c.y + r.y};
        }
        painter.fillConvex(outline, {ink, ink, ink, alpha});
    }
}

} // namespace platform
