#include "platform/ui/widgets/Toolbar.h"

#include "platform/graphics/Painter.h"
#include "platform/ui/Animation.h"
#include "platform/ui/widgets/BarAppearance.h"
#include "platform/ui/widgets/Control.h"
#include "platform/ui/widgets/Label.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// The button a toolbar makes for a titled item: the bezel in the bar's tint and the title.
class TitledItemButton : public Control {
public:
    explicit TitledItemButton(const std::shared_ptr<BarButtonItem>& item)
        : item_(item), label_(std::make_shared<Label>()) {
        label_->setFont(bar::buttonFont());
        label_->setTextColor(Color::white());
        label_->setShadowColor(Color{0.0f, 0.0f, 0.0f, 0.5f});
        label_->setTextAlignment(Label::Center);
        label_->setText(item->title());
        addSubview(label_);
        addTarget(
            this,
            [weak = std::weak_ptr<BarButtonItem>(item)](Control&) {
                if (const auto i = weak.lock()) {
                    i->sendAction();
                }
            },
            TouchUpInside);
    }

    float preferredWidth() const {
        if (item_->width() > 0.0f) {
            return item_->width();
        }
        const float text = std::ceil(label_->font()->sizeWithText(item_->title()).width);
        return std::max(Toolbar::kMinimumTitledWidth, text + 2.0f * bar::kButtonPadding);
    }

    // Items say nothing when they change: their buttons follow them before they are shown.
    void layoutForDisplay() override {
        label_->setText(item_->title());
        setEnabled(item_->isEnabled());
        const Rect b = bounds();
        label_->setFrame(Rect(bar::kButtonPadding * 0.5f, 0.0f,
                              std::max(0.0f, b.width() - bar::kButtonPadding), b.height()));
        label_->setAlpha(isEnabled() ? 1.0f : 0.45f);
    }

    void drawContent(Painter& painter) override {
        const auto* toolbar = dynamic_cast<const Toolbar*>(superview());
        const Color tint = toolbar != nullptr ? toolbar->tintColor() : bar::defaultTint();
        const Rect b = bounds();
        if (item_->style() == BarButtonItem::Plain) {
            if (isHighlighted()) {
                painter.fillRoundedRect(b, 5.0f, {1.0f, 1.0f, 1.0f, 0.3f});
            }
            return;
        }
        bar::drawButton(painter, b, tint, item_->style() == BarButtonItem::Done, isHighlighted());
    }

private:
    std::shared_ptr<BarButtonItem> item_;
    std::shared_ptr<Label> label_;
};

} // namespace

Toolbar::Toolbar(Rect frame) : View(frame), tint_(bar::defaultTint()) {}

void Toolbar::setTintColor(Color tint) {
    tint_ = tint;
    setNeedsDisplay();
}

std::shared_ptr<View> Toolbar::viewFor(const std::shared_ptr<BarButtonItem>& item) const {
    if (item->isSpace()) {
        return nullptr;
    }
    if (item->customView()) {
        return item->customView();
    }
    // A titled item keeps its button while it stays on the bar.
    for (const Slot& slot : slots_) {
        if (slot.item == item && slot.view) {
            return slot.view;
        }
    }
    return std::make_shared<TitledItemButton>(item);
}

void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated) {
    std::erase(items, nullptr);
    std::vector<Slot> slots;
    slots.reserve(items.size());
    for (const auto& item : items) {
        slots.push_back({item, viewFor(item), {}});
    }
    for (const Slot& old : slots_) {
        const bool stays = std::any_of(slots.begin(), slots.end(),
                                       [&](const Slot& s) { return s.view == old.view; });
        if (old.view && !stays && old.view->superview() == this) {
            old.view->removeFromSuperview();
        }
    }
    std::vector<View*> arriving;
    for (const Slot& slot : slots) {
        if (slot.view && slot.view->superview() != this) {
            arriving.push_back(slot.view.get());
            addSubview(slot.view);
        }
    }
    items_ = std::move(items);
    slots_ = std::move(slots);
    laidOutFor_ = {};
    layoutItems(false);
    if (animated) {
        // New items fade in where they belong; the ones that stay have moved already.
        for (View* view : arriving) {
            view->setAlpha(0.0f);
        }
        Animation::beginAnimations("Toolbar::setItems");
        for (View* view : arriving) {
            view->setAlpha(1.0f);
        }
        Animation::commitAnimations();
    }
}

