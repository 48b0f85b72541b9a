#include "platform/ui/widgets/AlertView.h"

#include "platform/base/RunLoop.h"
#include "platform/graphics/Outline.h"
#include "platform/graphics/Painter.h"
#include "platform/ui/Animation.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/Control.h"
#include "platform/ui/widgets/Label.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr float kPadding = 12.0f;
constexpr float kTopMargin = 16.0f;
constexpr float kTextGap = 6.0f;
constexpr float kButtonGap = 14.0f;
constexpr float kButtonHeight = 42.0f;
constexpr float kBottomMargin = 14.0f;
constexpr float kCornerRadius = 10.0f;
constexpr const char* kRemoveLayer = "AlertView::removeLayer";

// The alert's button: a translucent rounded bezel with the title.
class AlertButton : public Control {
public:
    AlertButton(const std::string& title, const std::weak_ptr<AlertView>& alert)
        : label_(std::make_shared<Label>()) {
        label_->setFont(Font::boldSystemFontOfSize(18.0f));
        label_->setTextColor(Color::white());
        label_->setShadowColor(Color{0.0f, 0.0f, 0.0f, 0.6f});
        label_->setTextAlignment(Label::Center);
        label_->setText(title);
        addSubview(label_);
        addTarget(
            this,
            [alert](Control&) {
                if (const auto a = alert.lock()) {
                    a->dismissWithClickedButtonIndex(0, true);
                }
            },
            TouchUpInside);
    }

    void layoutForDisplay() override { label_->setFrame(bounds()); }

    void drawContent(Painter& painter) override {
        const Rect b = bounds();
        const float pixel = 1.0f / static_cast<float>(painter.scale());
        painter.fillRoundedRect(b, 6.0f, {0.0f, 0.0f, 0.0f, 0.45f});
        const Rect inner(b.x() + pixel, b.y() + pixel, b.width() - 2 * pixel,
                         b.height() - 2 * pixel);
        if (isHighlighted()) {
            painter.fillRoundedRect(inner, 6.0f - pixel, {0.1f, 0.15f, 0.3f, 0.9f},
                                    {0.2f, 0.25f, 0.45f, 0.9f});
        } else {
            painter.fillRoundedRect(inner, 6.0f - pixel, {1.0f, 1.0f, 1.0f, 0.42f},
                                    {1.0f, 1.0f, 1.0f, 0.12f});
        }
    }

private:
    std::shared_ptr<Label> label_;
};

} // namespace

// The dimming layer over the whole window: it holds the alerts in the order they were
// shown, shows the first of them and swallows every touch that misses its box.
class AlertLayer : public View {
public:
    explicit AlertLayer(Rect frame) : View(frame) {
        setBackgroundColor(Color{0.0f, 0.0f, 0.0f, 0.45f});
    }

    static std::shared_ptr<AlertLayer> find(const Window& window) {
        for (const auto& child : window.children()) {
            if (auto layer = std::dynamic_pointer_cast<AlertLayer>(child)) {
                return layer;
            }
        }
        return nullptr;
    }

    std::vector<std::shared_ptr<AlertView>> queue;

    void present(const std::shared_ptr<AlertView>& alert, bool fadeLayer) {
        alert->layOut();
        const Rect b = bounds();
        alert->setCenter(
            {std::round(b.x() + b.width() * 0.5f), std::round(b.y() + b.height() * 0.5f)});
        addSubview(alert);
        // The box pops up from a little larger than it ends.
        if (fadeLayer) {
            setAlpha(0.0f);
        }
        alert->setAlpha(0.0f);
        alert->setTransform(AffineTransform::makeScale(1.12f, 1.12f));
        Animation::beginAnimations("AlertView::show");
        if (fadeLayer) {
            setAlpha(1.0f);
        }
        alert->setAlpha(1.0f);
        alert->setTransform(AffineTransform::identity());
        Animation::commitAnimations();
    }

    void touchesBegan(const TouchList&, const Event&) override {}
    void touchesMoved(const TouchList&, const Event&) override {}
    void touchesEnded(const TouchList&, const Event&) override {}
    void touchesCancelled(const TouchList&, const Event&) override {}
};

AlertView::AlertView(std::string title, std::string message, std::string cancelButtonTitle)
    : View(Rect(0.0f, 0.0f, kWidth, 100.0f)), title_(std::move(title)),
      message_(std::move(message)), cancelTitle_(std::move(cancelButtonTitle)) {}

void AlertView::layOut() {
    const float textWidth = kWidth - 2.0f * kPadding;
    float y = kTopMargin;
    // Views of the caller's (the spinner of a wait alert) sit at the top of the box; the
    // texts follow below them instead of running underneath.
    for (const auto& child : children()) {
        if (child != titleLabel_ && child != messageLabel_ && child != button_) {
            const Rect f = child->frame();
            y = std::max(y, std::ceil(f.y() + f.height()) + kTextGap);
        }
    }
    const auto place = [&](std::shared_ptr<Label>& label, const std::string& text,
                           std::shared_ptr<const Font> font) {
        if (text.empty()) {
            return;
        }
        if (!label) {
            label = std::make_shared<Label>();
            label->setNumberOfLines(0);
            label->setTextAlignment(Label::Center);
            label->setTextColor(Color::white());
            label->setShadowColor(Color{0.0f, 0.0f, 0.0f, 0.6f});
            label->setFont(std::move(font));
            label->setText(text);
            addSubview(label);
        }
        label->setFrame(Rect(kPadding, y, textWidth, 1.0f));
        const float h = std::ceil(label->textSize(2).height);
        label->setFrame(Rect(kPadding, y, textWidth, h));
        y += h + kTextGap;
    };
    place(titleLabel_, title_, Font::boldSystemFontOfSize(18.0f));
    place(messageLabel_, message_, Font::systemFontOfSize(16.0f));
    if (!titleLabel_ && !messageLabel_) {
        y += kTextGap;
    }
    y -= kTextGap;
    if (!cancelTitle_.empty()) {
        if (!button_) {
            button_ = std::make_shared<AlertButton>(
                cancelTitle_, std::static_pointer_cast<AlertView>(shared_from_this()));
            addSubview(button_);
        }
        y += kButtonGap;
        button_->setFrame(Rect(kPadding, y, textWidth, kButtonHeight));
        y += kButtonHeight + kBottomMargin;
    } else {
        y += kTopMargin;
    }
    const Point c = center();
    setBounds(Rect(0.0f, 0.0f, kWidth, std::ceil(y)));
    setCenter(c);
}

