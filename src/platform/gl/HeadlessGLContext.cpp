#include "platform/gl/HeadlessGLContext.h"

#include "platform/gl/GLExtensions.h"

#include <EGL/eglext.h>
#include <cstdio>

namespace platform {

namespace {

std::string eglFailure(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04x", static_cast<unsigned>(eglGetError()));
    return std::string(what) + " failed (EGL error " + code + ")";
}

} // namespace

std::expected<std::unique_ptr<HeadlessGLContext>, Error> HeadlessGLContext::create() {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!extensionListHas(clientExtensions, "EGL_EXT_platform_base") ||
        !extensionListHas(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        return failure("no headless OpenGL ES: EGL lacks the Mesa surfaceless platform");
    }
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) {
        return failure("no headless OpenGL ES: eglGetPlatformDisplayEXT is missing");
    }
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0;
    EGLint minor = 0;
    if (display == EGL_NO_DISPLAY || eglInitialize(display, &major, &minor) != EGL_TRUE) {
        return failure("no headless OpenGL ES: " + eglFailure("eglInitialize"));
    }
    auto fail = [&](const std::string& message) {
        eglTerminate(display);
        return failure("no headless OpenGL ES: " + message);
    };
    if (eglBindAPI(EGL_OPENGL_ES_API) != EGL_TRUE) {
        return fail(eglFailure("eglBindAPI"));
    }
    // Surfaceless EGL offers no configuration unless the request names a surface type.
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_ES_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_ALPHA_SIZE,
                                 8,
                                 EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(display, attributes, &config, 1, &count) != EGL_TRUE || count < 1) {
        return fail("no RGBA8 configuration for OpenGL ES 1");
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        return fail(eglFailure("eglCreateContext"));
    }
    std::unique_ptr<HeadlessGLContext> result(new HeadlessGLContext(display, context));
    if (!result->makeCurrent()) {
        result.reset();
        return fail(eglFailure("eglMakeCurrent"));
    }
    if (const auto loaded = result->loadExtensions(); !loaded) {
        result.reset();
        return fail(loaded.error().message + " is not available");
    }
    return result;
}

HeadlessGLContext::HeadlessGLContext(EGLDisplay display, EGLContext context)
    : display_(display), context_(context) {}

HeadlessGLContext::~HeadlessGLContext() {
    if (isCurrent()) {
        clearCurrent();
    }
    eglDestroyContext(display_, context_);
}

bool HeadlessGLContext::makeCurrent() {
    return isCurrent() ||
           eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_) == EGL_TRUE;
}

bool HeadlessGLContext::isCurrent() const {
    return eglGetCurrentContext() == context_;
}

void HeadlessGLContext::clearCurrent() {
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void* HeadlessGLContext::getProcAddress(const char* name) const {
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

} // namespace platform
