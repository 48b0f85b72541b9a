#pragma once

#include "platform/base/Error.h"
#include "platform/gl/GLExtensions.h"

#include <GLES/gl.h>
#include <expected>
#include <memory>
#include <string>

namespace platform {

// Gives the bound 2D texture RGBA storage of `width` × `height` texels, filled from `pixels`
// (packed rows, 4-byte aligned) or left undefined when it is nullptr, sampled with `filter`
// and wrapped at its edges as `wrap` says (clamped unless told otherwise). The shared
// context must be current.
void defineTexture(int width, int height, const void* pixels, GLint filter,
                   GLint wrap = GL_CLAMP_TO_EDGE);

// The one OpenGL ES 1.1 rendering context that every GL drawable of the process shares.
// A host (the window) installs its own; without one, the first use creates a headless
// context that draws only into framebuffer objects.
class GLContext {
public:
    virtual ~GLContext() = default;
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    virtual bool makeCurrent() = 0;
    virtual bool isCurrent() const = 0;
    // Leaves the calling thread with no current context.
    virtual void clearCurrent() = 0;
    virtual void* getProcAddress(const char* name) const = 0;

    // The framebuffer-object entry points, resolved when the context was made.
    const FramebufferFunctions& fbo() const { return fbo_; }
    // The side of a texture that holds `pixels` texels: the same where the driver takes
    // textures of any size (GL_OES_texture_npot), otherwise the next power of two.
    int textureSideFor(int pixels) const;

    // The shared context, or nullptr when none can be had; lastError() then says why.
    static GLContext* shared();
    // Starts making the headless context on another thread, so that the driver loads
    // while the caller reads its files; shared() waits for it. Nothing when a context is
    // there or has been tried.
    static void prepareShared();
    // Waits for a prepareShared() thread to end. The process must not exit while it runs:
    // the driver's libraries would be torn down while that thread is still loading them.
    static void finishPreparing();
    // Installs the host's context as the shared one (replacing any earlier one); nullptr
    // is refused. The headless fallback is only created when nothing was installed.
    static bool installShared(std::unique_ptr<GLContext> context);
    // Why the last attempt to get a shared context failed; empty after a success.
    static const std::string& lastError();

protected:
    GLContext() = default;
    // For subclasses, with their context current: resolves the extension entry points.
    // When one is missing, the error's message is its name.
    std::expected<void, Error> loadExtensions();

private:
    FramebufferFunctions fbo_;
    bool anySizeTextures_ = false;
};

} // namespace platform
