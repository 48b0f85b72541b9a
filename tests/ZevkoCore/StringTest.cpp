#include "ZevkoCore/ZVKString.h"

#include <cfloat>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(String, ReversalsKeepMultiByteCharactersWholeAndPutASpaceBeforeEachWord) {
    EXPECT_EQ(ZVKStringReverse("abc"), "cba");
    EXPECT_EQ(ZVKStringReverse(""), "");
    EXPECT_EQ(ZVKStringReverse("a\xc3\xa4\xe2\x82\xac"), "\xe2\x82\xac\xc3\xa4"
                                                         "a");

    EXPECT_EQ(ZVKStringReverseWords("ab cd"), " ba dc");
    EXPECT_EQ(ZVKStringReverseWords("ab  c"), " ba  c");

    EXPECT_EQ(ZVKStringReverseWordsOrder("ab cd ef"), " ef cd ab");
    EXPECT_EQ(ZVKStringReverseWordsOrder("ab"), " ab");
    EXPECT_EQ(ZVKStringReverseWordsOrder("a  b"), " b  a");
    EXPECT_EQ(ZVKStringReverseWordsOrder(""), " ");
}

TEST(String, TruncationDropsLeadingCharactersUntilTheTextFitsOrCannotShrink) {
    // Ten points a character.
    const ZVKTextWidth font = [](std::string_view text) {
        float width = 0;
        for (char c : text) {
            width += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 0.0f : 10.0f;
        }
        return width;
    };
    EXPECT_EQ(ZVKStringTruncateFromStartToFitWidthUsingFont("abcdefgh", 80, font), "abcdefgh");
    EXPECT_EQ(ZVKStringTruncateFromStartToFitWidthUsingFont("abcdefgh", 70, font), "...efgh");
    EXPECT_EQ(ZVKStringTruncateFromStartToFitWidthUsingFont("abcdefgh", 0, font), "...");
    EXPECT_EQ(ZVKStringTruncateFromStartToFitWidthUsingFont("abc", 10, font), "abc");
    EXPECT_EQ(ZVKStringTruncateFromStartToFitWidthUsingFont("\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9fxy",
                                                            50, font),
              "...xy");
}

TEST(String, Utf8ValidationRejectsMalformedSequences) {
    EXPECT_TRUE(ZVKStringIsValidUTF8(""));
    EXPECT_TRUE(ZVKStringIsValidUTF8("\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80"));
    // Stray bytes, cut short, overlong "/", a surrogate, beyond U+10FFFF, a broken sequence.
    for (const char* bad : {"\xff", "\x80", "\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80",
                            "\xe2\x82"
                            "a"}) {
        EXPECT_FALSE(ZVKStringIsValidUTF8(bad)) << bad;
    }
}

TEST(String, IntegersReadTheLeadingNumberAndSaturate) {
    constexpr std::int32_t max = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t min = std::numeric_limits<std::int32_t>::min();
    const std::pair<const char*, std::int32_t> cases[] = {
        {"42", 42},   {" \t-7xyz", -7},    {"+3", 3},           {"abc", 0},          {"- 5", 0},
        {"12.9", 12}, {"2147483647", max}, {"2147483648", max}, {"-2147483648", min}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ZVKStringIntValue(text), value) << text;
    }
    EXPECT_EQ(ZVKStringIntValue("-99999999999999999999999"), min);
}

TEST(String, FloatsAreReadAsDecimalsOnlySaturatedAndWrittenWithSixDecimals) {
    const std::pair<const char*, float> cases[] = {
        {"0.110000", 0.11f}, {"  28.5abc", 28.5f}, {"-.5", -0.5f},  {"+2.", 2.0f},
        {"1e", 1.0f},        {"1.5E-1x", 0.15f},   {"abc", 0.0f},   {".", 0.0f},
        {"nan", 0.0f},       {"inf", 0.0f},        {"0x10", 0.0f},  {"1,5", 1.0f},
        {"1e999", FLT_MAX},  {"-1e39", -FLT_MAX},  {"1e-999", 0.0f}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(ZVKStringFloatValue(text), value) << text;
    }

    // Written with six decimals and a point.
    const std::pair<float, const char*> written[] = {
        {0.11f, "0.110000"}, {28.0f, "28.000000"}, {-1.5f, "-1.500000"}, {0.0000004f, "0.000000"}};
    for (const auto& [value, text] : written) {
        EXPECT_EQ(ZVKStringFromFloat(value), text) << value;
    }
    EXPECT_EQ(ZVKStringFromFloat(FLT_MAX), "340282346638528859811704183484516925440.000000");
    EXPECT_EQ(ZVKStringFloatValue(ZVKStringFromFloat(FLT_MAX)), FLT_MAX);
}

} // namespace
