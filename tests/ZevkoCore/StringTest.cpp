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
    EXPECT_FALSE(ZVKStringIsValidUTF8("\xff"));
    EXPECT_FALSE(ZVKStringIsValidUTF8("\x80"));
    EXPECT_FALSE(ZVKStringIsValidUTF8("\xc3"));             // cut short
    EXPECT_FALSE(ZVKStringIsValidUTF8("\xc0\xaf"));         // overlong "/"
    EXPECT_FALSE(ZVKStringIsValidUTF8("\xed\xa0\x80"));     // surrogate
    EXPECT_FALSE(ZVKStringIsValidUTF8("\xf4\x90\x80\x80")); // beyond U+10FFFF
    EXPECT_FALSE(ZVKStringIsValidUTF8("\xe2\x82"
                                      "a"));
}

TEST(String, IntegersReadTheLeadingNumberAndSaturate) {
    EXPECT_EQ(ZVKStringIntValue("42"), 42);
    EXPECT_EQ(ZVKStringIntValue(" \t-7xyz"), -7);
    EXPECT_EQ(ZVKStringIntValue("+3"), 3);
    EXPECT_EQ(ZVKStringIntValue("abc"), 0);
    EXPECT_EQ(ZVKStringIntValue("- 5"), 0);
    EXPECT_EQ(ZVKStringIntValue("12.9"), 12);
    EXPECT_EQ(ZVKStringIntValue("2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ZVKStringIntValue("2147483648"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ZVKStringIntValue("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ZVKStringIntValue("-99999999999999999999999"),
              std::numeric_limits<std::int32_t>::min());
}

TEST(String, FloatsAreReadAsDecimalsOnlySaturatedAndWrittenWithSixDecimals) {
    EXPECT_EQ(ZVKStringFloatValue("0.110000"), 0.11f);
    EXPECT_EQ(ZVKStringFloatValue("  28.5abc"), 28.5f);
    EXPECT_EQ(ZVKStringFloatValue("-.5"), -0.5f);
    EXPECT_EQ(ZVKStringFloatValue("+2."), 2.0f);
    EXPECT_EQ(ZVKStringFloatValue("1e"), 1.0f);
    EXPECT_EQ(ZVKStringFloatValue("1.5E-1x"), 0.15f);
    EXPECT_EQ(ZVKStringFloatValue("abc"), 0.0f);
    EXPECT_EQ(ZVKStringFloatValue("."), 0.0f);
    EXPECT_EQ(ZVKStringFloatValue("nan"), 0.0f);
    EXPECT_EQ(ZVKStringFloatValue("inf"), 0.0f);
    EXPECT_EQ(ZVKStringFloatValue("0x10"), 0.0f);
    EXPECT_EQ(ZVKStringFloatValue("1,5"), 1.0f);
    EXPECT_EQ(ZVKStringFloatValue("1e999"), FLT_MAX);
    EXPECT_EQ(ZVKStringFloatValue("-1e39"), -FLT_MAX);
    EXPECT_EQ(ZVKStringFloatValue("1e-999"), 0.0f);

    // Written with six decimals and a point.
    EXPECT_EQ(ZVKStringFromFloat(0.11f), "0.110000");
    EXPECT_EQ(ZVKStringFromFloat(28.0f), "28.000000");
    EXPECT_EQ(ZVKStringFromFloat(-1.5f), "-1.500000");
    EXPECT_EQ(ZVKStringFromFloat(0.0000004f), "0.000000");
    EXPECT_EQ(ZVKStringFromFloat(FLT_MAX), "340282346638528859811704183484516925440.000000");
    EXPECT_EQ(ZVKStringFloatValue(ZVKStringFromFloat(FLT_MAX)), FLT_MAX);
}

} // namespace
