#include "platform/gl/GLExtensions.h"

#include "platform/gl/GLContext.h"

#include <string_view>
#include <type_traits>

namespace platform {

bool extensionListHas(const char* list, std::string_view name) {
    if (list == nullptr || name.empty()) {
        return false;
    }
    const std::string_view all(list);
    for (std::size_t pos = all.find(name); pos != std::string_view::npos;
         pos = all.find(name, pos + 1)) {
        const std::size_t end = pos + name.size();
        if ((pos == 0 || all[pos - 1] == ' ') && (end == all.size() || all[end] == ' ')) {
            return true;
        }
    }
    return false;
}

bool hasGLExtension(const char* name) {
    return extensionListHas(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name);
}

std::expected<void, Error> FramebufferFunctions::load(const GLContext& context) {
    // Mesa's loader hands out a stub for any name, so the extension list decides.
    if (!hasGLExtension("GL_OES_framebuffer_object")) {
        return failure("GL_OES_framebuffer_object");
    }
    const char* missing = nullptr;
    auto fetch = [&](auto& slot, const char* name) {
        slot =
            reinterpret_cast<std::remove_reference_t<decltype(slot)>>(context.getProcAddress(name));
        if (slot == nullptr && missing == nullptr) {
            missing = name;
        }
    };
    fetch(genFramebuffers, "glGenFramebuffersOES");
    fetch(deleteFramebuffers, "glDeleteFramebuffersOES");
    fetch(bindFramebuffer, "glBindFramebufferOES");
    fetch(checkFramebufferStatus, "glCheckFramebufferStatusOES");
    fetch(framebufferRenderbuffer, "glFramebufferRenderbufferOES");
    fetch(framebufferTexture2D, "glFramebufferTexture2DOES");
    fetch(genRenderbuffers, "glGenRenderbuffersOES");
    fetch(deleteRenderbuffers, "glDeleteRenderbuffersOES");
    fetch(bindRenderbuffer, "glBindRenderbufferOES");
    fetch(renderbufferStorage, "glRenderbufferStorageOES");
    fetch(getRenderbufferParameteriv, "glGetRenderbufferParameterivOES");
    if (missing != nullptr) {
        return failure(missing);
    }
    return {};
}

} // namespace platform
