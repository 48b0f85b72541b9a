#include "ZevkoCore/ZVKScrollView.h"

#include "platform/base/RunLoop.h"

#include <algorithm>
#include <cmath>

using platform::Point;
using platform::Rect;
using platform::RunLoop;
using platform::Size;
using platform::Touch;
using platform::TouchList;

namespace {

constexpr const char* kInternalClicked = "internalClicked";
// 5°: a point this close to the line through anchor and direction is dropped.
constexpr double kUnionAngle = 0.08726646259971647;

} // namespace

ZVKScrollView::ZVKScrollView(Rect frame) : ZVKScrollView(frame, frame.size) {}

ZVKScrollView::ZVKScrollView(Rect frame, Size contentSize) : View(frame) {
    setClipsToBounds(true);
    contentSize_ = contentSize;
    contentView_ =
        std::make_shared<platform::View>(Rect(0.0f, 0.0f, contentSize.width, contentSize.height));
    View::addSubview(contentView_);
    setMultipleTouchEnabled(true);
    contentView_->setMultipleTouchEnabled(true);
    adjustContent(false);
    bounce();
}

ZVKScrollView::~ZVKScrollView() {
    // A click still pending would reach a view that is gone.
    RunLoop::main().cancelPrevious(this);
}

// MARK: touches

std::ptrdiff_t ZVKScrollView::indexOfTouch(const Touch* touch) const {
    const auto it = std::find_if(touches_.begin(), touches_.end(),
                                 [touch](const auto& t) { return t.get() == touch; });
    return it == touches_.end() ? -1 : it - touches_.begin();
}

void ZVKScrollView::makeCurrent(const std::shared_ptr<Touch>& touch) {
    currentTouch_ = touch;
}

Touch* ZVKScrollView::currentTouch() const {
    std::shared_ptr<Touch> touch = currentTouch_.lock();
    return touch && indexOfTouch(touch.get()) >= 0 ? touch.get() : nullptr;
}

void ZVKScrollView::touchesBegan(const TouchList& touches, const platform::Event&) {
    for (const auto& touch : touches) {
        if (indexOfTouch(touch.get()) >= 0) {
            continue;
        }
        makeCurrent(touch);
        touches_.push_back(touch);
        points_.push_back({ZVKPoint(touch->locationInView(this))});
    }
}

void ZVKScrollView::touchesMoved(const TouchList& touches, const platform::Event&) {
    bool recorded = false;
    for (const auto& touch : touches) {
        const std::ptrdiff_t index = indexOfTouch(touch.get());
        if (index < 0) {
            continue;
        }
        makeCurrent(touch);
        auto& path = points_[static_cast<std::size_t>(index)];
        if (!allowInfinityTouches_ && static_cast<std::int64_t>(path.size()) >= maxTouches_) {
            return;
        }
        path.emplace_back(touch->locationInView(this));
        recorded = true;
    }
    if (!recorded) {
        return;
    }
    if (trackingEnabled() && zoomEnabled_) {
        checkZoom();
    }
    if (trackingEnabled() && scrollEnabled_) {
        checkScroll();
    }
    if (!trackingEnabled() && !sendMessagesAfterReleasingOnly_) {
        checkTouches();
    }
}

void ZVKScrollView::touchesEnded(const TouchList& touches, const platform::Event&) {
    TouchList ended;
    for (const auto& touch : touches) {
        if (indexOfTouch(touch.get()) >= 0) {
            ended.push_back(touch);
            makeCurrent(touch);
        }
    }
    if (ended.empty()) {
        return;
    }
    checkClick();
    if (trackingEnabled() && zoomEnabled_) {
        checkZoom();
    }
    if (trackingEnabled() && scrollEnabled_) {
        checkScroll();
    }
    if (!trackingEnabled()) {
        touchFinished_ = true;
        checkTouches();
        touchFinished_ = false;
    }
    bounce();
    for (const auto& touch : ended) {
        makeCurrent(touch);
        const std::ptrdiff_t index = indexOfTouch(touch.get());
        if (index >= 0) {
            points_.erase(points_.begin() + index);
            touches_.erase(touches_.begin() + index);
        }
    }
}

