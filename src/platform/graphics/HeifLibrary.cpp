#include "platform/graphics/HeifLibrary.h"

#include <dlfcn.h>
#include <optional>

namespace platform {

namespace {

struct Loaded {
    std::optional<HeifLibrary> library;
    std::string error;
};

template <typename Function>
void resolve(void* handle, const char* name, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (function == nullptr && missing.empty()) {
        missing = name;
    }
}

Loaded load() {
    Loaded loaded;
    // Kept open for the rest of the process, as the next HEIF picture needs it again.
    void* handle = dlopen("libheif.so.1", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        loaded.error = std::string("cannot load libheif: ") + (why != nullptr ? why : "");
        return loaded;
    }
    HeifLibrary f{};
    std::string missing;
    resolve(handle, "heif_context_alloc", f.contextAlloc, missing);
    resolve(handle, "heif_context_free", f.contextFree, missing);
    resolve(handle, "heif_context_set_maximum_image_size_limit", f.setMaximumImageSizeLimit,
            missing);
    resolve(handle, "heif_context_read_from_memory_without_copy", f.readFromMemory, missing);
    resolve(handle, "heif_context_get_primary_image_handle", f.primaryImageHandle, missing);
    resolve(handle, "heif_image_handle_release", f.handleRelease, missing);
    resolve(handle, "heif_image_handle_get_width", f.handleWidth, missing);
    resolve(handle, "heif_image_handle_get_height", f.handleHeight, missing);
    resolve(handle, "heif_decoding_options_alloc", f.decodingOptionsAlloc, missing);
    resolve(handle, "heif_decoding_options_free", f.decodingOptionsFree, missing);
    resolve(handle, "heif_decode_image", f.decodeImage, missing);
    resolve(handle, "heif_image_release", f.imageRelease, missing);
    resolve(handle, "heif_image_get_plane", f.plane, missing);
    resolve(handle, "heif_image_get_width", f.width, missing);
    resolve(handle, "heif_image_get_height", f.height, missing);
    resolve(handle, "heif_image_get_bits_per_pixel", f.bitsPerPixel, missing);
    resolve(handle, "heif_image_is_premultiplied_alpha", f.isPremultipliedAlpha, missing);
    if (!missing.empty()) {
        loaded.error = "libheif lacks " + missing;
        return loaded;
    }
    loaded.library = f;
    return loaded;
}

} // namespace

const HeifLibrary* HeifLibrary::get(std::string* error) {
    static const Loaded loaded = load();
    if (!loaded.library && error != nullptr) {
        *error = loaded.error;
    }
    return loaded.library ? &*loaded.library : nullptr;
}

} // namespace platform
