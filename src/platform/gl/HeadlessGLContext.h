#pragma once

#include "platform/gl/GLContext.h"

#include <EGL/egl.h>
#include <memory>
#include <string>

namespace platform {

// An OpenGL ES 1.1 context on Mesa's surfaceless EGL platform: no window and no
// surface, so everything is drawn into framebuffer objects. Used by tests, scripted
// runs and whenever no window installed a context of its own.
class HeadlessGLContext final : public GLContext {
public:
    // nullptr when EGL, the surfaceless platform, an ES 1 configuration or the
    // framebuffer-object extension is missing; `error` then says which, in one line.
    static std::unique_ptr<HeadlessGLContext> create(std::string& error);
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
