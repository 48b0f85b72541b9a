#pragma once

#include "platform/base/AffineTransform.h"
#include "platform/base/Color.h"
#include "platform/base/Geometry.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Touch.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class Painter;
class Window;

// What the compositor shows of a view at a moment: the animated values on the way to
// the view's own (model) values.
struct ViewPresentation {
    Point center;
    Rect bounds;
    AffineTransform transform;
    float alpha = 1.0f;
    Rect frame() const;
};

// A rectangle on screen with subviews, geometry, visibility and touch handling.
// Views are shared: the tree holds its subviews and controllers may hold them too;
// the superview is a plain back reference. Setters of frame, bounds, center,
// transform and alpha inside an animation block animate; the getters always answer
// the value that was set.
class View : public std::enable_shared_from_this<View> {
public:
    explicit View(Rect frame = {});
    View(const View&) = delete;
    View& operator=(const View&) = delete;
    virtual ~View();

    // Geometry. The frame is the bounding box, in the superview, of the bounds
    // turned by the transform about the center.
    Rect frame() const;
    void setFrame(Rect frame);
    Rect bounds() const { return bounds_; }
    void setBounds(Rect bounds);
    Point center() const { return center_; }
    void setCenter(Point center);
    AffineTransform transform() const { return transform_; }
    void setTransform(const AffineTransform& transform);
    float alpha() const { return alpha_; }
    void setAlpha(float alpha);
    ViewPresentation presentation() const;

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips) { clipsToBounds_ = clips; }
    std::optional<Color> backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> color) { backgroundColor_ = color; }
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    bool isMultipleTouchEnabled() const { return multipleTouchEnabled_; }
    void setMultipleTouchEnabled(bool enabled) { multipleTouchEnabled_ = enabled; }

    // Asks the compositor to draw the view's own content again. Every call counts up the
    // content's version, so any number of compositors can each tell what they have not
    // drawn yet.
    void setNeedsDisplay() { ++displayVersion_; }
    std::uint64_t displayVersion() const { return displayVersion_; }

    // A text naming this instance, stable for its whole life: the class it had when
    // first asked, and its address.
    std::string description() const;

    // The subview operations. Subviews are ordered back to front. Virtual so that a
    // container can hand them on to an inner view; hit testing and drawing always
    // walk the real tree (children()).
    virtual const std::vector<std::shared_ptr<View>>& subviews() const { return children_; }
    // Adds at the front; a view that is already a subview moves to the front.
    virtual void addSubview(std::shared_ptr<View> view);
    virtual void insertSubview(std::shared_ptr<View> view, std::ptrdiff_t index);
    virtual void insertSubviewAbove(std::shared_ptr<View> view, const View* sibling);
    virtual void insertSubviewBelow(std::shared_ptr<View> view, const View* sibling);
    virtual void bringSubviewToFront(const View* view);
    virtual void sendSubviewToBack(const View* view);
    virtual void exchangeSubviewAtIndex(std::ptrdiff_t index1, std::ptrdiff_t index2);
    void removeFromSuperview();

    const std::vector<std::shared_ptr<View>>& children() const { return children_; }
    View* superview() const { return superview_; }
    virtual Window* window() const;
    bool isDescendantOfView(const View* view) const;
    // Whether this view and all its ancestors accept touches and are visible.
    bool receivesTouches() const;

    // Coordinates. A null view means window coordinates.
    Point convertPointToView(Point point, const View* view) const;
    Point convertPointFromView(Point point, const View* view) const;
    // Maps a point of this view's bounds into the superview's coordinates and back.
    Point pointToSuperview(Point point) const;
    Point pointFromSuperview(Point point) const;

    // The deepest visible, interactive view under `point` (this view's coordinates).
    // Hidden views, views with alpha ≤ 0.01 and views with interaction off hide their
    // whole subtree; a view that clips hides the parts of subviews outside its bounds.
    virtual View* hitTest(Point point);
    virtual bool pointInside(Point point) const;

    // The four touch phases. By default a view hands the touches on to its superview.
    virtual void touchesBegan(const TouchList& touches, const Event& event);
    virtual void touchesMoved(const TouchList& touches, const Event& event);
    virtual void touchesEnded(const TouchList& touches, const Event& event);
    virtual void touchesCancelled(const TouchList& touches, const Event& event);

    // Draws the view's own content over its background, in its bounds' coordinates,
    // with the painter. Subviews are drawn afterwards, on top.
    virtual void drawContent(Painter& painter) { (void)painter; }
    // Called by the compositor before it draws the view and looks at its subviews: a view
    // whose subviews follow state they are not told about brings them up to date here, so
    // that nothing changes while the screen is being drawn.
    virtual void layoutForDisplay() {}

protected:
    // Called after the view was added to or removed from a superview.
    virtual void didMoveToSuperview() {}

private:
    // Always made whole (`Track<T>{from, block}`): clang 19 leaves a default member
    // initializer here unemitted and the program does not link.
    template <typename T> struct Track {
        T from;
        std::shared_ptr<AnimationBlock> block;
    };
    template <typename T> void animate(std::optional<Track<T>>& track, const T& presented);
    static std::shared_ptr<View> detach(View* view);
    // The subview operations' common step; not virtual, so a container's overrides
    // never redirect the base class's own work.
    void insertChild(std::shared_ptr<View> view, std::ptrdiff_t index);
    std::ptrdiff_t indexOf(const View* view) const;

    Point center_;
    Rect bounds_;
    AffineTransform transform_;
    float alpha_ = 1.0f;
    std::optional<Track<Point>> centerTrack_;
    std::optional<Track<Rect>> boundsTrack_;
    std::optional<Track<AffineTransform>> transformTrack_;
    std::optional<Track<float>> alphaTrack_;

    bool hidden_ = false;
    bool clipsToBounds_ = false;
    bool userInteractionEnabled_ = true;
    bool multipleTouchEnabled_ = false;
    std::uint64_t displayVersion_ = 0;
    std::optional<Color> backgroundColor_;
    mutable std::string description_;

    std::vector<std::shared_ptr<View>> children_;
    View* superview_ = nullptr; // back reference; the superview owns this view
};

} // namespace platform