void ZVKScrollView::touchesCancelled(const TouchList& touches, const platform::Event&) {
    for (const auto& touch : touches) {
        const std::ptrdiff_t index = indexOfTouch(touch.get());
        if (index < 0) {
            continue;
        }
        makeCurrent(touch);
        points_.erase(points_.begin() + index);
        touches_.erase(touches_.begin() + index);
    }
}

// MARK: gestures

bool ZVKScrollView::trackingEnabled() {
    if (trackingMode_ == TrackingMode::Always) {
        return true;
    }
    if (trackingMode_ != TrackingMode::Ask) {
        return false;
    }
    if (points_.empty()) {
        return true;
    }
    // A current finger that already lifted has no path to ask about: it is not tracked.
    Touch* current = currentTouch();
    if (current == nullptr || delegate_ == nullptr) {
        return false;
    }
    const std::vector<ZVKPoint> path = points_[static_cast<std::size_t>(indexOfTouch(current))];
    if (auto answer = delegate_->scrollViewShouldTrackTouchFromPoint(*this, translate(path.front()),
                                                                     translate(path.back()))) {
        return *answer;
    }
    if (auto answer = delegate_->scrollViewShouldTrackTouchAlongPoints(*this, translated(path))) {
        return *answer;
    }
    return false;
}

ZVKPoint ZVKScrollView::translate(const ZVKPoint& p) const {
    return ZVKPoint((p.x() - contentOffset_.x) / zoom_, (p.y() - contentOffset_.y) / zoom_);
}

std::vector<ZVKPoint> ZVKScrollView::translated(const std::vector<ZVKPoint>& path) const {
    std::vector<ZVKPoint> result;
    result.reserve(path.size());
    for (const ZVKPoint& p : path) {
        result.push_back(translate(p));
    }
    return result;
}

void ZVKScrollView::checkTouches() {
    if (delegate_ == nullptr || points_.empty()) {
        return;
    }
    const bool finished = touchFinished_;
    if (points_.size() == 1) {
        const std::vector<ZVKPoint> path = points_.front();
        if (!finished && path.size() >= 2) {
            delegate_->scrollViewWasIncrementTouchedFromPoint(
                *this, translate(path[path.size() - 2]), translate(path.back()));
        }
        if (delegate_ == nullptr) {
            return;
        }
        delegate_->scrollViewWasTouchedFromPoint(*this, translate(path.front()),
                                                 translate(path.back()), finished);
        if (delegate_ == nullptr) {
            return;
        }
        std::vector<ZVKPoint> along = translated(path);
        if (optimizeTouches_) {
            along = unionTouchPoints(along);
        }
        delegate_->scrollViewWasTouchedAlongPoints(*this, along, finished);
        return;
    }
    const std::vector<std::vector<ZVKPoint>> paths = points_;
    std::vector<ZVKPoint> firsts;
    std::vector<ZVKPoint> latests;
    for (const auto& path : paths) {
        firsts.push_back(translate(path.front()));
        latests.push_back(translate(path.back()));
    }
    delegate_->scrollViewWasMultiTouchedFromPoints(*this, firsts, latests, finished);
    if (delegate_ == nullptr) {
        return;
    }
    // Translated only now: the first message may have moved or zoomed the content, and each
    // message gets its points in the content's coordinates as they stand when it is sent.
    std::vector<std::vector<ZVKPoint>> along;
    for (const auto& path : paths) {
        along.push_back(translated(path));
    }
    delegate_->scrollViewWasMultiTouchedAlongPoints(*this, along, finished);
}

void ZVKScrollView::checkClick() {
    if (touches_.size() != 1) {
        return;
    }
    const std::vector<ZVKPoint>& path = points_.front();
    const float dx = path.back().x() - path.front().x();
    const float dy = path.back().y() - path.front().y();
    if (std::hypot(static_cast<double>(dx), static_cast<double>(dy)) > kClickDistance) {
        return;
    }
    const int taps = touches_.front()->tapCount();
    if (taps == 1) {
        const ZVKPoint point = path.back();
        RunLoop::main().performAfterDelay(this, kInternalClicked, kClickDelay,
                                          [this, point] { internalClicked(point); });
    } else if (taps == 2) {
        RunLoop::main().cancelPrevious(this, kInternalClicked);
        internalDoubleClicked();
    }
}

void ZVKScrollView::internalClicked(ZVKPoint point) {
    if (trackingEnabled()) {
        return;
    }
    if (delegate_ != nullptr) {
        delegate_->scrollViewWasClickedAtPoint(*this, translate(point));
    }
}

