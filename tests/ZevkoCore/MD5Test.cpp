#include "ZevkoCore/ZVKMD5.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(MD5, ConsistenceNeedsTheExactUpperCaseDigestOfThePayload) {
    EXPECT_EQ(ZVKMD5ForString("abc"), "900150983CD24FB0D6963F7D28E17F72");
    const std::string payload = "0\n-1\n0.110000\n28.000000\n10.000000\n10.000000\n";
    const std::string digest = ZVKMD5ForString(payload);
    EXPECT_TRUE(ZVKMD5CheckConsistence(payload + digest));
    std::string damaged = payload + digest;
    damaged[3] = '2';
    EXPECT_FALSE(ZVKMD5CheckConsistence(damaged));
    EXPECT_FALSE(ZVKMD5CheckConsistence(payload + digest + "\n"));
    EXPECT_FALSE(ZVKMD5CheckConsistence(digest.substr(1)));

    // Exactly 32 characters: an empty payload, valid only with the digest of "".
    EXPECT_TRUE(ZVKMD5CheckConsistence("D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_FALSE(ZVKMD5CheckConsistence("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_FALSE(ZVKMD5CheckConsistence(std::string(32, 'A')));

    // Bytes after a zero byte are covered by the digest too.
    const std::string withZero("ab\0cd", 5);
    EXPECT_NE(ZVKMD5ForString(withZero), ZVKMD5ForString("ab"));
    EXPECT_FALSE(ZVKMD5CheckConsistence(withZero + ZVKMD5ForString("ab")));
}

TEST(MD5, FramingSplitsOffTheLast32Characters) {
    const std::string digest = ZVKMD5ForString("payload\n");
    const std::string framed = "payload\n" + digest;
    EXPECT_EQ(ZVKMD5ExtractMD5FromString(framed), digest);
    EXPECT_EQ(ZVKMD5ExtractDataFromString(framed), "payload\n");

    const std::string short31(31, 'A');
    EXPECT_EQ(ZVKMD5ExtractMD5FromString(short31), "");
    EXPECT_EQ(ZVKMD5ExtractDataFromString(short31), "");
    // Characters, not bytes: a two-byte character in the payload stays whole.
    const std::string umlaut = "\xc3\xa4" + digest;
    EXPECT_EQ(ZVKMD5ExtractDataFromString(umlaut), "\xc3\xa4");
    EXPECT_EQ(ZVKMD5ExtractMD5FromString(umlaut), digest);
}

} // namespace
