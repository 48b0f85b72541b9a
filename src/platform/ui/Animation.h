#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

// Told when an animation block it was set on ends. The end call comes from the main
// run loop at the block's end time, also when a later block took over some of its
// properties (then `finished` is false). A delegate that goes away before its blocks
// end is forgotten: they end without a call.
class AnimationDelegate {
public:
    AnimationDelegate() = default;
    AnimationDelegate(const AnimationDelegate&) = delete;
    AnimationDelegate& operator=(const AnimationDelegate&) = delete;
    virtual ~AnimationDelegate();

    virtual void animationDidStop(const std::string& animationId, bool finished, void* context) = 0;
};

// One committed or open block of view animations. Views keep a reference to the block
// of each property they animate; the block knows when it runs.
struct AnimationBlock {
    std::string id;
    std::shared_ptr<void> context;
    AnimationDelegate* delegate = nullptr; // not owned; cleared when the delegate dies
    double start = 0.0;
    double duration = 0.2;
    bool committed = false;
    bool interrupted = false;

    // Progress 0…1 at `now` on the block's ease-in-ease-out curve, or 1 when the block
    // is over or time was reset behind its start.
    float progress(double now) const;
};

// Class-level animation blocks: properties of views set between beginAnimations and
// commitAnimations move smoothly on the main run loop's clock from their presented
// values to the new ones. Blocks nest; changes belong to the innermost open block.
class Animation {
public:
    static constexpr double kDefaultDuration = 0.2;

    static void beginAnimations(std::string animationId, std::shared_ptr<void> context = {});
    static void setAnimationDuration(double seconds);
    static void setAnimationDelegate(AnimationDelegate* delegate);
    static void commitAnimations();

    // The innermost open block, or nullptr outside any block. Views call this from
    // their animatable setters.
    static std::shared_ptr<AnimationBlock> openBlock();
    // Whether a committed block is still moving at `now`: a window then draws frames.
    static bool isAnimating(double now);

private:
    friend class AnimationDelegate;
    static void forgetDelegate(const AnimationDelegate* delegate);
};

} // namespace platform
