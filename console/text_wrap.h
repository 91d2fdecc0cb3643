// Dialog texts measured and word-wrapped for character cells.
#pragma once

#include <cstring>

inline int TextLength(const char* text) { return static_cast<int>(std::strlen(text)); }

bool HasLineBreak(const char* text);
// The longest line of a text between its own line breaks.
int LongestLine(const char* text);

// Word wrapping: carriage return and line feed break lines; longer lines
// break at the last blank that fits, or hard when none does.
struct WrapCursor {
    const char* text;
    int width;
    int position;
    bool done;
};
void StartWrap(WrapCursor* cursor, const char* text, int width);
bool NextWrappedLine(WrapCursor* cursor, int* start, int* length);
int CountWrappedLines(const char* text, int width);
