#pragma once

#include "platform/base/Error.h"
#include "platform/gl/GLContext.h"

#include <expected>
#include <memory>

struct SDL_Window;

namespace platform {

// An OpenGL ES 1.1 context on an SDL window. It owns the window: the shared context has to
// outlive every GL drawable of the process, and a context is only usable with its window.
class SDLGLContext final : public GLContext {
public:
    // A shown, resizable window of `width` × `height` (SDL window units, HiDPI aware) with
    // its context current. SDL's video must be up; it is shut down again with the context. Fails
    // when SDL offers no ES 1.1 context or the framebuffer-object extension.
    static std::expected<std::unique_ptr<SDLGLContext>, Error> create(const char* title, int width,
                                                                      int height);
    ~SDLGLContext() override;

    bool makeCurrent() override;
    bool isCurrent() const override;
    void clearCurrent() override;
    void* getProcAddress(const char* name) const override;

    SDL_Window* window() const { return window_; }
    void swap();
    // Asks that a swap keep the window's contents, so the next frame draws over what the
    // last one showed; false when the window can not (its contents are then undefined
    // after each swap).
    bool keepContentsAcrossSwaps();

private:
    SDLGLContext(SDL_Window* window, void* context) : window_(window), context_(context) {}

    SDL_Window* window_; // owned
    void* context_;      // owned SDL_GLContext
};

} // namespace platform
