// What a terminal is given to show of a text: each input, with its character
// set and layout, against the bytes written out by hand.
#include <gtest/gtest.h>

#include <string>

#include "common/shown_text.h"

namespace {

using CharacterSet = TerminalCharacterSet;

std::string Shown(std::string text, CharacterSet characterSet, ShownLayout layout) {
    MakeShown(&text[0], text.size(), characterSet, layout);
    return text;
}

TEST(ShownText, ControlsAreShownAsQuestionMarksAndEverythingElseAsItIs) {
    const struct {
        const char* name;
        std::string text;
        CharacterSet characterSet;
        ShownLayout layout;
        std::string shown;
    } kCases[] = {
        {"plain text", "QEV-1040 3.1.24(QE) 00:00:5E:00:53:2A ~!", CharacterSet::Other, ShownLayout::OneLine,
         "QEV-1040 3.1.24(QE) 00:00:5E:00:53:2A ~!"},
        {"title sequence", "QEV\x1b]0;owned\x07-1040", CharacterSet::Utf8, ShownLayout::OneLine,
         "QEV?]0;owned?-1040"},
        {"clear screen", "\x1b[2J", CharacterSet::Utf8, ShownLayout::OneLine, "?[2J"},
        {"NUL, first and last C0, DEL", std::string("a\0b\x01\x1f\x7f", 6), CharacterSet::Utf8,
         ShownLayout::OneLine, "a?b???"},
        {"a line's breaks and tab", "a\r\nb\tc\nd\re", CharacterSet::Utf8, ShownLayout::OneLine, "a??b?c?d?e"},
        {"CR LF, LF and tab kept in lines", "a\r\nb\tc\nd", CharacterSet::Utf8, ShownLayout::Lines, "a\r\nb\tc\nd"},
        {"lone CR in lines", "a\rb\r\r\nc\r", CharacterSet::Utf8, ShownLayout::Lines, "a?b?\r\nc?"},
        {"C1 bytes, other set", "\x9b" "2J \x80\x9f\xa0\xff", CharacterSet::Other, ShownLayout::OneLine,
         "?2J ??\xa0\xff"},
        {"C1 bytes, UTF-8", "\x9b" "2J \x80\x9f", CharacterSet::Utf8, ShownLayout::OneLine, "\x9b" "2J \x80\x9f"},
        {"UTF-8 text", "Gr\xc3\xbc\xc3\x9f \xe2\x94\x8c \xf0\x9f\x98\x80 \xc2\xa0", CharacterSet::Utf8,
         ShownLayout::OneLine, "Gr\xc3\xbc\xc3\x9f \xe2\x94\x8c \xf0\x9f\x98\x80 \xc2\xa0"},
        {"UTF-8 text, other set", "Gr\xc3\xbc\xc3\x9f", CharacterSet::Other, ShownLayout::OneLine, "Gr\xc3\xbc\xc3?"},
        {"C1 encoded in UTF-8", "\xc2\x9b" "2J \xc2\x80\xc2\x9f\xc2", CharacterSet::Utf8, ShownLayout::OneLine,
         "??2J ????\xc2"},
    };
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(Shown(test.text, test.characterSet, test.layout), test.shown);
    }
}

}  // namespace
