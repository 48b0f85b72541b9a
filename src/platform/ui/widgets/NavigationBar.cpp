#include "platform/ui/widgets/NavigationBar.h"

#include "platform/base/Localization.h"
#include "platform/graphics/Painter.h"
#include "platform/ui/widgets/BarAppearance.h"
#include "platform/ui/widgets/BarButtonItem.h"
#include "platform/ui/widgets/Label.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

std::shared_ptr<Label> barLabel(std::shared_ptr<const Font> font) {
    auto label = std::make_shared<Label>();
    label->setFont(std::move(font));
    label->setTextColor(Color::white());
    label->setShadowColor(Color{0.0f, 0.0f, 0.0f, 0.5f});
    label->setTextAlignment(Label::Center);
    return label;
}

} // namespace

NavigationBar::NavigationBar(Rect frame)
    : View(frame), tint_(bar::defaultTint()),
      titleLabel_(barLabel(Font::boldSystemFontOfSize(20.0f))),
      backLabel_(barLabel(bar::buttonFont())) {
    addSubview(titleLabel_);
    addSubview(backLabel_);
}

void NavigationBar::setTintColor(Color tint) {
    tint_ = tint;
    setNeedsDisplay();
}

std::shared_ptr<NavigationItem> NavigationBar::topItem() const {
    return items_.empty() ? nullptr : items_.back();
}

std::shared_ptr<NavigationItem> NavigationBar::backItem() const {
    return items_.size() < 2 ? nullptr : items_[items_.size() - 2];
}

void NavigationBar::pushNavigationItem(std::shared_ptr<NavigationItem> item, bool) {
    if (!item || std::find(items_.begin(), items_.end(), item) != items_.end()) {
        return;
    }
    if (delegate_ != nullptr && !delegate_->navigationBarShouldPushItem(*this, *item)) {
        return;
    }
    items_.push_back(item);
    // The back button follows the stack.
    setNeedsDisplay();
    if (delegate_ != nullptr) {
        delegate_->navigationBarDidPushItem(*this, *item);
    }
}

std::shared_ptr<NavigationItem> NavigationBar::popNavigationItemAnimated(bool) {
    std::shared_ptr<NavigationItem> item = topItem();
    if (!item) {
        return nullptr;
    }
    if (delegate_ != nullptr && !delegate_->navigationBarShouldPopItem(*this, *item)) {
        return nullptr;
    }
    // The delegate may have changed the stack while it was asked: remove the item it
    // agreed to, wherever it is now, and nothing else.
    const auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) {
        return nullptr;
    }
    items_.erase(it);
    setNeedsDisplay();
    if (delegate_ != nullptr) {
        delegate_->navigationBarDidPopItem(*this, *item);
    }
    return item;
}

std::optional<Rect> NavigationBar::backButtonFrame() const {
    if (items_.size() < 2) {
        return std::nullopt;
    }
    const Rect b = bounds();
    return Rect(b.x(), b.y(), std::min(kBackButtonWidth, b.width()), b.height());
}

std::string NavigationBar::backButtonTitle() const {
    const auto item = backItem();
    if (!item) {
        return {};
    }
    if (const auto& button = item->backBarButtonItem(); button && !button->title().empty()) {
        return button->title();
    }
    // An untitled screen still needs a word on the button that leads back to it.
    return item->title().empty() ? Localization::localizedString("Back") : item->title();
}

std::optional<Rect> NavigationBar::backButtonShape() const {
    const auto area = backButtonFrame();
    if (!area) {
        return std::nullopt;
    }
    const Rect b = bounds();
    const float band = std::min(kContentHeight, b.height());
    const float top = b.y() + b.height() - band + std::round((band - bar::kButtonHeight) * 0.5f);
    const float text = std::ceil(backLabel_->font()->sizeWithText(backButtonTitle()).width);
    const float width = std::clamp(text + bar::kArrowDepth + 1.5f * bar::kButtonPadding, 50.0f,
                                   area->width() - 10.0f);
    return Rect(area->x() + 5.0f, top, width, bar::kButtonHeight);
}

void NavigationBar::drawContent(Painter& painter) {
    bar::drawBackground(painter, bounds(), tint_);
    if (const auto shape = backButtonShape()) {
        bar::drawButton(painter, *shape, tint_, false, isBackButtonPressed(),
                        bar::ButtonShape::BackArrow);
    }
}

void NavigationBar::layoutForDisplay() {
    const Rect b = bounds();
    const float band = std::min(kContentHeight, b.height());
    const float bandTop = b.y() + b.height() - band;
    const auto shape = backButtonShape();
    float reserved = 0.0f; // kept free on both sides so the title stays centred
    if (shape) {
        backLabel_->setText(backButtonTitle());
        backLabel_->setFrame(
            Rect(shape->x() + bar::kArrowDepth * 0.6f, shape->y(),
                 shape->width() - bar::kArrowDepth * 0.6f - bar::kButtonPadding * 0.4f,
                 shape->height()));
        reserved = shape->x() + shape->width() + 6.0f - b.x();
    }
    backLabel_->setHidden(!shape);
    const auto top = topItem();
    titleLabel_->setText(top ? top->title() : std::string());
    titleLabel_->setFrame(
        Rect(b.x() + reserved, bandTop, std::max(0.0f, b.width() - 2.0f * reserved), band));
}

void NavigationBar::touchesBegan(const TouchList& touches, const Event&) {
    const auto button = backButtonFrame();
    for (const auto& touch : touches) {
        const Point p = touch->locationInView(this);
        if (button && p.x >= button->x() && p.x < button->x() + button->width()) {
            backPress_ = touch;
            setNeedsDisplay();
        }
    }
}

void NavigationBar::touchesEnded(const TouchList& touches, const Event&) {
    const std::shared_ptr<Touch> press = backPress_.lock();
    for (const auto& touch : touches) {
        if (touch != press) {
            continue;
        }
        backPress_.reset();
        setNeedsDisplay();
        // Lifting outside the button is no press.
        const auto button = backButtonFrame();
        const Point p = touch->locationInView(this);
        if (button && p.x >= button->x() && p.x < button->x() + button->width() &&
            p.y >= button->y() && p.y < button->y() + button->height()) {
            popNavigationItemAnimated(true);
        }
    }
}

void NavigationBar::touchesCancelled(const TouchList& touches, const Event&) {
    for (const auto& touch : touches) {
        if (touch == backPress_.lock()) {
            backPress_.reset();
            setNeedsDisplay();
        }
    }
}

} // namespace platform
