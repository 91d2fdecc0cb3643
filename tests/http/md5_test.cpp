// MD5 against the test suite of RFC 1321 (appendix A.5), the block
// boundaries of the padding, and long inputs added in uneven pieces.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "http/digest.h"
#include "http/md5.h"

namespace {

std::string Md5Hex(const std::string& text) {
    Md5Context context;
    Md5Start(&context);
    Md5Add(&context, text.data(), text.size());
    std::uint8_t digest[kMd5DigestSize];
    Md5Finish(&context, digest);
    char hex[kDigestHexSize + 1];
    DigestToHex(digest, hex);
    return hex;
}

TEST(Md5, Rfc1321TestSuite) {
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Md5Hex(""));
    EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", Md5Hex("a"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Md5Hex("abc"));
    EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", Md5Hex("message digest"));
    EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", Md5Hex("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
              Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
    EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
              Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"));
}

// Lengths around 56 and 64 bytes decide whether the padding needs a second block.
TEST(Md5, LengthsAroundThePaddingBoundaries) {
    struct Case {
        std::size_t length;
        const char* digest;
    } const cases[] = {
        {55, "04364420e25c512fd958a70738aa8f72"},  {56, "668a72d5ba17f08e62dabcafad6db14b"},
        {57, "693037871c4a9d3d8685018905cb530a"},  {63, "7dc2ca208106a2f703567bdff99d8981"},
        {64, "c1bb4f81d892b2d57947682aeb252456"},  {65, "1bc932052302d074bdec39795fe00cf6"},
        {127, "a0b28c1da68705c2ff883fe279b72753"}, {128, "d69cb61a6ee87200676eb0d4b90edbcb"},
        {129, "3926841d393c00c3f36260e5ace10dc1"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.digest, Md5Hex(std::string(c.length, 'x'))) << c.length;
}

// One million "a" added in pieces of uneven sizes gives the digest of the whole.
TEST(Md5, LongInputInUnevenPieces) {
    const std::size_t pieces[] = {1, 63, 64, 65, 7, 1000, 4096, 3, 128, 55};
    Md5Context context;
    Md5Start(&context);
    std::vector<char> block(4096, 'a');
    std::size_t total = 0;
    for (int i = 0; total < 1000000; ++i) {
        std::size_t piece = pieces[i % 10];
        if (piece > 1000000 - total) piece = 1000000 - total;
        Md5Add(&context, block.data(), piece);
        total += piece;
    }
    std::uint8_t digest[kMd5DigestSize];
    Md5Finish(&context, digest);
    char hex[kDigestHexSize + 1];
    DigestToHex(digest, hex);
    EXPECT_STREQ("7707d6ae4e027c70eea2a935c2296f21", hex);

    // Bytes of every value, not only text, in one call and byte by byte.
    std::string pattern;
    for (int i = 0; i < 100000; ++i) pattern.push_back(static_cast<char>((i * 7 + 3) & 0xFF));
    EXPECT_EQ("59f08777fcd1aa2b8e0c8f892cfaae09", Md5Hex(pattern));
    Md5Start(&context);
    for (char c : pattern) Md5Add(&context, &c, 1);
    Md5Finish(&context, digest);
    DigestToHex(digest, hex);
    EXPECT_STREQ("59f08777fcd1aa2b8e0c8f892cfaae09", hex);
}

TEST(Md5, DigestToHexWritesLowercaseHighHalfFirst) {
    std::uint8_t digest[kMd5DigestSize];
    for (int i = 0; i < kMd5DigestSize; ++i) digest[i] = static_cast<std::uint8_t>(i * 17 + 10);
    char hex[kDigestHexSize + 2];
    std::memset(hex, '#', sizeof hex);
    DigestToHex(digest, hex);
    EXPECT_STREQ("0a1b2c3d4e5f708192a3b4c5d6e7f809", hex);
}

}  // namespace
