// One JSON object on one line, built into a fixed buffer: the events of
// --json and the lines of --record. Texts from the device are bytes of no
// known character set: each byte is taken as one character (Latin-1), and
// every byte outside printable ASCII is written as a \u escape, so the line
// is valid JSON (and ASCII) whatever the device sent.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kJsonLineSize = 8192;
constexpr int kJsonDepth = 4;

class JsonLine {
public:
    JsonLine();
    void Text(const char* key, const char* value);  // null value: null
    void Number(const char* key, std::int64_t value);
    void Boolean(const char* key, bool value);
    void Null(const char* key);
    void BeginObject(const char* key);
    void EndObject();
    // The line: the object closed, with a line end. Once the buffer would
    // overflow, the members that did not fit are left out whole and the
    // object still closes.
    const char* Finish();

private:
    // Adds "key":raw, or "key":"quoted" when quoted is given; false when it
    // did not fit (and nothing of it was added).
    bool Member(const char* key, const char* raw, const char* quoted);
    void Raw(const char* text);
    void Quoted(const char* value);

    char text_[kJsonLineSize];
    std::size_t length_;
    bool first_[kJsonDepth + 1];  // per open object: no member yet
    int depth_;
    int skipped_;  // objects begun that did not fit: their members and ends are ignored
    bool full_;    // the piece being added did not fit
    bool finished_;
};
