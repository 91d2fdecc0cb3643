// Text as a terminal is given it to show: the bytes a terminal would obey
// instead of showing (a device's status page may hold any of them) become
// '?', one byte for one, so that widths and layout stay. Everything the
// terminal front ends and the trace hook write goes through it; what the
// program compares (versions) stays as the device sent it.
#pragma once

#include <cstddef>

// The character set the terminal decodes, which says where its controls
// are. In every one: C0 (0x00-0x1F) and DEL (0x7F). The C1 controls
// (U+0080-U+009F) are the bytes 0x80-0x9F in a character set other than
// UTF-8; in UTF-8 those bytes are parts of characters, and the C1 controls
// are the pairs C2 80 to C2 9F, which some terminals obey as well.
enum class TerminalCharacterSet { Utf8, Other };

// What of a text's own layout reaches the terminal as it is.
enum class ShownLayout {
    OneLine,  // a cell, a line, a field: every control is shown as '?'
    Lines,    // a text of several lines: tab, line feed and a carriage return before a line feed kept
};

constexpr char kShownControl = '?';

// Shows, in place, each byte of a control among the first `length` bytes
// of text as '?', but the layout kept.
void MakeShown(char* text, std::size_t length, TerminalCharacterSet characterSet, ShownLayout layout);

// This process's terminal, for the writers that have no front end to ask
// (the trace hook): set once at start-up by the platform layer from the
// locale. Other until then, which shows the most as '?'.
void SetProcessCharacterSet(TerminalCharacterSet characterSet);
TerminalCharacterSet ProcessCharacterSet();
