// What the grid and overlay pictures of HEIF files declare, read before libheif trusts it.
#include "platform/graphics/HeifDerived.h"

#include "platform/graphics/PictureCodec.h"
#include "support/HeifEncoding.h"
#include "support/PictureTestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using platform::PictureCodec;
using platform::heif::inspectDerivedPictures;
using testsupport::DerivedCanvas;
using testsupport::heifWithDerivedCanvas;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kDamaged = "the picture is damaged or incomplete";

std::uint64_t largestDerivedCanvas(const std::vector<std::uint8_t>& file) {
    return inspectDerivedPictures(file).largestCanvas;
}

TEST(HeifDerived, EveryLayoutOfTheItemDataGivesTheDeclaredCanvas) {
    for (const std::string type : {"grid", "iovl"}) {
        for (const bool wide : {false, true}) {
            for (const bool inIdat : {false, true}) {
                for (const int iloc : {0, 1, 2}) {
                    for (const int infe : {2, 3}) {
                        const std::uint32_t side = wide ? 70000 : 60000;
                        const DerivedCanvas layout{type,   side, side / 3 + 1, wide,
                                                   inIdat, iloc, infe};
                        EXPECT_EQ(largestDerivedCanvas(heifWithDerivedCanvas(layout)),
                                  std::uint64_t{side} * (side / 3 + 1))
                            << type << (wide ? " wide" : "") << (inIdat ? " idat" : " mdat")
                            << " iloc v" << iloc << " infe v" << infe;
                    }
                }
            }
        }
    }
}

TEST(HeifDerived, OnlyTheWholeLocationOfADerivedItemDeclaresItsCanvas) {
    EXPECT_EQ(largestDerivedCanvas(Bytes{}), 0u);
    if (testsupport::canEncodeHeif()) {
        // Pictures this small may be written as a grid of one tile, of their own size.
        EXPECT_LE(largestDerivedCanvas(testsupport::encodeHeif(testsupport::patternPicture(8, 8))),
                  64u);
    }
    // Every prefix of a file is read within its bounds, and the canvas is seen only once its
    // numbers are there.
    for (const bool inIdat : {false, true}) {
        DerivedCanvas layout{.width = 500, .height = 300, .inIdat = inIdat};
        const Bytes file = heifWithDerivedCanvas(layout);
        std::size_t firstSeen = file.size() + 1;
        for (std::size_t length = 0; length <= file.size(); ++length) {
            const Bytes prefix(file.begin(), file.begin() + static_cast<long>(length));
            const std::uint64_t canvas = largestDerivedCanvas(prefix);
            if (canvas != 0) {
                EXPECT_EQ(canvas, 150000u) << length;
                firstSeen = std::min(firstSeen, length);
            }
        }
        // Up to the canvas's height: the rows and columns and the width come before it.
        EXPECT_LT(firstSeen, file.size()) << inIdat;
        EXPECT_EQ(largestDerivedCanvas(Bytes(file.begin(), file.begin() + firstSeen - 1)), 0u);
    }

    // Only the location of a derived item counts. The tile's location (item 2) found in place
    // of the grid's (item 1): no canvas.
    Bytes file = heifWithDerivedCanvas({.width = 900, .height = 900});
    const auto infe =
        std::search(file.begin(), file.end(), std::begin("infe"), std::begin("infe") + 4);
    ASSERT_NE(infe, file.end());
    // The item number follows the box type, its version and its flags.
    infe[9] = 7;
    EXPECT_EQ(largestDerivedCanvas(file), 0u);
    // A derived item of another kind declares nothing either.
    file = heifWithDerivedCanvas({.type = "iden", .width = 900, .height = 900});
    EXPECT_EQ(largestDerivedCanvas(file), 0u);
    // An overlay of a version libheif does not read.
    file = heifWithDerivedCanvas({.type = "iovl", .width = 900, .height = 900});
    const auto idat =
        std::search(file.begin(), file.end(), std::begin("idat"), std::begin("idat") + 4);
    ASSERT_NE(idat, file.end());
    idat[4] = 1;
    EXPECT_EQ(largestDerivedCanvas(file), 0u);
}

TEST(HeifDerived, PicturesMadeOfWhatIsNotAPictureOrTooLargeAreRefusedBeforeDecoding) {
    for (const std::string type : {"grid", "iovl"}) {
        SCOPED_TRACE(type);
        // Thirty thousand pixels square: libheif would allocate 2.7 GB for its three planes
        // from 16 × 16 declared and a kilobyte of file.
        const Bytes huge = heifWithDerivedCanvas({.type = type, .width = 30000, .height = 30000});
        EXPECT_EQ(PictureCodec::decode(huge).error().message,
                  "the picture is larger than 50 megapixels");
        EXPECT_EQ(PictureCodec::decodeToFit(huge, {100, 100}).error().message,
                  "the picture is larger than 50 megapixels");
        // Within the limit and made of a picture, libheif is left to find the tile empty.
        const Bytes small = heifWithDerivedCanvas({.type = type});
        EXPECT_FALSE(inspectDerivedPictures(small).madeOfNonPicture);
        EXPECT_EQ(PictureCodec::decode(small).error().message, kDamaged);
        for (const std::string tile : {"hvc0", "mime", "Exif"}) {
            const Bytes file = heifWithDerivedCanvas({.type = type, .tileType = tile});
            EXPECT_TRUE(inspectDerivedPictures(file).madeOfNonPicture) << tile;
            // libheif would stop the process on its assertion.
            EXPECT_EQ(PictureCodec::decode(file).error().message, kDamaged);
        }
        // Made of an item that does not exist: the reference's last byte names item 9.
        Bytes file = heifWithDerivedCanvas({.type = type, .infeVersion = 3});
        const auto dimg =
            std::search(file.begin(), file.end(), std::begin("dimg"), std::begin("dimg") + 4);
        ASSERT_NE(dimg, file.end());
        EXPECT_FALSE(inspectDerivedPictures(file).madeOfNonPicture);
        dimg[9] = 9;
        EXPECT_TRUE(inspectDerivedPictures(file).madeOfNonPicture);
    }
}

} // namespace
