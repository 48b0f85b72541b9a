#include "platform/graphics/PngText.h"

#include "platform/graphics/PictureCodec.h"
#include "support/PictureTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::PngText;
using Entries = std::vector<PngText::Entry>;

const Entries kEntries = {
    {"Thumb::URI", "file:///a%20b.png"}, {"Thumb::MTime", "1700000000"}, {"Software", ""}};

TEST(PngText, WrittenChunksReadBackUpToAnyDamageAndWhatPngCannotCarryIsRefused) {
    const auto png = PngText::insert(
        *platform::PictureCodec::encodePNG(testsupport::patternPicture(5, 3)), kEntries);
    ASSERT_TRUE(png);
    EXPECT_EQ(PngText::read(*png), kEntries);
    const auto decoded = platform::PictureCodec::decode(*png);
    ASSERT_TRUE(decoded) << decoded.error().message;
    EXPECT_EQ(*decoded->pixels(), *testsupport::patternPicture(5, 3).pixels());

    // Every truncation yields a leading part of the entries.
    for (std::size_t n = 0; n < png->size(); ++n) {
        const Entries got = PngText::read(std::span(*png).first(n));
        ASSERT_LE(got.size(), kEntries.size());
        EXPECT_TRUE(std::equal(got.begin(), got.end(), kEntries.begin())) << n;
    }
    // The first text chunk starts after the signature (8) and the header chunk (25).
    constexpr std::size_t firstText = 33;
    auto wrongCrc = *png;
    wrongCrc[firstText + 8] ^= 1;
    EXPECT_EQ(PngText::read(wrongCrc), Entries(kEntries.begin() + 1, kEntries.end()));
    for (const std::uint8_t top : {0x7f, 0x80, 0xff}) {
        auto lying = *png;
        lying[firstText] = top;
        EXPECT_TRUE(PngText::read(lying).empty());
    }

    // What PNG cannot carry is refused.
    const std::string zero(1, '\0');
    for (const PngText::Entry& bad : Entries{{"", "x"},
                                             {std::string(80, 'k'), "x"},
                                             {"a" + zero + "b", "x"},
                                             {"key", "x" + zero}}) {
        EXPECT_FALSE(PngText::insert(*png, Entries{bad})) << bad.keyword;
    }
    EXPECT_TRUE(PngText::insert(*png, Entries{{std::string(79, 'k'), ""}}));
    EXPECT_FALSE(PngText::insert(std::span(*png).first(20), kEntries));
    EXPECT_FALSE(PngText::insert(std::span(*png).subspan(1), kEntries));
}

} // namespace