void ZVKScrollView::internalDoubleClicked() {
    if (trackingEnabled()) {
        zoom_ = 1.0f;
        contentOffset_ = {0.0f, 0.0f};
        adjustContent(trackingAnimated_);
        return;
    }
    if (delegate_ != nullptr && !points_.empty()) {
        delegate_->scrollViewWasDoubleClickedAtPoint(*this, translate(points_.front().back()));
    }
}

std::vector<ZVKPoint> ZVKScrollView::unionTouchPoints(const std::vector<ZVKPoint>& points) {
    std::vector<ZVKPoint> result;
    const std::size_t n = points.size();
    if (n == 0) {
        return result;
    }
    ZVKPoint anchor = points[0];
    result.push_back(anchor);
    std::size_t i = 1;
    while (i < n) {
        const ZVKPoint direction = points[i];
        std::size_t j = i + 1;
        while (j < n) {
            const ZVKPoint c = points[j];
            const float cax = c.x() - anchor.x();
            const float cay = c.y() - anchor.y();
            const float dax = direction.x() - anchor.x();
            const float day = direction.y() - anchor.y();
            const float lengthC = std::sqrt(cax * cax + cay * cay);
            const float lengthD = std::sqrt(dax * dax + day * day);
            const float s = (cax * day - cay * dax) / lengthC / lengthD;
            // A zero length makes s infinite or NaN: the comparison fails and the run ends.
            const double theta = std::fabs(std::asin(static_cast<double>(s)));
            if (!(theta < kUnionAngle)) {
                break;
            }
            ++j;
        }
        anchor = points[j - 1];
        result.push_back(anchor);
        i = j;
    }
    return result;
}

// MARK: content geometry

void ZVKScrollView::resizeContent(Size size) {
    contentSize_ = size;
    adjustContent(true);
    bounce();
}

void ZVKScrollView::changeZoomTo(float zoom, Point p) {
    const float z = zoom_;
    const float ky = (p.y - contentOffset_.y) / z;
    const float kx = (p.x - contentOffset_.x) / z;
    contentOffset_.x = contentOffset_.x + kx * (z - zoom);
    contentOffset_.y = contentOffset_.y + ky * (z - zoom);
    zoom_ = zoom;
}

void ZVKScrollView::checkScroll() {
    if (touches_.size() != 1 || points_.front().size() < 2) {
        return;
    }
    const auto& path = points_.front();
    const ZVKPoint& latest = path.back();
    const ZVKPoint& previous = path[path.size() - 2];
    contentOffset_.x += latest.x() - previous.x();
    contentOffset_.y += latest.y() - previous.y();
    adjustContent(false);
}

void ZVKScrollView::checkZoom() {
    if (touches_.size() != 2) {
        return;
    }
    Point latest[2];
    Point previous[2];
    for (std::size_t k = 0; k < 2; ++k) {
        const auto& path = points_[k];
        latest[k] = path.back().cgPoint();
        previous[k] = path.size() >= 2 ? path[path.size() - 2].cgPoint() : latest[k];
    }
    const auto distance = [](Point a, Point b) {
        const float dx = a.x - b.x;
        const float dy = a.y - b.y;
        return std::sqrt(dx * dx + dy * dy);
    };
    const float dPrev = distance(previous[0], previous[1]);
    const float dLast = distance(latest[0], latest[1]);
    if (dLast < kMinPinchDistance || dPrev < kMinPinchDistance) {
        return;
    }
    float zoom = dLast * zoom_ / dPrev;
    if (!allowAnyZoom_) {
        // Max first, then min: when the limits cross the minimum wins.
        zoom = static_cast<float>(
            std::max(std::min(static_cast<double>(zoom), static_cast<double>(maxZoom_)),
                     static_cast<double>(minZoom_)));
    }
    const Point center{(latest[0].x + latest[1].x) * 0.5f, (latest[0].y + latest[1].y) * 0.5f};
    changeZoomTo(zoom, center);
    adjustContent(false);
}

void ZVKScrollView::adjustContentFrame() {
    const float w = contentSize_.width;
    const float h = contentSize_.height;
    contentView_->setBounds(Rect(0.0f, 0.0f, w, h));
    contentView_->setCenter(
        {contentOffset_.x + zoom_ * w * 0.5f, contentOffset_.y + zoom_ * h * 0.5f});
    contentView_->setTransform(platform::AffineTransform::makeScale(zoom_, zoom_));
    if (forceDisplay_) {
        contentView_->setNeedsDisplay();
    }
}

