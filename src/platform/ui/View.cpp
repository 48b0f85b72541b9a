#include "platform/ui/View.h"

#include "platform/base/RunLoop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

namespace platform {

namespace {

float lerp(float a, float b, float k) {
    return a + (b - a) * k;
}
// clang reports these three as unused although `presented` below calls them.
[[maybe_unused]] Point lerp(Point a, Point b, float k) {
    return {lerp(a.x, b.x, k), lerp(a.y, b.y, k)};
}
[[maybe_unused]] Rect lerp(const Rect& a, const Rect& b, float k) {
    return {lerp(a.x(), b.x(), k), lerp(a.y(), b.y(), k), lerp(a.width(), b.width(), k),
            lerp(a.height(), b.height(), k)};
}
// Component-wise: exact for the scales and translations views animate; a turn shows
// as a straight move of the corners rather than a rotation.
[[maybe_unused]] AffineTransform lerp(const AffineTransform& a, const AffineTransform& b, float k) {
    return {lerp(a.a, b.a, k), lerp(a.b, b.b, k),   lerp(a.c, b.c, k),
            lerp(a.d, b.d, k), lerp(a.tx, b.tx, k), lerp(a.ty, b.ty, k)};
}

template <typename Track, typename T>
T presented(const std::optional<Track>& track, const T& model, double now) {
    if (!track) {
        return model;
    }
    const float k = track->block->progress(now);
    return k >= 1.0f ? model : lerp(track->from, model, k);
}

Rect frameOf(Point center, const Rect& bounds, const AffineTransform& t) {
    const float hw = bounds.width() * 0.5f;
    const float hh = bounds.height() * 0.5f;
    if (t.isIdentity()) {
        return {center.x - hw, center.y - hh, bounds.width(), bounds.height()};
    }
    const Point corners[4] = {t.apply({-hw, -hh}), t.apply({hw, -hh}), t.apply({-hw, hh}),
                              t.apply({hw, hh})};
    float minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const Point& p : corners) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return {center.x + minX, center.y + minY, maxX - minX, maxY - minY};
}

bool visibleAndInteractive(const View& view) {
    return !view.isHidden() && view.isUserInteractionEnabled() && view.alpha() > 0.01f;
}

} // namespace

Rect ViewPresentation::frame() const {
    return frameOf(center, bounds, transform);
}

View::View(Rect frame)
    : center_{frame.x() + frame.width() * 0.5f, frame.y() + frame.height() * 0.5f},
      bounds_(0.0f, 0.0f, frame.width(), frame.height()) {}

View::~View() {
    for (const auto& child : children_) {
        child->superview_ = nullptr;
    }
}

template <typename T> void View::animate(std::optional<Track<T>>& track, const T& shown) {
    std::shared_ptr<AnimationBlock> block = Animation::openBlock();
    if (track && track->block != block && track->block->progress(RunLoop::main().now()) < 1.0f) {
        track->block->interrupted = true;
    }
    if (!block) {
        track.reset();
    } else if (!track || track->block != block) {
        track = Track<T>{shown, std::move(block)};
    }
}

Rect View::frame() const {
    return frameOf(center_, bounds_, transform_);
}

void View::setFrame(Rect frame) {
    setCenter({frame.x() + frame.width() * 0.5f, frame.y() + frame.height() * 0.5f});
    setBounds({bounds_.x(), bounds_.y(), frame.width(), frame.height()});
}

void View::setBounds(Rect bounds) {
    animate(boundsTrack_, presentation().bounds);
    bounds_ = bounds;
}

void View::setCenter(Point center) {
    animate(centerTrack_, presentation().center);
    center_ = center;
}

void View::setTransform(const AffineTransform& transform) {
    animate(transformTrack_, presentation().transform);
    transform_ = transform;
}

void View::setAlpha(float alpha) {
    animate(alphaTrack_, presentation().alpha);
    alpha_ = std::clamp(alpha, 0.0f, 1.0f);
}

ViewPresentation View::presentation() const {
    const double now = RunLoop::main().now();
    return {presented(centerTrack_, center_, now), presented(boundsTrack_, bounds_, now),
            presented(transformTrack_, transform_, now), presented(alphaTrack_, alpha_, now)};
}

std::string View::description() const {
    if (!description_.empty()) {
        return description_;
    }
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled != nullptr ? demangled : mangled;
    std::free(demangled);
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    description_ = "<" + name + ": " + address + ">";
    return description_;
}

std::ptrdiff_t View::indexOf(const View* view) const {
    const auto it = std::find_if(children_.begin(), children_.end(),
                                 [view](const auto& child) { return child.get() == view; });
    return it == children_.end() ? -1 : it - children_.begin();
}

std::shared_ptr<View> View::detach(View* view) {
    View* parent = view->superview_;
    if (parent == nullptr) {
        return nullptr;
    }
    const std::ptrdiff_t index = parent->indexOf(view);
    std::shared_ptr<View> held = std::move(parent->children_[static_cast<std::size_t>(index)]);
    parent->children_.erase(parent->children_.begin() + index);
    view->superview_ = nullptr;
    return held;
}

void View::insertSubview(std::shared_ptr<View> view, std::ptrdiff_t index) {
    insertChild(std::move(view), index);
}

