// Controls shown as '?' (see shown_text.h).
#include "common/shown_text.h"

#include <atomic>

namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kFirstC1 = 0x80;
constexpr unsigned char kLastC1 = 0x9F;
constexpr unsigned char kUtf8C1Lead = 0xC2;  // U+0080-U+00BF: C2 80 to C2 BF

// Written once at start-up, read by whichever thread traces.
std::atomic<TerminalCharacterSet> g_processCharacterSet{TerminalCharacterSet::Other};

bool IsC1(unsigned char byte) { return byte >= kFirstC1 && byte <= kLastC1; }

// The bytes of the control that starts at text[index]: 0 when none does.
std::size_t ControlLength(const char* text, std::size_t index, std::size_t length, TerminalCharacterSet characterSet) {
    auto byte = static_cast<unsigned char>(text[index]);
    if (byte < kFirstPrintable || byte == kDelete) return 1;
    if (characterSet == TerminalCharacterSet::Other) return IsC1(byte) ? 1 : 0;
    bool encodedC1 = byte == kUtf8C1Lead && index + 1 < length && IsC1(static_cast<unsigned char>(text[index + 1]));
    return encodedC1 ? 2 : 0;
}

// Tab and line feed, and a carriage return that ends a line with a line
// feed (the dialog texts' CR LF); a lone carriage return would let the
// rest of its line overwrite the start.
bool IsLayout(const char* text, std::size_t index, std::size_t length) {
    char byte = text[index];
    if (byte == '\t' || byte == '\n') return true;
    return byte == '\r' && index + 1 < length && text[index + 1] == '\n';
}

}  // namespace

void MakeShown(char* text, std::size_t length, TerminalCharacterSet characterSet, ShownLayout layout) {
    std::size_t i = 0;
    while (i < length) {
        std::size_t control = ControlLength(text, i, length, characterSet);
        if (control == 0 || (layout == ShownLayout::Lines && IsLayout(text, i, length))) {
            ++i;
            continue;
        }
        for (std::size_t end = i + control; i < end; ++i) text[i] = kShownControl;
    }
}

void SetProcessCharacterSet(TerminalCharacterSet characterSet) { g_processCharacterSet.store(characterSet); }

TerminalCharacterSet ProcessCharacterSet() { return g_processCharacterSet.load(); }
