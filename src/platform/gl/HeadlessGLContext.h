#pragma once

#include "platform/base/Error.h"
#include "platform/gl/GLContext.h"

#include <EGL/egl.h>
#include <expected>
#include <memory>

namespace platform {

// An OpenGL ES 1.1 context on Mesa's surfaceless EGL platform: no window and no
// surface, so everything is drawn into framebuffer objects. Used by tests, scripted
// runs and whenever no window installed a context of its own.
class HeadlessGLContext final : public GLContext {
public:
    // Fails when EGL, the surfaceless platform, an ES 1 configuration or the
    // framebuffer-object extension is missing.
    static std::expected<std::unique_ptr<HeadlessGLContext>, Error> create();
    ~HeadlessGLContext() override;

    bool makeCurrent() override;
    bool isCurrent() const override;
    void clearCurrent() override;
    void* getProcAddress(const char* name) const override;

private:
    HeadlessGLContext(EGLDisplay display, EGLContext context);

    EGLDisplay display_;
    EGLContext context_;
};

} // namespace platform
