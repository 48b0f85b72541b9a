#include "ZevkoCore/ZVKBase64.h"
#include "ZevkoCore/ZVKCryptoUtils.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

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
    EXPECT_EQ(encoded.size(), 268u);
    EXPECT_EQ(encoded.find('\n'), std::string::npos);
    EXPECT_EQ(encoded.substr(264), "qqo=");
}

} // namespace
