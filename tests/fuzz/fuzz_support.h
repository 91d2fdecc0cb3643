// Helpers shared by the fuzz targets: a terminated copy of the input and a
// check that stops the run with a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// The input as the terminated text the receive loop would hold: it stops at
// the first NUL, as every reader of the reply does.
inline std::vector<char> TerminatedText(const std::uint8_t* data, std::size_t size) {
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    return text;
}

#define FUZZ_CHECK(condition)                                                       \
    do {                                                                            \
        if (!(condition)) {                                                         \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                           \
        }                                                                           \
    } while (0)

// True when the fixed text field holds its terminator.
template <std::size_t n>
bool Terminated(const char (&field)[n]) {
    return std::memchr(field, '\0', n) != nullptr;
}
