#include "platform/graphics/TrueTypeLibrary.h"

#include <dlfcn.h>
#include <optional>

namespace platform {

namespace {

struct Loaded {
    std::optional<TrueTypeLibrary> library;
    std::string error;
};

template <typename Function>
bool resolve(void* handle, const char* name, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (function == nullptr && missing.empty()) {
        missing = name;
    }
    return function != nullptr;
}

Loaded load() {
    Loaded loaded;
    // Kept open for the rest of the process: fonts hold its faces until they go.
    void* handle = dlopen("libSDL2_ttf-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        loaded.error = std::string("cannot load SDL2_ttf: ") + (why != nullptr ? why : "");
        return loaded;
    }
    TrueTypeLibrary f{};
    std::string missing;
    resolve(handle, "TTF_WasInit", f.wasInit, missing);
    resolve(handle, "TTF_Init", f.init, missing);
    resolve(handle, "SDL_GetError", f.getError, missing);
    resolve(handle, "TTF_OpenFontIndex", f.openFontIndex, missing);
    resolve(handle, "TTF_CloseFont", f.closeFont, missing);
    resolve(handle, "TTF_SetFontHinting", f.setFontHinting, missing);
    resolve(handle, "TTF_FontHeight", f.fontHeight, missing);
    resolve(handle, "TTF_SizeUTF8", f.sizeUTF8, missing);
    resolve(handle, "TTF_SetFontWrappedAlign", f.setFontWrappedAlign, missing);
    resolve(handle, "TTF_RenderUTF8_Blended", f.renderBlended, missing);
    resolve(handle, "TTF_RenderUTF8_Blended_Wrapped", f.renderBlendedWrapped, missing);
    resolve(handle, "SDL_LockSurface", f.lockSurface, missing);
    resolve(handle, "SDL_UnlockSurface", f.unlockSurface, missing);
    resolve(handle, "SDL_FreeSurface", f.freeSurface, missing);
    if (!missing.empty()) {
        loaded.error = "SDL2_ttf lacks " + missing;
        return loaded;
    }
    if (f.wasInit() == 0 && f.init() != 0) {
        loaded.error = std::string("no text rendering: ") + f.getError();
        return loaded;
    }
    loaded.library = f;
    return loaded;
}

} // namespace

const TrueTypeLibrary* TrueTypeLibrary::get(std::string* error) {
    static const Loaded loaded = load();
    if (!loaded.library && error != nullptr) {
        *error = loaded.error;
    }
    return loaded.library ? &*loaded.library : nullptr;
}

} // namespace platform
