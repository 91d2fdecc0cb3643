// The JSON line (see json_line.h).
#include "cli/json_line.h"

#include <cinttypes>
#include <cstring>

#include "common/text.h"

namespace {

// Room kept for closing every open object and the line end.
constexpr std::size_t kClosingRoom = kJsonDepth + 3;

}  // namespace

JsonLine::JsonLine() : length_(0), depth_(0), skipped_(0), full_(false), finished_(false) {
    text_[0] = '{';
    text_[1] = '\0';
    length_ = 1;
    first_[0] = true;
}

void JsonLine::Raw(const char* text) {
    std::size_t length = std::strlen(text);
    if (full_ || length_ + length + kClosingRoom >= sizeof text_) {
        full_ = true;
        return;
    }
    std::memcpy(text_ + length_, text, length + 1);
    length_ += length;
}

void JsonLine::Quoted(const char* value) {
    Raw("\"");
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(value); *c != 0 && !full_; ++c) {
        char piece[8];
        if (*c == '"' || *c == '\\') {
            FormatText(piece, sizeof piece, "\\%c", *c);
        } else if (*c < 0x20 || *c >= 0x7F) {
            FormatText(piece, sizeof piece, "\\u%04x", static_cast<unsigned>(*c));
        } else {
            FormatText(piece, sizeof piece, "%c", *c);
        }
        Raw(piece);
    }
    Raw("\"");
}

bool JsonLine::Member(const char* key, const char* raw, const char* quoted) {
    if (finished_ || skipped_ > 0) return false;
    std::size_t mark = length_;
    bool first = first_[depth_];
    if (!first) Raw(",");
    Quoted(key);
    Raw(":");
    if (quoted != nullptr) {
        Quoted(quoted);
    } else {
        Raw(raw);
    }
    first_[depth_] = false;
    if (!full_) return true;
    // A member that does not fit is left out whole.
    length_ = mark;
    text_[length_] = '\0';
    first_[depth_] = first;
    full_ = false;
    return false;
}

void JsonLine::Text(const char* key, const char* value) {
    if (value == nullptr) {
        Member(key, "null", nullptr);
    } else {
        Member(key, nullptr, value);
    }
}

void JsonLine::Number(const char* key, std::int64_t value) {
    char number[24];
    FormatText(number, sizeof number, "%" PRId64, value);
    Member(key, number, nullptr);
}

void JsonLine::Boolean(const char* key, bool value) { Member(key, value ? "true" : "false", nullptr); }

void JsonLine::Null(const char* key) { Member(key, "null", nullptr); }

void JsonLine::BeginObject(const char* key) {
    // An object that cannot open (too deep, no room) is left out with its members.
    if (depth_ >= kJsonDepth || !Member(key, "{", nullptr)) {
        ++skipped_;
        return;
    }
    first_[++depth_] = true;
}

void JsonLine::EndObject() {
    if (skipped_ > 0) {
        --skipped_;
        return;
    }
    if (depth_ == 0 || finished_) return;
    --depth_;
    text_[length_++] = '}';  // its room is always kept
    text_[length_] = '\0';
}

const char* JsonLine::Finish() {
    if (finished_) return text_;
    skipped_ = 0;
    while (depth_ > 0) EndObject();
    text_[length_++] = '}';
    text_[length_++] = '\n';
    text_[length_] = '\0';
    finished_ = true;
    return text_;
}
