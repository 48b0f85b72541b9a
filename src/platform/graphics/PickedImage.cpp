#include "platform/graphics/PickedImage.h"

namespace platform {

std::expected<ReducedPicture, Error> PickedImage::decodeToFit(Size box) const {
    if (const auto* path = std::get_if<std::filesystem::path>(&source_)) {
        return PictureCodec::decodeFileToFit(*path, box);
    }
    const Picture& picture = std::get<Picture>(source_);
    return ReducedPicture{picture, picture.size()};
}

} // namespace platform
