#pragma once

#include "ZevkoCore/ZVKPoint.h"

#include <optional>
#include <vector>

class ZVKScrollView;

// Messages of the touch surface. Every one is optional: the defaults do nothing, and
// the two should-track queries answer "not implemented" (std::nullopt), which the
// surface can tell apart from an answer. Points are in content coordinates.
class ZVKScrollViewDelegate {
public:
    virtual ~ZVKScrollViewDelegate() = default;

    virtual std::optional<bool> scrollViewShouldTrackTouchFromPoint(ZVKScrollView& view,
                                                                    const ZVKPoint& from,
                                                                    const ZVKPoint& to) {
        (void)view, (void)from, (void)to;
        return std::nullopt;
    }
    virtual std::optional<bool>
    scrollViewShouldTrackTouchAlongPoints(ZVKScrollView& view,
                                          const std::vector<ZVKPoint>& points) {
        (void)view, (void)points;
        return std::nullopt;
    }
    virtual void scrollViewWasIncrementTouchedFromPoint(ZVKScrollView& view, const ZVKPoint& from,
                                                        const ZVKPoint& to) {
        (void)view, (void)from, (void)to;
    }
    virtual void scrollViewWasTouchedFromPoint(ZVKScrollView& view, const ZVKPoint& from,
                                               const ZVKPoint& to, bool finished) {
        (void)view, (void)from, (void)to, (void)finished;
    }
    virtual void scrollViewWasTouchedAlongPoints(ZVKScrollView& view,
                                                 const std::vector<ZVKPoint>& points,
                                                 bool finished) {
        (void)view, (void)points, (void)finished;
    }
    virtual void scrollViewWasMultiTouchedFromPoints(ZVKScrollView& view,
                                                     const std::vector<ZVKPoint>& from,
                                                     const std::vector<ZVKPoint>& to,
                                                     bool finished) {
        (void)view, (void)from, (void)to, (void)finished;
    }
    virtual void scrollViewWasMultiTouchedAlongPoints(
        ZVKScrollView& view, const std::vector<std::vector<ZVKPoint>>& paths, bool finished) {
        (void)view, (void)paths, (void)finished;
    }
    virtual void scrollViewWasClickedAtPoint(ZVKScrollView& view, const ZVKPoint& point) {
        (void)view, (void)point;
    }
    virtual void scrollViewWasDoubleClickedAtPoint(ZVKScrollView& view, const ZVKPoint& point) {
        (void)view, (void)point;
    }
    virtual void scrollViewDidAjustedContent(ZVKScrollView& view) { (void)view; }
    virtual void scrollViewDidFinishedTouchAndBounce(ZVKScrollView& view) { (void)view; }
};
