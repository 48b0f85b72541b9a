#pragma once

#include "platform/base/Error.h"

#include <GLES/gl.h>
#include <GLES/glext.h>
#include <expected>
#include <string_view>

namespace platform {

class GLContext;

// GL_OES_framebuffer_object. libGLESv1_CM does not export these, so they are fetched
// from the context's loader, once per context.
struct FramebufferFunctions {
    PFNGLGENFRAMEBUFFERSOESPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSOESPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFEROESPROC bindFramebuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSOESPROC checkFramebufferStatus = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFEROESPROC framebufferRenderbuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DOESPROC framebufferTexture2D = nullptr;
    PFNGLGENRENDERBUFFERSOESPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSOESPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFEROESPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEOESPROC renderbufferStorage = nullptr;
    PFNGLGETRENDERBUFFERPARAMETERIVOESPROC getRenderbufferParameteriv = nullptr;

    // Resolves every entry point through `context`, which must be current. When the
    // extension is not offered, the error's message is the name of what is missing.
    std::expected<void, Error> load(const GLContext& context);
};

// Whether a space-separated extension list (GL or EGL) holds `name` as a whole word.
bool extensionListHas(const char* list, std::string_view name);
// Whether the current context offers the GL extension `name`.
bool hasGLExtension(const char* name);

} // namespace platform