void View::insertChild(std::shared_ptr<View> view, std::ptrdiff_t index) {
    // Adding a view to itself or to one of its own descendants would make a cycle.
    if (!view || view.get() == this || isDescendantOfView(view.get())) {
        return;
    }
    const bool moved = view->superview_ != this;
    detach(view.get());
    index = std::clamp<std::ptrdiff_t>(index, 0, static_cast<std::ptrdiff_t>(children_.size()));
    view->superview_ = this;
    View* added = view.get();
    children_.insert(children_.begin() + index, std::move(view));
    if (moved) {
        added->didMoveToSuperview();
    }
}

void View::addSubview(std::shared_ptr<View> view) {
    insertChild(std::move(view), static_cast<std::ptrdiff_t>(children_.size()));
}

void View::insertSubviewAbove(std::shared_ptr<View> view, const View* sibling) {
    if (sibling == view.get() || indexOf(sibling) < 0) {
        return;
    }
    std::shared_ptr<View> keep = view;
    detach(keep.get());
    insertChild(std::move(keep), indexOf(sibling) + 1);
}

void View::insertSubviewBelow(std::shared_ptr<View> view, const View* sibling) {
    if (sibling == view.get() || indexOf(sibling) < 0) {
        return;
    }
    std::shared_ptr<View> keep = view;
    detach(keep.get());
    insertChild(std::move(keep), indexOf(sibling));
}

void View::bringSubviewToFront(const View* view) {
    const std::ptrdiff_t index = indexOf(view);
    if (index >= 0) {
        std::rotate(children_.begin() + index, children_.begin() + index + 1, children_.end());
    }
}

void View::sendSubviewToBack(const View* view) {
    const std::ptrdiff_t index = indexOf(view);
    if (index >= 0) {
        std::rotate(children_.begin(), children_.begin() + index, children_.begin() + index + 1);
    }
}

void View::exchangeSubviewAtIndex(std::ptrdiff_t index1, std::ptrdiff_t index2) {
    const auto count = static_cast<std::ptrdiff_t>(children_.size());
    if (index1 < 0 || index2 < 0 || index1 >= count || index2 >= count) {
        return;
    }
    std::swap(children_[static_cast<std::size_t>(index1)],
              children_[static_cast<std::size_t>(index2)]);
}

void View::removeFromSuperview() {
    // Keeps this view alive until the hook has run; it may be the last reference.
    std::shared_ptr<View> self = detach(this);
    if (self) {
        self->didMoveToSuperview();
    }
}

Window* View::window() const {
    return superview_ != nullptr ? superview_->window() : nullptr;
}

bool View::isDescendantOfView(const View* view) const {
    for (const View* v = this; v != nullptr; v = v->superview_) {
        if (v == view) {
            return true;
        }
    }
    return false;
}

bool View::receivesTouches() const {
    for (const View* v = this; v != nullptr; v = v->superview_) {
        if (!visibleAndInteractive(*v)) {
            return false;
        }
    }
    return true;
}

Point View::pointToSuperview(Point p) const {
    const Point local{p.x - (bounds_.x() + bounds_.width() * 0.5f),
                      p.y - (bounds_.y() + bounds_.height() * 0.5f)};
    const Point turned = transform_.apply(local);
    return {turned.x + center_.x, turned.y + center_.y};
}

Point View::pointFromSuperview(Point p) const {
    const Point local = transform_.inverted().apply({p.x - center_.x, p.y - center_.y});
    return {local.x + bounds_.x() + bounds_.width() * 0.5f,
            local.y + bounds_.y() + bounds_.height() * 0.5f};
}

Point View::convertPointToView(Point point, const View* view) const {
    const View* root = this;
    while (root->superview_ != nullptr) {
        point = root->pointToSuperview(point);
        root = root->superview_;
    }
    return view != nullptr ? view->convertPointFromView(point, nullptr) : point;
}

Point View::convertPointFromView(Point point, const View* view) const {
    if (view != nullptr) {
        point = view->convertPointToView(point, nullptr);
    }
    std::vector<const View*> chain;
    for (const View* v = this; v->superview_ != nullptr; v = v->superview_) {
        chain.push_back(v);
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        point = (*it)->pointFromSuperview(point);
    }
    return point;
}

bool View::pointInside(Point p) const {
    return p.x >= bounds_.x() && p.y >= bounds_.y() && p.x < bounds_.x() + bounds_.width() &&
           p.y < bounds_.y() + bounds_.height();
}

View* View::hitTest(Point point) {
    if (!visibleAndInteractive(*this)) {
        return nullptr;
    }
    const bool inside = pointInside(point);
    if (clipsToBounds_ && !inside) {
        return nullptr;
    }
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        if (View* hit = (*it)->hitTest((*it)->pointFromSuperview(point))) {
            return hit;
        }
    }
    return inside ? this : nullptr;
}

void View::touchesBegan(const TouchList& touches, const Event& event) {
    if (superview_ != nullptr) {
        superview_->touchesBegan(touches, event);
    }
}

void View::touchesMoved(const TouchList& touches, const Event& event) {
    if (superview_ != nullptr) {
        superview_->touchesMoved(touches, event);
    }
}

void View::touchesEnded(const TouchList& touches, const Event& event) {
    if (superview_ != nullptr) {
        superview_->touchesEnded(touches, event);
    }
}

void View::touchesCancelled(const TouchList& touches, const Event& event) {
    if (superview_ != nullptr) {
        superview_->touchesCancelled(touches, event);
    }
}

} // namespace platform
