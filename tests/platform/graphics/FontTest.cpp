#include "platform/graphics/Font.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using platform::Color;
using platform::Font;

std::string fileName(const Font& font) {
    return font.file().filename().string();
}

struct Fonts : ::testing::Test {
    void SetUp() override {
        if (Font::systemFontOfSize(12)->file().empty()) {
            GTEST_SKIP() << "fontconfig knows no fonts on this machine";
        }
    }
};

TEST_F(Fonts, NamesResolveThroughFontconfigAndMissingFamiliesFallBackByWeight) {
    const auto regular = Font::fontWithName("DejaVu Sans", 18);
    if (regular->family() != "DejaVu Sans") {
        GTEST_SKIP() << "DejaVu Sans is not installed";
    }
    EXPECT_EQ(fileName(*regular), "DejaVuSans.ttf");
    EXPECT_FALSE(regular->isBold());
    EXPECT_FLOAT_EQ(regular->pointSize(), 18);

    // The localised names are fontconfig patterns; menus and PostScript spell styles out.
    for (const char* name :
         {"DejaVu Sans:bold", "DejaVu Sans Bold", "dejavu sans bold", "DejaVu Sans-Bold"}) {
        const auto bold = Font::fontWithName(name, 18);
        EXPECT_TRUE(bold->isBold()) << name;
        EXPECT_EQ(bold->family(), "DejaVu Sans") << name;
    }
    EXPECT_EQ(fileName(*Font::fontWithName("DejaVu Sans Bold Oblique", 12)),
              "DejaVuSans-BoldOblique.ttf");
    // A family whose name ends in a style word is taken as it is.
    EXPECT_EQ(fileName(*Font::fontWithName("DejaVu Sans Mono", 12)), "DejaVuSansMono.ttf");

    // A missing family falls back to a font of the same weight.
    const auto plain = Font::fontWithName("No Such Family", 14);
    EXPECT_EQ(plain->fontName(), "No Such Family");
    EXPECT_FALSE(plain->isBold());
    const auto bold = Font::fontWithName("Helvetica-Bold", 14);
    EXPECT_TRUE(bold->isBold());
    EXPECT_GT(plain->sizeWithText("Large").width, 0.0f);
    EXPECT_TRUE(plain->render("Large", Color::white(), 2));

    // Nonsense sizes and names still give a usable font.
    const auto odd = Font::fontWithName("", -3);
    EXPECT_GT(odd->pointSize(), 0.0f);
    EXPECT_GT(odd->sizeWithText("x").width, 0.0f);
}

TEST_F(Fonts, MeasuresRendersAndTruncatesAtTheScale) {
    const auto font = Font::fontWithName("DejaVu Sans", 18);
    const auto one = font->sizeWithText("Smudge Power", 1);
    const auto two = font->sizeWithText("Smudge Power", 2);
    EXPECT_GT(one.width, 50.0f);
    EXPECT_NEAR(two.width, one.width, one.width * 0.05f) << "points do not depend on the scale";
    EXPECT_GT(Font::fontWithName("DejaVu Sans Bold", 18)->sizeWithText("Smudge Power").width,
              one.width);
    EXPECT_FLOAT_EQ(font->sizeWithText("").width, 0.0f);

    const auto picture = font->render("Smudge Power", {1, 0, 0, 1}, 2);
    ASSERT_TRUE(picture);
    EXPECT_NEAR(picture->width(), two.width * 2, 1.0);
    // Premultiplied red ink: some opaque pixels, never green or blue, never more colour
    // than coverage.
    bool opaque = false;
    for (int y = 0; y < picture->height(); ++y) {
        for (int x = 0; x < picture->width(); ++x) {
            const auto p = picture->pixelAt(x, y);
            ASSERT_EQ(p[1], 0);
            ASSERT_EQ(p[2], 0);
            ASSERT_LE(p[0], p[3]);
            opaque = opaque || p[3] == 255;
        }
    }
    EXPECT_TRUE(opaque);
    EXPECT_FALSE(font->render("", Color::white(), 2));

    // Wrapping keeps lines within the width and makes the text taller.
    const auto wrapped =
        font->sizeWithText("Rotate device to protarit orientation to pick image.", 2, 260);
    EXPECT_LE(wrapped.width, 260.0f);
    EXPECT_GT(wrapped.height, font->lineHeight(2) * 1.5f);

    // Truncation puts an ellipsis between characters.
    const auto small = Font::fontWithName("DejaVu Sans", 14);
    EXPECT_EQ(small->truncated("Short", 200), "Short");
    const std::string cut = small->truncated("Ünïcödé text that is far too long", 80);
    EXPECT_LE(small->sizeWithText(cut).width, 80.0f);
    ASSERT_GE(cut.size(), 3u);
    EXPECT_EQ(cut.substr(cut.size() - 3), "\xE2\x80\xA6");
    EXPECT_EQ(cut.rfind("Ünïcödé", 0), 0u) << cut;
    EXPECT_EQ(small->truncated("Wide", 1), "\xE2\x80\xA6");
}

} // namespace
