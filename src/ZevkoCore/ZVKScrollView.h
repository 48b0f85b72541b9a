#pragma once

#include "ZevkoCore/ZVKPoint.h"
#include "ZevkoCore/ZVKScrollViewDelegate.h"
#include "platform/ui/Animation.h"
#include "platform/ui/View.h"

#include <cstdint>
#include <memory>
#include <vector>

// The touch surface: a view with one content view that records every finger's path
// and either pans and zooms the content itself ("tracking") or reports the gesture to
// its delegate as clicks and strokes, in content coordinates.
class ZVKScrollView : public platform::View, private platform::AnimationDelegate {
public:
    // Whether a gesture pans and zooms the content or reaches the delegate: never tracked,
    // always tracked, or the delegate decides touch by touch. Any other number behaves as
    // Never.
    enum class TrackingMode : std::int32_t { Never = 0, Always = 1, Ask = 2 };

    static constexpr double kClickDelay = 0.3;
    static constexpr double kClickDistance = 10.0;
    static constexpr float kMinPinchDistance = 10.0f;

    explicit ZVKScrollView(platform::Rect frame);
    ZVKScrollView(platform::Rect frame, platform::Size contentSize);
    ~ZVKScrollView() override;

    // Read-only geometry of the content.
    platform::Point contentOffset() const { return contentOffset_; }
    float zoom() const { return zoom_; }
    platform::Size contentSize() const { return contentSize_; }
    platform::View& contentView() const { return *contentView_; }

    ZVKScrollViewDelegate* delegate() const { return delegate_; }
    void setDelegate(ZVKScrollViewDelegate* delegate) { delegate_ = delegate; }

    bool zoomEnabled() const { return zoomEnabled_; }
    void setZoomEnabled(bool v) { zoomEnabled_ = v; }
    bool scrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool v) { scrollEnabled_ = v; }
    bool trackingAnimated() const { return trackingAnimated_; }
    void setTrackingAnimated(bool v) { trackingAnimated_ = v; }
    bool bouncingEnabled() const { return bouncingEnabled_; }
    void setBouncingEnabled(bool v) { bouncingEnabled_ = v; }
    TrackingMode trackingMode() const { return trackingMode_; }
    void setTrackingMode(TrackingMode mode) { trackingMode_ = mode; }
    bool optimizeTouches() const { return optimizeTouches_; }
    void setOptimizeTouches(bool v) { optimizeTouches_ = v; }
    bool forceDisplay() const { return forceDisplay_; }
    void setForceDisplay(bool v) { forceDisplay_ = v; }
    std::int32_t maxTouches() const { return maxTouches_; }
    void setMaxTouches(std::int32_t v) { maxTouches_ = v; }
    bool allowInfinityTouches() const { return allowInfinityTouches_; }
    void setAllowInfinityTouches(bool v) { allowInfinityTouches_ = v; }
    bool sendMessagesAfterReleasingOnly() const { return sendMessagesAfterReleasingOnly_; }
    void setSendMessagesAfterReleasingOnly(bool v) { sendMessagesAfterReleasingOnly_ = v; }
    bool allowEmptyContent() const { return allowEmptyContent_; }
    void setAllowEmptyContent(bool v) { allowEmptyContent_ = v; }
    float minZoom() const { return minZoom_; }
    void setMinZoom(float v) { minZoom_ = v; }
    float maxZoom() const { return maxZoom_; }
    void setMaxZoom(float v) { maxZoom_ = v; }
    bool allowAnyZoom() const { return allowAnyZoom_; }
    void setAllowAnyZoom(bool v) { allowAnyZoom_ = v; }
    bool touchFinished() const { return touchFinished_; }

    // The active fingers in the order they came down and their recorded paths (view
    // coordinates), index for index.
    const platform::TouchList& touches() const { return touches_; }
    const std::vector<std::vector<ZVKPoint>>& points() const { return points_; }
    // The touch handled last, while it is still active; nullptr otherwise.
    platform::Touch* currentTouch() const;

    // Touch phases.
    void touchesBegan(const platform::TouchList& touches, const platform::Event& event) override;
    void touchesMoved(const platform::TouchList& touches, const platform::Event& event) override;
    void touchesEnded(const platform::TouchList& touches, const platform::Event& event) override;
    void touchesCancelled(const platform::TouchList& touches,
                          const platform::Event& event) override;

    // Gesture logic.
    bool trackingEnabled();
    void checkTouches();
    void checkClick();
    void internalClicked(ZVKPoint point);
    void internalDoubleClicked();
    ZVKPoint translate(const ZVKPoint& point) const;
    static std::vector<ZVKPoint> unionTouchPoints(const std::vector<ZVKPoint>& points);

    // Content geometry.
    void resizeContent(platform::Size size);
    void changeZoomTo(float zoom, platform::Point aroundPoint);
    void checkScroll();
    void checkZoom();
    void adjustContentFrame();
    void adjustOffsetAndZoom();
    void adjustContent(bool animated);
    void bounce();
    void animationDidStop(const std::string& animationId, bool finished, void* context) override;

    // The subview operations reach the content view, so what a client adds pans and
    // zooms with it.
    const std::vector<std::shared_ptr<platform::View>>& subviews() const override;
    void addSubview(std::shared_ptr<platform::View> view) override;
    void insertSubview(std::shared_ptr<platform::View> view, std::ptrdiff_t index) override;
    void insertSubviewAbove(std::shared_ptr<platform::View> view,
                            const platform::View* sibling) override;
    void insertSubviewBelow(std::shared_ptr<platform::View> view,
                            const platform::View* sibling) override;
    void bringSubviewToFront(const platform::View* view) override;
    void sendSubviewToBack(const platform::View* view) override;
    void exchangeSubviewAtIndex(std::ptrdiff_t index1, std::ptrdiff_t index2) override;

private:
    std::ptrdiff_t indexOfTouch(const platform::Touch* touch) const;
    void makeCurrent(const std::shared_ptr<platform::Touch>& touch);
    std::vector<ZVKPoint> translated(const std::vector<ZVKPoint>& path) const;
    std::string adjustContentId() const { return description() + ":adjustContent"; }
    std::string bounceId() const { return description() + ":bounce"; }

    platform::Point contentOffset_;
    float zoom_ = 1.0f;
    bool zoomEnabled_ = true;
    bool scrollEnabled_ = true;
    bool trackingAnimated_ = true;
    bool bouncingEnabled_ = true;
    TrackingMode trackingMode_ = TrackingMode::Always;
    std::shared_ptr<platform::View> contentView_;
    platform::Size contentSize_;
    ZVKScrollViewDelegate* delegate_ = nullptr; // not owned
    bool optimizeTouches_ = false;
    bool forceDisplay_ = false;
    platform::TouchList touches_;
    std::vector<std::vector<ZVKPoint>> points_;
    std::int32_t maxTouches_ = 100;
    bool allowInfinityTouches_ = false;
    bool sendMessagesAfterReleasingOnly_ = true;
    bool allowEmptyContent_ = false;
    float minZoom_ = 0.5f;
    float maxZoom_ = 2.0f;
    bool allowAnyZoom_ = false;
    bool touchFinished_ = false;
    // Not owned: only compared with the active touches, never followed once it ended.
    std::weak_ptr<platform::Touch> currentTouch_;
};