void ZVKScrollView::adjustOffsetAndZoom() {
    const float w = contentSize_.width;
    const float h = contentSize_.height;
    if (!allowAnyZoom_) {
        const Point center{contentOffset_.x + zoom_ * w * 0.5f,
                           contentOffset_.y + zoom_ * h * 0.5f};
        if (zoom_ < minZoom_) {
            changeZoomTo(minZoom_, center);
        }
        if (zoom_ > maxZoom_) {
            changeZoomTo(maxZoom_, center);
        }
    }
    if (allowEmptyContent_) {
        return;
    }
    const Size frameSize = frame().size;
    Point& o = contentOffset_;
    if (o.x > 0.0f) {
        o.x = 0.0f;
    }
    if (o.x < frameSize.width - w * zoom_) {
        o.x = frameSize.width - w * zoom_;
    }
    if (o.y > 0.0f) {
        o.y = 0.0f;
    }
    if (o.y < frameSize.height - h * zoom_) {
        o.y = frameSize.height - h * zoom_;
    }
    if (h * zoom_ < frameSize.height) {
        o.y = (frameSize.height - h * zoom_) * 0.5f;
    }
    if (w * zoom_ < frameSize.width) {
        o.x = (frameSize.width - w * zoom_) * 0.5f;
    }
}

void ZVKScrollView::adjustContent(bool animated) {
    if (!bouncingEnabled_) {
        adjustOffsetAndZoom();
    }
    const std::string id = adjustContentId();
    if (animated) {
        platform::Animation::beginAnimations(id);
        platform::Animation::setAnimationDelegate(this);
    }
    setUserInteractionEnabled(false);
    adjustContentFrame();
    if (animated) {
        platform::Animation::commitAnimations();
    } else {
        animationDidStop(id, true, nullptr);
    }
}

void ZVKScrollView::bounce() {
    setUserInteractionEnabled(false);
    const std::string id = bounceId();
    if (!trackingEnabled() || !bouncingEnabled_) {
        animationDidStop(id, true, nullptr);
    }
    adjustOffsetAndZoom();
    platform::Animation::beginAnimations(id);
    platform::Animation::setAnimationDelegate(this);
    adjustContentFrame();
    platform::Animation::commitAnimations();
}

void ZVKScrollView::animationDidStop(const std::string& animationId, bool, void*) {
    if (animationId == adjustContentId()) {
        setUserInteractionEnabled(true);
        if (delegate_ != nullptr) {
            delegate_->scrollViewDidAjustedContent(*this);
        }
    } else if (animationId == bounceId()) {
        setUserInteractionEnabled(true);
        if (delegate_ != nullptr) {
            delegate_->scrollViewDidFinishedTouchAndBounce(*this);
        }
    }
}

// MARK: subview forwarding

const std::vector<std::shared_ptr<platform::View>>& ZVKScrollView::subviews() const {
    return contentView_->subviews();
}
void ZVKScrollView::addSubview(std::shared_ptr<platform::View> view) {
    contentView_->addSubview(std::move(view));
}
void ZVKScrollView::insertSubview(std::shared_ptr<platform::View> view, std::ptrdiff_t index) {
    contentView_->insertSubview(std::move(view), index);
}
void ZVKScrollView::insertSubviewAbove(std::shared_ptr<platform::View> view,
                                       const platform::View* sibling) {
    contentView_->insertSubviewAbove(std::move(view), sibling);
}
void ZVKScrollView::insertSubviewBelow(std::shared_ptr<platform::View> view,
                                       const platform::View* sibling) {
    contentView_->insertSubviewBelow(std::move(view), sibling);
}
void ZVKScrollView::bringSubviewToFront(const platform::View* view) {
    contentView_->bringSubviewToFront(view);
}
void ZVKScrollView::sendSubviewToBack(const platform::View* view) {
    contentView_->sendSubviewToBack(view);
}
void ZVKScrollView::exchangeSubviewAtIndex(std::ptrdiff_t index1, std::ptrdiff_t index2) {
    contentView_->exchangeSubviewAtIndex(index1, index2);
}
