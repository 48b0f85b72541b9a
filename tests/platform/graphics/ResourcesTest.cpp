#include "platform/graphics/PictureCodec.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

const std::string kResources = PIXELLO_BINARY_DIR "/resources/";

const std::array<const char*, 11> kToolNames = {"camera", "pick",     "free", "undo",
                                                "redo",   "settings", "save", "smudge",
                                                "bump",   "pinch",    "crop"};
const std::array<const char*, 3> kStates = {"Image", "Pressed", "Active"};

std::string buttonFile(const std::string& name, const std::string& state, int scale) {
    const std::string suffix = scale == 1 ? "" : "@" + std::to_string(scale) + "x";
    return kResources + name + "Item" + state + suffix + ".png";
}

std::size_t pixelCount(const platform::Picture& p) {
    return static_cast<std::size_t>(p.width()) * static_cast<std::size_t>(p.height());
}

std::size_t differingPixels(const platform::Picture& a, const platform::Picture& b) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < pixelCount(a) * 4; i += 4) {
        count += std::memcmp(a.pixels()->data() + i, b.pixels()->data() + i, 4) != 0 ? 1 : 0;
    }
    return count;
}

// Every tool, state and scale is there at its pixel size. The toolbar's tint must show around
// every button, the glyph must be drawn and differ from every other tool's, and a finger on the
// button or the active tool must be told apart.
TEST(ToolButtonImages, EveryStateAndScaleIsThereAndTheGlyphsAreTheToolsOwn) {
    std::vector<platform::Picture> glyphs;
    for (const char* name : kToolNames) {
        std::array<std::optional<platform::Picture>, 3> states;
        for (std::size_t i = 0; i < kStates.size(); ++i) {
            for (int scale = 1; scale <= 3; ++scale) {
                const std::string path = buttonFile(name, kStates[i], scale);
                const auto image = platform::PictureCodec::decodeFile(path);
                ASSERT_TRUE(image) << path << " is missing or not a PNG";
                EXPECT_EQ(image->size(), (platform::Size{40.0f * scale, 30.0f * scale})) << path;
                EXPECT_EQ(image->pixelAt(0, 0)[3], 0) << path << " covers its corner";
                EXPECT_EQ(image->pixelAt(image->width() - 1, image->height() - 1)[3], 0)
                    << path << " covers its corner";
                if (scale == 2) {
                    states[i] = *image;
                }
            }
        }
        const platform::Picture& normal = *states[0];
        std::size_t inked = 0;
        for (std::size_t i = 0; i < pixelCount(normal); ++i) {
            inked += (*normal.pixels())[i * 4 + 3] > 128 ? 1 : 0;
        }
        EXPECT_GT(inked, pixelCount(normal) / 20) << name << " has hardly any glyph";
        EXPECT_LT(inked, pixelCount(normal) / 2) << name << " is a blot, not a glyph";

        const std::size_t enough = pixelCount(normal) / 4;
        EXPECT_GT(differingPixels(normal, *states[1]), enough) << name << ": pressed = normal";
        EXPECT_GT(differingPixels(normal, *states[2]), enough) << name << ": active = normal";
        EXPECT_GT(differingPixels(*states[1], *states[2]), enough) << name << ": active = pressed";
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            EXPECT_GT(differingPixels(glyphs[i], normal), pixelCount(normal) / 20)
                << kToolNames[i] << " and " << name << " look alike";
        }
        glyphs.push_back(normal);
    }
}

// The first-launch picture becomes the first history entry: it must be opaque, and
// it needs real detail for the mesh's work to show.
TEST(DefaultImage, IsAnOpaque600SquarePictureFullOfColour) {
    const std::string path = kResources + "defaultImage.png";
    const auto image = platform::PictureCodec::decodeFile(path);
    ASSERT_TRUE(image) << path << " is missing or not a PNG";
    EXPECT_EQ(image->size(), (platform::Size{600, 600}));
    std::map<std::uint32_t, std::size_t> colours;
    std::size_t translucent = 0;
    for (std::size_t i = 0; i < pixelCount(*image); ++i) {
        const std::uint8_t* p = &(*image->pixels())[i * 4];
        translucent += p[3] != 255 ? 1 : 0;
        ++colours[std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2]];
    }
    EXPECT_EQ(translucent, 0u);
    EXPECT_GT(colours.size(), 1000u);
    // No single colour, such as a flat background, covers half the picture.
    for (const auto& [colour, count] : colours) {
        EXPECT_LT(count, pixelCount(*image) / 2) << "colour " << std::hex << colour;
    }
}

} // namespace
