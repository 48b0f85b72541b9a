#include "platform/ui/View.h"

#include "platform/base/RunLoop.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

using platform::AffineTransform;
using platform::Point;
using platform::Rect;
using platform::View;

std::shared_ptr<View> makeView(Rect frame) {
    return std::make_shared<View>(frame);
}

void expectNear(Point p, float x, float y) {
    EXPECT_NEAR(p.x, x, 1e-4f);
    EXPECT_NEAR(p.y, y, 1e-4f);
}

TEST(View, FrameFollowsCenterBoundsAndTransformAndTheDescriptionIsPerInstance) {
    auto view = makeView({10, 20, 100, 50});
    EXPECT_EQ(view->center(), (Point{60, 45}));
    EXPECT_EQ(view->bounds(), Rect(0, 0, 100, 50));

    view->setTransform(AffineTransform::makeScale(2, 2));
    EXPECT_EQ(view->frame(), Rect(-40, -5, 200, 100));
    EXPECT_EQ(view->bounds(), Rect(0, 0, 100, 50)) << "a transform leaves the bounds alone";

    view->setTransform(AffineTransform::makeRotation(static_cast<float>(std::numbers::pi / 2)));
    const Rect turned = view->frame();
    EXPECT_NEAR(turned.width(), 50, 1e-3);
    EXPECT_NEAR(turned.height(), 100, 1e-3);
    EXPECT_NEAR(turned.x(), 35, 1e-3);

    view->setTransform({});
    view->setFrame({0, 0, 30, 40});
    EXPECT_EQ(view->center(), (Point{15, 20}));
    view->setBounds({5, -20, 30, 40});
    EXPECT_EQ(view->frame(), Rect(0, 0, 30, 40)) << "the bounds origin does not move the frame";

    // The description names the class and differs per instance.
    EXPECT_TRUE(view->description().starts_with("<platform::View: ")) << view->description();
    EXPECT_NE(view->description(), makeView({})->description());
}

TEST(View, SubviewOperationsKeepOrderAndOwnership) {
    auto parent = makeView({0, 0, 100, 100});
    auto a = makeView({}), b = makeView({}), c = makeView({}), d = makeView({});
    parent->addSubview(a);
    parent->addSubview(b);
    parent->addSubview(c);
    const auto order = [&] {
        std::string s;
        for (const auto& v : parent->subviews()) {
            s += v == a ? 'a' : v == b ? 'b' : v == c ? 'c' : v == d ? 'd' : '?';
        }
        return s;
    };
    EXPECT_EQ(order(), "abc");
    EXPECT_EQ(a->superview(), parent.get());

    parent->addSubview(a);
    EXPECT_EQ(order(), "bca") << "adding an existing subview brings it to the front";
    parent->insertSubview(d, 1);
    EXPECT_EQ(order(), "bdca");
    parent->insertSubview(d, 99);
    EXPECT_EQ(order(), "bcad") << "an index past the end means the front";
    parent->insertSubviewBelow(d, b.get());
    EXPECT_EQ(order(), "dbca");
    parent->insertSubviewAbove(d, c.get());
    EXPECT_EQ(order(), "bcda");
    parent->bringSubviewToFront(b.get());
    EXPECT_EQ(order(), "cdab");
    parent->sendSubviewToBack(a.get());
    EXPECT_EQ(order(), "acdb");
    parent->exchangeSubviewAtIndex(0, 3);
    EXPECT_EQ(order(), "bcda");
    parent->exchangeSubviewAtIndex(0, 4);
    parent->exchangeSubviewAtIndex(-1, 0);
    EXPECT_EQ(order(), "bcda") << "indexes out of range change nothing";

    // Moving a view to another parent takes it out of the first.
    auto other = makeView({});
    other->addSubview(c);
    EXPECT_EQ(order(), "bda");
    EXPECT_EQ(c->superview(), other.get());

    // A view can not become its own ancestor.
    c->addSubview(other);
    EXPECT_EQ(other->superview(), nullptr);
    c->addSubview(c);
    EXPECT_TRUE(c->subviews().empty());

    std::weak_ptr<View> weak = d;
    d.reset();
    ASSERT_FALSE(weak.expired()) << "the tree keeps its subviews alive";
    weak.lock()->removeFromSuperview();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(order(), "ba");
}

TEST(View, ConvertsPointsThroughBoundsOriginsAndTransforms) {
    auto root = makeView({0, 0, 320, 480});
    auto rotated = makeView({0, 20, 320, 460});
    rotated->setBounds({0, -20, 320, 460});
    rotated->setTransform(AffineTransform::makeRotation(static_cast<float>(std::numbers::pi)));
    auto inner = makeView({10, 10, 50, 50});
    root->addSubview(rotated);
    rotated->addSubview(inner);

    // The rotated view's centre (160, 250) maps to its bounds centre (160, 210).
    expectNear(rotated->convertPointFromView({160, 250}, nullptr), 160, 210);
    // Turned by π: the window's top-left lies at the bounds' bottom-right.
    expectNear(rotated->convertPointFromView({0, 20}, root.get()), 320, 440);
    const Point p = inner->convertPointToView({5, 7}, nullptr);
    expectNear(inner->convertPointFromView(p, nullptr), 5, 7);
    expectNear(inner->convertPointToView({0, 0}, rotated.get()), 10, 10);
}

TEST(View, HitTestSkipsHiddenTransparentDisabledAndClippedViews) {
    auto root = makeView({0, 0, 320, 480});
    auto back = makeView({0, 0, 320, 480});
    auto front = makeView({0, 0, 100, 100});
    auto child = makeView({50, 50, 100, 100}); // half outside `front`
    root->addSubview(back);
    root->addSubview(front);
    front->addSubview(child);

    EXPECT_EQ(root->hitTest({60, 60}), child.get());
    EXPECT_EQ(root->hitTest({120, 120}), child.get()) << "without clipping overflow is hit";
    EXPECT_EQ(root->hitTest({20, 20}), front.get());
    front->setClipsToBounds(true);
    EXPECT_EQ(root->hitTest({120, 120}), back.get());
    EXPECT_EQ(root->hitTest({60, 60}), child.get());

    child->setHidden(true);
    EXPECT_EQ(root->hitTest({60, 60}), front.get());
    child->setHidden(false);
    child->setAlpha(0.0f);
    EXPECT_EQ(root->hitTest({60, 60}), front.get());
    child->setAlpha(1.0f);
    front->setUserInteractionEnabled(false);
    EXPECT_EQ(root->hitTest({60, 60}), back.get()) << "a disabled view hides its subtree";
    EXPECT_FALSE(child->receivesTouches());
    EXPECT_EQ(root->hitTest({400, 10}), nullptr);
}

} // namespace
