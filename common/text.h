// Bounded text helpers over fixed NUL-terminated buffers: every copy and
// format is cut to the buffer's capacity and always terminated.
#pragma once

#include <cstddef>

// Copies at most capacity - 1 characters of source and a terminator;
// returns the number of characters copied.
std::size_t CopyText(char* destination, std::size_t capacity, const char* source);
// printf-style formatting cut to the capacity; returns the characters written.
std::size_t FormatText(char* destination, std::size_t capacity, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
// Appends like FormatText at the end of the text already in destination.
std::size_t AppendText(char* destination, std::size_t capacity, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
// True when the length characters at text, read without regard to letter
// case, are the whole of lowercase (written in lower case).
bool EqualsIgnoringCase(const char* text, std::size_t length, const char* lowercase);
