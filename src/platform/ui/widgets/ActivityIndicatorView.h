#pragma once

#include "platform/ui/View.h"

namespace platform {

// The spinning wheel of twelve spokes that says "busy". It turns on the main run loop's
// clock while animating and, as long as hidesWhenStopped is on (the default), is hidden
// while stopped. Its wheel keeps the style's size, centred in the view.
class ActivityIndicatorView : public View {
public:
    enum Style { WhiteLarge = 0, White = 1, Gray = 2 };
    // A full turn takes this long, one spoke step at a time.
    static constexpr double kTurnDuration = 1.0;
    static constexpr int kSpokes = 12;

    explicit ActivityIndicatorView(int style = WhiteLarge);
    ~ActivityIndicatorView() override;

    int activityIndicatorViewStyle() const { return style_; }
    // Keeps the view's centre and takes the new style's size; unknown styles are ignored.
    void setActivityIndicatorViewStyle(int style);
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }

    // Which spoke is brightest now: 0 at the start, counting clockwise.
    int leadingSpoke() const { return leadingSpoke_; }

    void drawContent(Painter& painter) override;

private:
    void tick(double now);
    float wheelDiameter() const;

    int style_;
    bool hidesWhenStopped_ = true;
    bool animating_ = false;
    double startedAt_ = 0.0;
    int leadingSpoke_ = 0;
};

} // namespace platform
