#pragma once

#include "platform/ui/View.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class Label;
class Window;

// A modal message box: a title, a message and at most one button (the cancel button),
// each optional. show() puts it over the whole window on a dimming layer that swallows
// every touch outside the box; a tap on the button dismisses it. While one alert is up,
// others shown after it wait their turn, oldest first. Alerts are made with
// std::make_shared; the window keeps a shown alert alive until it is dismissed, so the
// caller may let go of it at once. Views the caller adds to an alert lie on its box in
// the box's coordinates (a spinning indicator on a wait alert); the texts are placed
// below them, so nothing overlaps.
class AlertView : public View {
public:
    static constexpr float kWidth = 284.0f;

    // Empty texts leave the title, the message or the button out.
    AlertView(std::string title, std::string message, std::string cancelButtonTitle);

    const std::string& title() const { return title_; }
    const std::string& message() const { return message_; }
    const std::string& cancelButtonTitle() const { return cancelTitle_; }
    int numberOfButtons() const { return cancelTitle_.empty() ? 0 : 1; }

    // Puts the alert on `window`, or in its queue while another alert is shown. Showing an
    // alert that is shown or queued already changes nothing.
    void show(Window& window);
    // Takes the alert off the screen (or out of the queue); the next queued alert comes
    // up. The button index is the one tapped, 0 for the cancel button.
    void dismissWithClickedButtonIndex(int index, bool animated);
    // Whether the alert is on screen now (not queued, not dismissed).
    bool isVisible() const;

    // The alert `window` shows now, or nullptr.
    static std::shared_ptr<AlertView> visibleAlert(const Window& window);
    // How many alerts `window` holds: the shown one and those waiting.
    static std::size_t alertCount(const Window& window);
    // The centre of button `index` in window coordinates while the alert is shown, for
    // a real tap from a test or a script.
    std::optional<Point> buttonCentreInWindow(int index) const;

    void drawContent(Painter& painter) override;

private:
    friend class AlertLayer;
    // Places title, message and button, and sizes the box around them.
    void layOut();

    std::string title_;
    std::string message_;
    std::string cancelTitle_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<Label> messageLabel_;
    std::shared_ptr<View> button_;
    std::weak_ptr<View> layer_; // the dimming layer holding the queue this alert is in
};

} // namespace platform
