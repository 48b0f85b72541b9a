#include "platform/graphics/BitmapContext.h"

#include "platform/base/AffineTransform.h"
#include "support/PictureTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

using platform::AffineTransform;
using platform::BitmapContext;
using platform::Picture;
using testsupport::makeCoordinatePicture;
using testsupport::makePicture;
using Pixel = std::array<std::uint8_t, 4>;

Pixel at(const BitmapContext& context, int x, int y) {
    return context.makePicture()->pixelAt(x, y);
}

constexpr float quarter = std::numbers::pi_v<float> / 2;

TEST(BitmapContext, CreationRefusesEmptyAndHugeBitmapsAndAPlainDrawCopies) {
    EXPECT_EQ(BitmapContext::create(0, 5), nullptr);
    EXPECT_EQ(BitmapContext::create(5, -1), nullptr);
    EXPECT_EQ(BitmapContext::create(10000, 6000), nullptr);
    const auto empty = BitmapContext::create(3, 2);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->bytes(), std::vector<std::uint8_t>(3 * 2 * 4, 0));

    // Unturned, a draw copies the stored pixels top row up.
    const Picture picture = makeCoordinatePicture(5, 4);
    for (auto interpolation :
         {BitmapContext::Interpolation::None, BitmapContext::Interpolation::Bilinear}) {
        auto context = BitmapContext::create(5, 4);
        context->setInterpolation(interpolation);
        context->drawPicture(picture, {0.0f, 0.0f, 5.0f, 4.0f});
        const auto result = context->makePicture();
        ASSERT_TRUE(result);
        EXPECT_EQ(*result->pixels(), *picture.pixels());
    }
}

TEST(BitmapContext, ScalingDownFiltersAndTurnsInOneDraw) {
    // 16 × 12 stored sideways (7 columns red, 9 blue) into a 6 × 8 upright bitmap: the
    // stored left part (red) ends on top.
    const Picture picture = makePicture(
        16, 12,
        [](int x, int) {
            return x < 7 ? Pixel{255, 0, 0, 255} : Pixel{0, 0, 255, 255};
        },
        Picture::Right);
    auto context = BitmapContext::create(6, 8);
    context->concatCTM(AffineTransform::makeTranslation(-8.0f, 0.0f)
                           .concat(AffineTransform::makeRotation(-quarter)));
    context->drawPicture(picture, {0.0f, 0.0f, 8.0f, 6.0f});
    EXPECT_EQ(at(*context, 0, 0), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(at(*context, 5, 2), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(at(*context, 0, 7), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(at(*context, 5, 4), (Pixel{0, 0, 255, 255}));
    // Row 3 samples exactly between stored columns 6 and 7: the filter mixes them evenly.
    const Pixel edge = at(*context, 2, 3);
    EXPECT_NEAR(edge[0], 128, 1);
    EXPECT_NEAR(edge[2], 128, 1);
    EXPECT_EQ(edge[3], 255);
}

TEST(BitmapContext, DrawingIsOverAndDegenerateDrawsChangeNothing) {
    auto context = BitmapContext::create(2, 1);
    const Picture opaque = makePicture(2, 1, [](int, int) { return Pixel{0, 0, 255, 255}; });
    context->drawPicture(opaque, {0.0f, 0.0f, 2.0f, 1.0f});
    const Picture halfRed = makePicture(1, 1, [](int, int) { return Pixel{128, 0, 0, 128}; });
    context->drawPicture(halfRed, {1.0f, 0.0f, 1.0f, 1.0f});
    EXPECT_EQ(at(*context, 0, 0), (Pixel{0, 0, 255, 255}));
    const Pixel blended = at(*context, 1, 0);
    EXPECT_EQ(blended[0], 128);
    EXPECT_NEAR(blended[2], 127, 1);
    EXPECT_EQ(blended[3], 255);

    const auto before = context->bytes();
    context->drawPicture(halfRed, {0.0f, 0.0f, 0.0f, 1.0f});
    context->drawPicture(halfRed, {0.0f, 0.0f, std::nanf(""), 1.0f});
    context->concatCTM({0, 0, 0, 0, 0, 0});
    context->drawPicture(halfRed, {0.0f, 0.0f, 2.0f, 1.0f});
    EXPECT_EQ(context->bytes(), before);
}

} // namespace