void AlertView::show(Window& window) {
    const auto self = std::dynamic_pointer_cast<AlertView>(weak_from_this().lock());
    if (!self || layer_.lock()) {
        return;
    }
    std::shared_ptr<AlertLayer> layer = AlertLayer::find(window);
    bool fresh = false;
    if (!layer) {
        layer = std::make_shared<AlertLayer>(window.bounds());
        fresh = true;
    } else if (layer->queue.empty()) {
        // Still fading out after its last alert: it stays.
        RunLoop::main().cancelPrevious(layer.get(), kRemoveLayer);
        layer->setUserInteractionEnabled(true);
        fresh = true;
    }
    layer->setFrame(window.bounds());
    // Above whatever came into the window since.
    window.addSubview(layer);
    layer_ = layer;
    layer->queue.push_back(self);
    if (layer->queue.size() == 1) {
        layer->present(self, fresh);
    }
}

void AlertView::dismissWithClickedButtonIndex(int, bool animated) {
    const auto layer = std::dynamic_pointer_cast<AlertLayer>(layer_.lock());
    if (!layer) {
        return;
    }
    const auto self = std::dynamic_pointer_cast<AlertView>(shared_from_this());
    const bool shown = !layer->queue.empty() && layer->queue.front() == self;
    std::erase(layer->queue, self);
    layer_.reset();
    if (!shown) {
        return;
    }
    removeFromSuperview();
    if (!layer->queue.empty()) {
        layer->present(layer->queue.front(), false);
        return;
    }
    if (!animated) {
        layer->removeFromSuperview();
        return;
    }
    // The dimming fades away; taps go through at once.
    layer->setUserInteractionEnabled(false);
    Animation::beginAnimations("AlertView::dismiss");
    layer->setAlpha(0.0f);
    Animation::commitAnimations();
    const std::weak_ptr<AlertLayer> weak = layer;
    RunLoop::main().performAfterDelay(layer.get(), kRemoveLayer, Animation::kDefaultDuration,
                                      [weak] {
                                          if (const auto l = weak.lock(); l && l->queue.empty()) {
                                              l->removeFromSuperview();
                                          }
                                      });
}

bool AlertView::isVisible() const {
    const auto layer = std::dynamic_pointer_cast<AlertLayer>(layer_.lock());
    return layer && !layer->queue.empty() && layer->queue.front().get() == this;
}

std::shared_ptr<AlertView> AlertView::visibleAlert(const Window& window) {
    const auto layer = AlertLayer::find(window);
    return layer && !layer->queue.empty() ? layer->queue.front() : nullptr;
}

std::size_t AlertView::alertCount(const Window& window) {
    const auto layer = AlertLayer::find(window);
    return layer ? layer->queue.size() : 0;
}

std::optional<Point> AlertView::buttonCentreInWindow(int index) const {
    if (index != 0 || !button_ || !isVisible()) {
        return std::nullopt;
    }
    const Rect f = button_->frame();
    return convertPointToView({f.x() + f.width() * 0.5f, f.y() + f.height() * 0.5f}, nullptr);
}

void AlertView::drawContent(Painter& painter) {
    const Rect b = bounds();
    const float pixel = 1.0f / static_cast<float>(painter.scale());
    // A soft shadow, a light rim and a deep blue glass with a sheen on its upper part.
    painter.fillRoundedRect(Rect(b.x() - 2.0f, b.y(), b.width() + 4.0f, b.height() + 4.0f),
                            kCornerRadius + 2.0f, {0.0f, 0.0f, 0.0f, 0.25f});
    painter.fillRoundedRect(b, kCornerRadius, {0.92f, 0.94f, 1.0f, 0.95f});
    const float rim = 2.0f * pixel + 1.0f;
    const Rect glass(b.x() + rim, b.y() + rim, b.width() - 2 * rim, b.height() - 2 * rim);
    painter.fillRoundedRect(glass, kCornerRadius - rim, {0.16f, 0.23f, 0.45f, 0.94f},
                            {0.04f, 0.08f, 0.24f, 0.94f});
    const float sheen = std::min(32.0f, glass.height() * 0.5f);
    std::vector<Point> upper;
    for (const Point& p : roundedRectOutline(glass, kCornerRadius - rim)) {
        upper.push_back({p.x, std::min(p.y, glass.y() + sheen)});
    }
    painter.fillConvex(upper, {1.0f, 1.0f, 1.0f, 0.22f}, {1.0f, 1.0f, 1.0f, 0.05f}, glass.y(),
                       glass.y() + sheen);
}

} // namespace platform
