#include "platform/GLContext.h"

#include "platform/HeadlessGLContext.h"

namespace platform {

namespace {

// The shared context and the reason the last attempt to get one failed. It lives as long
// as the program: the drawables of every view use it.
struct SharedContext {
    std::unique_ptr<GLContext> context;
    std::string error;
    bool headlessTried = false;
};

SharedContext& sharedState() {
    static SharedContext state;
    return state;
}

} // namespace

GLContext* GLContext::shared() {
    SharedContext& state = sharedState();
    if (state.context == nullptr && !state.headlessTried) {
        // A failed headless start is not retried: the machine will not grow a driver.
        state.headlessTried = true;
        state.context = HeadlessGLContext::create(state.error);
        if (state.context != nullptr) {
            state.error.clear();
        }
    }
    return state.context.get();
}

bool GLContext::installShared(std::unique_ptr<GLContext> context) {
    if (context == nullptr) {
        return false;
    }
    SharedContext& state = sharedState();
    state.context = std::move(context);
    state.error.clear();
    return true;
}

const std::string& GLContext::lastError() {
    return sharedState().error;
}

bool GLContext::loadExtensions(std::string& error) {
    return fbo_.load(*this, error);
}

} // namespace platform
