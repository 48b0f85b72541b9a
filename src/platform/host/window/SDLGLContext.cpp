#include "platform/host/window/SDLGLContext.h"

#include <EGL/egl.h>
#include <SDL2/SDL.h>

namespace platform {

std::expected<std::unique_ptr<SDLGLContext>, Error> SDLGLContext::create(const char* title,
                                                                         int width, int height) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow(
        title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
        SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
    if (window == nullptr) {
        return failure(std::string("cannot open a window with OpenGL ES 1.1: ") + SDL_GetError());
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        std::string why = std::string("no OpenGL ES 1.1 context for the window: ") + SDL_GetError();
        SDL_DestroyWindow(window);
        return failure(std::move(why));
    }
    std::unique_ptr<SDLGLContext> result(new SDLGLContext(window, context));
    if (!result->makeCurrent()) {
        return failure(std::string("cannot make the window's OpenGL ES context current: ") +
                       SDL_GetError());
    }
    if (const auto loaded = result->loadExtensions(); !loaded) {
        return failure("the window's OpenGL ES lacks " + loaded.error().message);
    }
    // Frames follow the display; without vertical sync the loop still paces itself.
    SDL_GL_SetSwapInterval(1);
    return result;
}

SDLGLContext::~SDLGLContext() {
    if (isCurrent()) {
        clearCurrent();
    }
    SDL_GL_DeleteContext(context_);
    SDL_DestroyWindow(window_);
    // The video subsystem was started for this window (WindowHost::create); a later window
    // starts it again and finds the display then set.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SDLGLContext::makeCurrent() {
    return isCurrent() || SDL_GL_MakeCurrent(window_, context_) == 0;
}

bool SDLGLContext::isCurrent() const {
    return SDL_GL_GetCurrentContext() == context_;
}

void SDLGLContext::clearCurrent() {
    SDL_GL_MakeCurrent(window_, nullptr);
}

void* SDLGLContext::getProcAddress(const char* name) const {
    return SDL_GL_GetProcAddress(name);
}

void SDLGLContext::swap() {
    SDL_GL_SwapWindow(window_);
}

bool SDLGLContext::keepContentsAcrossSwaps() {
    // The window's context comes through EGL (see WindowHost::create).
    if (!makeCurrent()) {
        return false;
    }
    const EGLDisplay display = eglGetCurrentDisplay();
    const EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    if (display == EGL_NO_DISPLAY || surface == EGL_NO_SURFACE ||
        eglSurfaceAttrib(display, surface, EGL_SWAP_BEHAVIOR, EGL_BUFFER_PRESERVED) != EGL_TRUE) {
        return false;
    }
    EGLint behaviour = 0;
    return eglQuerySurface(display, surface, EGL_SWAP_BEHAVIOR, &behaviour) == EGL_TRUE &&
           behaviour == EGL_BUFFER_PRESERVED;
}

} // namespace platform