void Toolbar::layoutItems(bool animated) {
    const Rect b = bounds();
    laidOutFor_ = b.size;
    const auto widthOf = [](const Slot& slot) -> float {
        if (slot.item->isFlexibleSpace()) {
            return Toolbar::kItemSpacing;
        }
        if (slot.item->isSpace()) {
            return slot.item->width();
        }
        if (const auto* titled = dynamic_cast<const TitledItemButton*>(slot.view.get())) {
            return titled->preferredWidth();
        }
        return slot.view->bounds().width();
    };
    const auto gapAfter = [this](std::size_t i) {
        return i + 1 < slots_.size() && !slots_[i].item->isFlexibleSpace() &&
                       !slots_[i + 1].item->isFlexibleSpace()
                   ? kItemSpacing
                   : 0.0f;
    };
    float used = 2.0f * kSideMargin;
    std::size_t flexible = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        used += widthOf(slots_[i]) + gapAfter(i);
        flexible += slots_[i].item->isFlexibleSpace() ? 1 : 0;
    }
    const float share =
        flexible > 0 ? std::max(0.0f, b.width() - used) / static_cast<float>(flexible) : 0.0f;

    if (animated) {
        Animation::beginAnimations("Toolbar::layout");
    }
    float x = b.x() + kSideMargin;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot& slot = slots_[i];
        float w = widthOf(slot);
        if (slot.item->isFlexibleSpace()) {
            w += share;
        }
        float h = b.height();
        if (slot.view) {
            h = dynamic_cast<const TitledItemButton*>(slot.view.get()) != nullptr
                    ? bar::kButtonHeight
                    : slot.view->bounds().height();
        }
        // Whole points, so the pictures of tool buttons are not resampled.
        const float left = std::round(x);
        const float top = std::round(b.y() + (b.height() - h) * 0.5f);
        slot.frame = Rect(left, top, w, h);
        if (slot.view) {
            slot.view->setFrame(slot.frame);
        }
        x += w + gapAfter(i);
    }
    if (animated) {
        Animation::commitAnimations();
    }
}

void Toolbar::layoutIfResized() const {
    if (!(bounds().size == laidOutFor_)) {
        // Placing subviews changes what is shown, not what the bar is.
        const_cast<Toolbar*>(this)->layoutItems(false);
    }
}

View* Toolbar::viewForItem(const BarButtonItem& item) const {
    layoutIfResized();
    for (const Slot& slot : slots_) {
        if (slot.item.get() == &item) {
            return slot.view.get();
        }
    }
    return nullptr;
}

std::optional<Rect> Toolbar::frameForItem(const BarButtonItem& item) const {
    layoutIfResized();
    for (const Slot& slot : slots_) {
        if (slot.item.get() == &item) {
            return slot.frame;
        }
    }
    return std::nullopt;
}

View* Toolbar::hitTest(Point point) {
    layoutIfResized();
    // Items say nothing when they are switched off; their buttons learn it here, before
    // a finger can reach them.
    for (const Slot& slot : slots_) {
        if (auto* titled = dynamic_cast<TitledItemButton*>(slot.view.get())) {
            titled->setEnabled(slot.item->isEnabled());
        }
    }
    return View::hitTest(point);
}

void Toolbar::layoutForDisplay() {
    layoutIfResized();
}

void Toolbar::drawContent(Painter& painter) {
    bar::drawBackground(painter, bounds(), tint_);
}

} // namespace platform
