// Bounded text helpers.
#include "common/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

std::size_t CopyText(char* destination, std::size_t capacity, const char* source) {
    if (capacity == 0) return 0;
    std::size_t length = 0;
    while (length + 1 < capacity && source[length] != '\0') {
        destination[length] = source[length];
        ++length;
    }
    destination[length] = '\0';
    return length;
}

static std::size_t FormatInto(char* destination, std::size_t capacity, const char* format, std::va_list arguments) {
    if (capacity == 0) return 0;
    int written = std::vsnprintf(destination, capacity, format, arguments);
    if (written < 0) {
        destination[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(written) < capacity ? static_cast<std::size_t>(written) : capacity - 1;
}

std::size_t FormatText(char* destination, std::size_t capacity, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::size_t written = FormatInto(destination, capacity, format, arguments);
    va_end(arguments);
    return written;
}

std::size_t AppendText(char* destination, std::size_t capacity, const char* format, ...) {
    std::size_t used = std::strlen(destination);
    if (used + 1 >= capacity) return 0;
    std::va_list arguments;
    va_start(arguments, format);
    std::size_t written = FormatInto(destination + used, capacity - used, format, arguments);
    va_end(arguments);
    return written;
}

bool EqualsIgnoringCase(const char* text, std::size_t length, const char* lowercase) {
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (lowercase[i] == '\0' || c != lowercase[i]) return false;
    }
    return lowercase[length] == '\0';
}
