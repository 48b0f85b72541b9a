#include "ZevkoCore/ZVKCryptoUtils.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(MD5, ConsistenceNeedsTheExactUpperCaseDigestOfThePayloadInTheLast32Characters) {
    EXPECT_EQ(ZVKMD5ForString("abc"), "900150983CD24FB0D6963F7D28E17F72");
    const std::string payload = "0\n-1\n0.110000\n28.000000\n10.000000\n10.000000\n";
    const std::string digest = ZVKMD5ForString(payload);
    EXPECT_TRUE(ZVKMD5CheckConsistence(payload + digest));
    // Exactly 32 characters: an empty payload, valid only with the digest of "".
    EXPECT_TRUE(ZVKMD5CheckConsistence("D41D8CD98F00B204E9800998ECF8427E"));
    // Bytes after a zero byte are covered by the digest too.
    const std::string withZero("ab\0cd", 5);
    EXPECT_NE(ZVKMD5ForString(withZero), ZVKMD5ForString("ab"));
    for (const std::string& bad :
         {"0\n-2" + payload.substr(4) + digest, payload + digest + "\n", digest.substr(1),
          std::string("d41d8cd98f00b204e9800998ecf8427e"), std::string(32, 'A'),
          withZero + ZVKMD5ForString("ab")}) {
        EXPECT_FALSE(ZVKMD5CheckConsistence(bad)) << bad;
    }

    // Framing splits off the last 32 characters.
    EXPECT_EQ(ZVKMD5ExtractMD5FromString(payload + digest), digest);
    EXPECT_EQ(ZVKMD5ExtractDataFromString(payload + digest), payload);

    const std::string short31(31, 'A');
    EXPECT_EQ(ZVKMD5ExtractMD5FromString(short31), "");
    EXPECT_EQ(ZVKMD5ExtractDataFromString(short31), "");
    // Characters, not bytes: a two-byte character in the payload stays whole.
    const std::string umlaut = "\xc3\xa4" + digest;
    EXPECT_EQ(ZVKMD5ExtractDataFromString(umlaut), "\xc3\xa4");
    EXPECT_EQ(ZVKMD5ExtractMD5FromString(umlaut), digest);
}

TEST(Base64, UsesTheStandardAlphabetForEveryByteWithoutLineBreaks) {
    const std::vector<std::uint8_t> bytes = {
        0x00, 0x10, 0x83, 0x10, 0x51, 0x87, 0x20, 0x92, 0x8b, 0x30, 0xd3, 0x8f,
        0x41, 0x14, 0x93, 0x51, 0x55, 0x97, 0x61, 0x96, 0x9b, 0x71, 0xd7, 0x9f,
        0x82, 0x18, 0xa3, 0x92, 0x59, 0xa7, 0xa2, 0x9a, 0xab, 0xb2, 0xdb, 0xaf,
        0xc3, 0x1c, 0xb3, 0xd3, 0x5d, 0xb7, 0xe3, 0x9e, 0xbb, 0xf3, 0xdf, 0xbf};
    EXPECT_EQ(ZVKBase64EncodeData(bytes),
              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    EXPECT_EQ(ZVKCryptoUtils::base64EncodeData(std::vector<std::uint8_t>{0xff, 0xfe}), "//4=");
    EXPECT_EQ(ZVKCryptoUtils::base64EncodeString("f"), "Zg==");

    const std::vector<std::uint8_t> long_(200, 0xAA);
    const std::string encoded = ZVKBase64EncodeData(long_);
    EXPECT_EQ(encoded.size(), 268u) << "no line breaks";
    EXPECT_EQ(encoded.substr(264), "qqo=");
}

} // namespace
