// Measuring and word-wrapping dialog texts.
#include "console/text_wrap.h"

namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

bool HasLineBreak(const char* text) {
    for (; *text != 0; ++text)
        if (IsLineBreak(*text)) return true;
    return false;
}

int LongestLine(const char* text) {
    int longest = 0, current = 0;
    for (; *text != 0; ++text) {
        if (IsLineBreak(*text)) {
            current = 0;
            continue;
        }
        if (++current > longest) longest = current;
    }
    return longest;
}

void StartWrap(WrapCursor* cursor, const char* text, int width) {
    cursor->text = text != nullptr ? text : "";
    cursor->width = width > 0 ? width : 1;
    cursor->position = 0;
    cursor->done = cursor->text[0] == 0;
}

bool NextWrappedLine(WrapCursor* cursor, int* start, int* length) {
    if (cursor->done) return false;
    const char* text = cursor->text;
    int p = cursor->position;
    int end = p;
    while (text[end] != 0 && !IsLineBreak(text[end])) ++end;
    *start = p;
    if (end - p <= cursor->width) {
        *length = end - p;
        // Past the line break: \r\n, \n or \r. A break at the very end of
        // the text starts no further line.
        int next = end;
        if (text[next] == '\r') ++next;
        if (text[next] == '\n') ++next;
        cursor->position = next;
        if (text[next] == 0) cursor->done = true;
        return true;
    }
    int limit = p + cursor->width;
    int breakAt = -1;
    for (int i = limit; i > p; --i) {
        if (text[i] == ' ') {
            breakAt = i;
            break;
        }
    }
    int next;
    if (breakAt > p) {
        int lineEnd = breakAt;
        while (lineEnd > p && text[lineEnd - 1] == ' ') --lineEnd;
        *length = lineEnd - p;
        next = breakAt;
        while (text[next] == ' ') ++next;
    } else {
        *length = cursor->width;
        next = limit;
    }
    cursor->position = next;
    if (text[next] == 0) cursor->done = true;
    return true;
}

int CountWrappedLines(const char* text, int width) {
    WrapCursor cursor;
    StartWrap(&cursor, text, width);
    int start = 0, length = 0, count = 0;
    while (NextWrappedLine(&cursor, &start, &length)) ++count;
    return count;
}
