#include "platform/ui/Animation.h"

#include "platform/base/RunLoop.h"

#include <algorithm>

namespace platform {

namespace {

// The open blocks and the committed ones that have not ended yet. The state hangs on
// the main run loop's thread like the run loop itself.
struct Animator {
    std::vector<std::shared_ptr<AnimationBlock>> open;
    std::vector<std::weak_ptr<AnimationBlock>> running;

    static Animator& main() {
        static Animator animator;
        return animator;
    }
};

} // namespace

AnimationDelegate::~AnimationDelegate() {
    Animation::forgetDelegate(this);
}

float AnimationBlock::progress(double now) const {
    if (!committed || duration <= 0.0) {
        return committed ? 1.0f : 0.0f;
    }
    const double t = (now - start) / duration;
    if (t >= 1.0 || t < 0.0) {
        return 1.0f;
    }
    return static_cast<float>(t * t * (3.0 - 2.0 * t));
}

void Animation::beginAnimations(std::string animationId, std::shared_ptr<void> context) {
    auto block = std::make_shared<AnimationBlock>();
    block->id = std::move(animationId);
    block->context = std::move(context);
    Animator::main().open.push_back(std::move(block));
}

void Animation::setAnimationDuration(double seconds) {
    if (auto block = openBlock()) {
        block->duration = std::max(0.0, seconds);
    }
}

void Animation::setAnimationDelegate(AnimationDelegate* delegate) {
    if (auto block = openBlock()) {
        block->delegate = delegate;
    }
}

std::shared_ptr<AnimationBlock> Animation::openBlock() {
    auto& open = Animator::main().open;
    return open.empty() ? nullptr : open.back();
}

void Animation::commitAnimations() {
    auto& animator = Animator::main();
    if (animator.open.empty()) {
        return;
    }
    std::shared_ptr<AnimationBlock> block = std::move(animator.open.back());
    animator.open.pop_back();
    RunLoop& loop = RunLoop::main();
    block->start = loop.now();
    block->committed = true;
    std::erase_if(animator.running, [](const auto& weak) { return weak.expired(); });
    animator.running.push_back(block);
    // The run loop owns the block until its end: a reset of the loop drops it with
    // the pending call, and the views then show their final values.
    loop.performAfterDelay(block.get(), "animationDidStop", block->duration, [block] {
        AnimationDelegate* delegate = block->delegate;
        block->delegate = nullptr;
        if (delegate != nullptr) {
            delegate->animationDidStop(block->id, !block->interrupted, block->context.get());
        }
        block->context.reset();
    });
}

bool Animation::isAnimating(double now) {
    const auto& running = Animator::main().running;
    return std::any_of(running.begin(), running.end(), [now](const auto& weak) {
        const auto block = weak.lock();
        return block && block->progress(now) < 1.0f;
    });
}

void Animation::forgetDelegate(const AnimationDelegate* delegate) {
    auto& animator = Animator::main();
    for (const auto& block : animator.open) {
        if (block->delegate == delegate) {
            block->delegate = nullptr;
        }
    }
    for (const auto& weak : animator.running) {
        if (auto block = weak.lock(); block && block->delegate == delegate) {
            block->delegate = nullptr;
        }
    }
}

} // namespace platform
