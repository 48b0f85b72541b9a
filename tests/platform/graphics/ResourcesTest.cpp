#include <algorithm>
#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <png.h>
#include <string>
#include <vector>

namespace {

const std::string kResources = PIXELLO_BINARY_DIR "/resources/";

const std::array<const char*, 11> kToolNames = {"camera", "pick",     "free", "undo",
                                                "redo",   "settings", "save", "smudge",
                                                "bump",   "pinch",    "crop"};
const std::array<const char*, 3> kStates = {"Image", "Pressed", "Active"};

struct PixelSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool operator==(const PixelSize&) const = default;
};

struct Rgba {
    PixelSize size;
    std::vector<std::uint8_t> bytes; // straight (not premultiplied) RGBA, rows packed

    std::uint8_t alpha(std::uint32_t x, std::uint32_t y) const {
        return bytes[(std::size_t{y} * size.width + x) * 4 + 3];
    }
    std::size_t pixelCount() const { return std::size_t{size.width} * size.height; }
};

std::optional<Rgba> decode(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return std::nullopt;
    }
    image.format = PNG_FORMAT_RGBA;
    Rgba result{{image.width, image.height}, std::vector<std::uint8_t>(PNG_IMAGE_SIZE(image))};
    if (!png_image_finish_read(&image, nullptr, result.bytes.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return result;
}

std::string buttonFile(const std::string& name, const std::string& state, int scale) {
    const std::string suffix = scale == 1 ? "" : "@" + std::to_string(scale) + "x";
    return kResources + name + "Item" + state + suffix + ".png";
}

std::size_t differingPixels(const Rgba& a, const Rgba& b) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.pixelCount(); ++i) {
        if (!std::equal(&a.bytes[i * 4], &a.bytes[i * 4 + 4], &b.bytes[i * 4])) {
            ++count;
        }
    }
    return count;
}

TEST(ToolButtonImages, EveryToolStateAndScaleIsThereAtItsPixelSize) {
    for (const char* name : kToolNames) {
        for (const char* state : kStates) {
            for (int scale = 1; scale <= 3; ++scale) {
                const std::string path = buttonFile(name, state, scale);
                const auto image = decode(path);
                ASSERT_TRUE(image) << path << " is missing or not a PNG";
                const auto expected = PixelSize{40u * scale, 30u * scale};
                EXPECT_EQ(image->size, expected)
                    << path << " is " << image->size.width << " x " << image->size.height;
            }
        }
    }
}

// The toolbar's tint must show around every button, the glyph must be drawn and differ from
// every other tool's, and a finger on the button or the active tool must be told apart.
TEST(ToolButtonImages, GlyphIsDrawnOwnToTheToolAndEachStateLooksDifferent) {
    std::vector<Rgba> glyphs;
    for (const char* name : kToolNames) {
        std::array<std::optional<Rgba>, 3> states;
        for (std::size_t i = 0; i < kStates.size(); ++i) {
            states[i] = decode(buttonFile(name, kStates[i], 2));
            ASSERT_TRUE(states[i]) << name << kStates[i] << " does not decode";
            const Rgba& image = *states[i];
            EXPECT_EQ(image.alpha(0, 0), 0) << name << kStates[i] << " covers its corner";
            EXPECT_EQ(image.alpha(79, 59), 0) << name << kStates[i] << " covers its corner";
        }
        const Rgba& normal = *states[0];
        std::size_t inked = 0;
        for (std::size_t i = 0; i < normal.pixelCount(); ++i) {
            inked += normal.bytes[i * 4 + 3] > 128 ? 1 : 0;
        }
        EXPECT_GT(inked, normal.pixelCount() / 20) << name << " has hardly any glyph";
        EXPECT_LT(inked, normal.pixelCount() / 2) << name << " is a blot, not a glyph";

        const std::size_t enough = normal.pixelCount() / 4;
        EXPECT_GT(differingPixels(normal, *states[1]), enough) << name << ": pressed = normal";
        EXPECT_GT(differingPixels(normal, *states[2]), enough) << name << ": active = normal";
        EXPECT_GT(differingPixels(*states[1], *states[2]), enough) << name << ": active = pressed";
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            EXPECT_GT(differingPixels(glyphs[i], normal), normal.pixelCount() / 20)
                << kToolNames[i] << " and " << name << " look alike";
        }
        glyphs.push_back(normal);
    }
}

// The first-launch picture becomes the first history entry: it must be opaque, and
// it needs real detail for the mesh's work to show.
TEST(DefaultImage, IsAnOpaque600SquarePictureFullOfColour) {
    const std::string path = kResources + "defaultImage.png";
    const auto image = decode(path);
    ASSERT_TRUE(image) << path << " is missing or not a PNG";
    EXPECT_EQ(image->size, (PixelSize{600, 600}));
    std::map<std::uint32_t, std::size_t> colours;
    std::size_t translucent = 0;
    for (std::size_t i = 0; i < image->pixelCount(); ++i) {
        const std::uint8_t* p = &image->bytes[i * 4];
        translucent += p[3] != 255 ? 1 : 0;
        ++colours[std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]];
    }
    EXPECT_EQ(translucent, 0u);
    EXPECT_GT(colours.size(), 1000u);
    // No single colour, such as a flat background, covers half the picture.
    for (const auto& [colour, count] : colours) {
        EXPECT_LT(count, image->pixelCount() / 2) << "colour " << std::hex << colour;
    }
}

} // namespace
