// The dotted-quad parser: what it accepts, and which code each refusal gets
// when several faults meet in one text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ui/address_entry.h"

namespace {

struct ParseCase {
    const char* text;
    int code;
    std::uint32_t value;  // 0 for every refusal
};

std::uint32_t Quad(unsigned a, unsigned b, unsigned c, unsigned d) { return (a << 24) | (b << 16) | (c << 8) | d; }

class ParseIPv4Table : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseIPv4Table, GivesCodeAndValue) {
    const ParseCase& c = GetParam();
    std::uint32_t value = 0xDEADBEEFu;  // must be overwritten in every case
    std::string text(c.text);
    EXPECT_EQ(c.code, ParseIPv4(text.c_str(), &value)) << '"' << c.text << '"';
    EXPECT_EQ(c.value, value) << '"' << c.text << '"';
    EXPECT_EQ(c.text, text) << "the input must not change";
}

const ParseCase kAccepted[] = {
    {"1.2.3.4", kIPv4Accepted, Quad(1, 2, 3, 4)},  // 7 characters, the shortest
    {"255.255.255.255", kIPv4Accepted, Quad(255, 255, 255, 255)},  // 15, the longest
    {"10.1.0.123", kIPv4Accepted, Quad(10, 1, 0, 123)},
    {"01.002.3.4", kIPv4Accepted, Quad(1, 2, 3, 4)},    // leading zeros are decimal
    {"010.1.1.1", kIPv4Accepted, Quad(10, 1, 1, 1)},    // never octal
    {"000.000.000.001", kIPv4Accepted, 1},
    {"1..2.3.4", kIPv4Accepted, Quad(1, 2, 3, 4)},      // runs of separators count as one
    {"1*2*3*4", kIPv4Accepted, Quad(1, 2, 3, 4)},       // "*" separates like "."
    {"1.*2.3.4", kIPv4Accepted, Quad(1, 2, 3, 4)},
    {".1.2.3.4", kIPv4Accepted, Quad(1, 2, 3, 4)},      // leading separator
    {"1.2.3.4.", kIPv4Accepted, Quad(1, 2, 3, 4)},      // trailing separator
    {"*1.2.3.4*", kIPv4Accepted, Quad(1, 2, 3, 4)},
    {"0.0.0.0", kIPv4Accepted, 0},                      // accepted, value 0 (the dialog refuses it)
    {"192.0.2.255", kIPv4Accepted, Quad(192, 0, 2, 255)},
};
INSTANTIATE_TEST_SUITE_P(Accepted, ParseIPv4Table, ::testing::ValuesIn(kAccepted));

const ParseCase kRefused[] = {
    // length, judged first
    {"", kIPv4BadLength, 0},
    {"1.2.3", kIPv4BadLength, 0},               // too short, not "too few parts"
    {"1.2.34", kIPv4BadLength, 0},              // 6 characters
    {"255.255.255.2555", kIPv4BadLength, 0},    // 16 characters
    {"1.2.3.4x........", kIPv4BadLength, 0},    // length before characters
    {"99999999999999999999999999", kIPv4BadLength, 0},
    // characters, judged before the parts
    {"1.2.3.4 ", kIPv4BadCharacter, 0},
    {" 1.2.3.4", kIPv4BadCharacter, 0},
    {"1.2.3.-4", kIPv4BadCharacter, 0},
    {"+1.2.3.4", kIPv4BadCharacter, 0},
    {"a.b.c.d", kIPv4BadCharacter, 0},
    {"1,2,3,4", kIPv4BadCharacter, 0},
    {"1.2.3.4\t", kIPv4BadCharacter, 0},
    {"1.2.3.\xE9", kIPv4BadCharacter, 0},       // a byte above 127
    {"999.999.999.99x", kIPv4BadCharacter, 0},  // characters before part values
    // parts
    {"256.1.1.1", kIPv4PartTooLarge, 0},
    {"1.2.3.256", kIPv4PartTooLarge, 0},
    {"1.2.3.0256", kIPv4PartTooLarge, 0},
    {"4294967552.1.1", kIPv4PartTooLarge, 0},  // more than 32 bits: still "more than 255"
    {"99999999999.1.1", kIPv4PartTooLarge, 0}, // the first failing token decides, before the count
    {"1234567", kIPv4PartTooLarge, 0},
    {"1.2.3.4.5", kIPv4TooManyParts, 0},
    {"1.2.3.4.999", kIPv4TooManyParts, 0},     // the fifth part is refused before its value
    {"1.2.3.4.5.6.7.8", kIPv4TooManyParts, 0},
    {"1.2.3.999.5", kIPv4PartTooLarge, 0},     // the fourth part fails before a fifth exists
    {"1.2.3..", kIPv4TooFewParts, 0},
    {"1**2..3", kIPv4TooFewParts, 0},
    {"0000000", kIPv4TooFewParts, 0},
    {".......", kIPv4TooFewParts, 0},          // no part at all
    {"*******", kIPv4TooFewParts, 0},
};
INSTANTIATE_TEST_SUITE_P(Refused, ParseIPv4Table, ::testing::ValuesIn(kRefused));

TEST(ParseIPv4, LongTextIsRefusedByLength) {
    // A text far longer than any address: refused as too long, whatever it holds.
    std::string text(100000, '1');
    std::uint32_t value = 7;
    EXPECT_EQ(kIPv4BadLength, ParseIPv4(text.c_str(), &value));
    EXPECT_EQ(0u, value);
}

}  // namespace
