#include "platform/gl/GLContext.h"

#include "platform/gl/GLResources.h"
#include "platform/gl/HeadlessGLContext.h"

#include <GLES/gl.h>
#include <future>

namespace platform {

namespace {

// The shared context and the reason the last attempt to get one failed. It lives as long
// as the program: the drawables of every view use it.
struct SharedContext {
    std::unique_ptr<GLContext> context;
    std::string error;
    bool headlessTried = false;
    // The headless context while another thread makes it, with why it failed.
    std::future<std::pair<std::unique_ptr<GLContext>, std::string>> pending;
};

SharedContext& sharedState() {
    static SharedContext state;
    return state;
}

// Takes over the context a prepareShared() thread made, once it is there.
void collectPending(SharedContext& state) {
    if (!state.pending.valid()) {
        return;
    }
    auto [context, error] = state.pending.get();
    if (state.context == nullptr) {
        state.context = std::move(context);
        state.error = std::move(error);
    }
}

} // namespace

void GLContext::prepareShared() {
    SharedContext& state = sharedState();
    if (state.context != nullptr || state.headlessTried) {
        return;
    }
    state.headlessTried = true;
    state.pending = std::async(std::launch::async, [] {
        auto created = HeadlessGLContext::create();
        if (!created) {
            return std::make_pair(std::unique_ptr<GLContext>(), std::move(created.error().message));
        }
        // Released here so that the thread that draws can make it current.
        (*created)->clearCurrent();
        return std::make_pair(std::unique_ptr<GLContext>(std::move(*created)), std::string());
    });
}

void GLContext::finishPreparing() {
    collectPending(sharedState());
}

GLContext* GLContext::shared() {
    SharedContext& state = sharedState();
    collectPending(state);
    if (state.context == nullptr && !state.headlessTried) {
        // A failed headless start is not retried: the machine will not grow a driver.
        state.headlessTried = true;
        if (auto created = HeadlessGLContext::create()) {
            state.context = std::move(*created);
            state.error.clear();
        } else {
            state.error = std::move(created.error().message);
        }
    }
    return state.context.get();
}

bool GLContext::installShared(std::unique_ptr<GLContext> context) {
    if (context == nullptr) {
        return false;
    }
    SharedContext& state = sharedState();
    collectPending(state);
    state.context = std::move(context);
    state.error.clear();
    return true;
}

const std::string& GLContext::lastError() {
    SharedContext& state = sharedState();
    collectPending(state);
    return state.error;
}

std::expected<void, Error> GLContext::loadExtensions() {
    anySizeTextures_ = hasGLExtension("GL_OES_texture_npot");
    return fbo_.load(*this);
}

void defineTexture(int width, int height, const void* pixels, GLint filter, GLint wrap) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

int GLContext::textureSideFor(int pixels) const {
    return anySizeTextures_ ? pixels : powerOfTwoSide(pixels);
}

} // namespace platform
