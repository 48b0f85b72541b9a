#pragma once

#include "platform/graphics/PictureCodec.h"

#include <filesystem>
#include <variant>

namespace platform {

// What the user picked: a picture file, read only when it is needed and then only at the
// size needed, or a picture already in memory (a camera frame).
class PickedImage {
public:
    static PickedImage file(std::filesystem::path path) { return PickedImage(std::move(path)); }
    static PickedImage picture(Picture picture) { return PickedImage(std::move(picture)); }

    // The picture decoded no larger than needed to fill its fit within `box`, with the
    // upright size of the whole picture.
    std::expected<ReducedPicture, Error> decodeToFit(Size box) const;
    // The file picked, or nullptr for a picture in memory; and the other way round.
    const std::filesystem::path* path() const {
        return std::get_if<std::filesystem::path>(&source_);
    }
    const Picture* picture() const { return std::get_if<Picture>(&source_); }

private:
    explicit PickedImage(std::variant<std::filesystem::path, Picture> source)
        : source_(std::move(source)) {}

    std::variant<std::filesystem::path, Picture> source_;
};

} // namespace platform
