// Version numbers of version texts, read by the rules of strtoul with base 0
// in a 32-bit unsigned long (as on Windows, so both programs decide alike).
#include "app/version_number.h"

#include <cstring>

namespace {

constexpr int kVersionComponents = 3;
constexpr std::uint32_t kComponentScale = 100;
constexpr std::uint32_t kUnsignedLongMax = 0xFFFFFFFFu;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// One number as strtoul(text, &end, 0) reads it into a 32-bit unsigned
// long: an overflow gives the largest value, a minus sign negates modulo
// 2^32, and where no digit can be read the end is the text itself.
std::uint32_t ReadUnsigned(const char* text, const char** end) {
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;  // the leading 0 is itself an octal digit
    }
    const char* digits = p;
    std::uint32_t value = 0;
    bool overflow = false;
    for (; DigitValue(*p) < base; ++p) {
        std::uint32_t digit = static_cast<std::uint32_t>(DigitValue(*p));
        if (value > (kUnsignedLongMax - digit) / static_cast<std::uint32_t>(base)) overflow = true;
        value = value * static_cast<std::uint32_t>(base) + digit;
    }
    if (p == digits) {
        *end = text;
        return 0;
    }
    *end = p;
    if (overflow) return kUnsignedLongMax;
    return negative ? 0u - value : value;
}

}  // namespace

std::int32_t ParseVersionNumber(const char* text) {
    std::uint32_t value = 0;
    const char* position = text;
    for (int i = 0; i < kVersionComponents; ++i) {
        const char* end = position;
        std::uint32_t component = ReadUnsigned(position, &end);
        value = value * kComponentScale + component;
        if (*end == '\0') break;
        position = end + 1;  // exactly one separator, whatever it is
    }
    return static_cast<std::int32_t>(value);
}

bool DeviceSkipsTransitionStage(const char* softwareVersion, const char* transitionVersion) {
    if (std::strstr(softwareVersion, "(NT") != nullptr) return false;
    return ParseVersionNumber(softwareVersion) >= ParseVersionNumber(transitionVersion);
}
