// The end of an HTTP/1.1 reply, found from its status, Content-Length or
// chunked Transfer-Encoding. Every scan is bounded by the bytes received.
#include "http/reply_framing.h"

#include <cstring>

namespace {

// Content-Length values with more digits than this are not believed.
constexpr int kMaxLengthDigits = 15;
// Chunk sizes above this are not believed.
constexpr std::uint64_t kMaxChunkSize = 0xFFFFFFFFFFull;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// True when the field name [name, nameEnd) equals the lowercase text.
bool NameIs(const char* name, const char* nameEnd, const char* lowercase) {
    std::size_t length = std::strlen(lowercase);
    if (static_cast<std::size_t>(nameEnd - name) != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (Lower(name[i]) != lowercase[i]) return false;
    }
    return true;
}

// True when the last comma-separated coding of a Transfer-Encoding value is "chunked".
bool LastCodingIsChunked(const char* value, const char* valueEnd) {
    const char* coding = value;
    for (const char* p = value; p < valueEnd; ++p) {
        if (*p == ',') coding = p + 1;
    }
    while (coding < valueEnd && IsBlank(*coding)) ++coding;
    const char* codingEnd = coding;
    while (codingEnd < valueEnd && *codingEnd != ';' && !IsBlank(*codingEnd)) ++codingEnd;
    return NameIs(coding, codingEnd, "chunked");
}

// Reads the framing of the header block [reply, headerEnd) (headerEnd is the
// position of its final CRLFCRLF) and sets the phase that follows it: a new
// header block after an interim reply.
void ReadHeaderBlock(ReplyFraming* framing, const char* reply, const char* headerEnd) {
    framing->phase = kFramingUntilClose;
    const char* lineEnd = static_cast<const char*>(std::memchr(reply, '\n', static_cast<std::size_t>(headerEnd - reply)));
    if (lineEnd == nullptr) lineEnd = headerEnd;

    // Status line: "HTTP/" version, blanks, three digits.
    if (headerEnd - reply < 5 || std::memcmp(reply, "HTTP/", 5) != 0) return;
    const char* p = reply + 5;
    while (p < lineEnd && !IsBlank(*p)) ++p;
    while (p < lineEnd && IsBlank(*p)) ++p;
    if (lineEnd - p < 3) return;
    int status = 0;
    for (int i = 0; i < 3; ++i) {
        if (p[i] < '0' || p[i] > '9') return;
        status = status * 10 + (p[i] - '0');
    }
    // An interim reply has no body; the final reply follows it. A 101 that we
    // never asked for hands the connection to another protocol: until close.
    if (status >= 100 && status < 200) {
        if (status != 101) framing->phase = kFramingHeader;
        return;
    }
    if (status == 204 || status == 304) {
        framing->phase = kFramingComplete;
        return;
    }

    bool chunked = false;
    bool lengthSeen = false;
    bool lengthValid = true;
    std::uint64_t contentLength = 0;
    for (const char* line = lineEnd + 1; line < headerEnd; line = lineEnd + 1) {
        lineEnd = static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(headerEnd - line)));
        if (lineEnd == nullptr) lineEnd = headerEnd;
        const char* colon = static_cast<const char*>(std::memchr(line, ':', static_cast<std::size_t>(lineEnd - line)));
        if (colon == nullptr) continue;
        const char* value = colon + 1;
        const char* valueEnd = lineEnd;
        while (value < valueEnd && IsBlank(*value)) ++value;
        while (valueEnd > value && (IsBlank(valueEnd[-1]) || valueEnd[-1] == '\r')) --valueEnd;

        if (NameIs(line, colon, "transfer-encoding")) {
            chunked = LastCodingIsChunked(value, valueEnd);
            if (!chunked) return;  // another coding last: the body ends at the close
        } else if (NameIs(line, colon, "content-length")) {
            std::uint64_t length = 0;
            int digits = 0;
            for (const char* d = value; d < valueEnd; ++d) {
                if (*d < '0' || *d > '9' || ++digits > kMaxLengthDigits) {
                    lengthValid = false;
                    break;
                }
                length = length * 10 + static_cast<std::uint64_t>(*d - '0');
            }
            if (digits == 0) lengthValid = false;
            if (lengthSeen && length != contentLength) lengthValid = false;
            lengthSeen = true;
            contentLength = length;
        }
    }

    if (chunked) {
        framing->phase = kFramingChunkSize;
        framing->remaining = 0;
        framing->sizeHasDigit = false;
    } else if (lengthSeen && lengthValid) {
        framing->phase = contentLength == 0 ? kFramingComplete : kFramingContentLength;
        framing->remaining = contentLength;
    }
}

// Advances the chunked-body state machine over one byte. Chunk data is
// skipped in bulk by the caller.
void StepChunked(ReplyFraming* framing, char c) {
    switch (framing->phase) {
        case kFramingChunkSize: {
            int value = HexValue(c);
            if (value >= 0) {
                if (framing->remaining > (kMaxChunkSize >> 4)) {
                    framing->phase = kFramingUntilClose;
                    return;
                }
                framing->remaining = framing->remaining * 16 + static_cast<std::uint64_t>(value);
                framing->sizeHasDigit = true;
                return;
            }
            if (!framing->sizeHasDigit) {  // no digit at all
                framing->phase = kFramingUntilClose;
                return;
            }
            if (c == ';' || IsBlank(c)) {
                framing->phase = kFramingChunkExtension;
            } else if (c == '\r') {
                framing->phase = kFramingChunkSizeEnd;
            } else if (c == '\n') {
                framing->phase = framing->remaining == 0 ? kFramingTrailerLine : kFramingChunkData;
            } else {
                framing->phase = kFramingUntilClose;
            }
            return;
        }
        case kFramingChunkExtension:
            if (c == '\n') framing->phase = framing->remaining == 0 ? kFramingTrailerLine : kFramingChunkData;
            return;
        case kFramingChunkSizeEnd:
            if (c == '\n') {
                framing->phase = framing->remaining == 0 ? kFramingTrailerLine : kFramingChunkData;
            } else {
                framing->phase = kFramingUntilClose;
            }
            return;
        case kFramingChunkDataCr:
            if (c == '\r') {
                framing->phase = kFramingChunkDataLf;
            } else if (c == '\n') {
                framing->phase = kFramingChunkSize;
                framing->sizeHasDigit = false;
            } else {
                framing->phase = kFramingUntilClose;
            }
            return;
        case kFramingChunkDataLf:
            if (c == '\n') {
                framing->phase = kFramingChunkSize;
                framing->sizeHasDigit = false;
            } else {
                framing->phase = kFramingUntilClose;
            }
            return;
        case kFramingTrailerLine:
            if (c == '\r') {
                framing->phase = kFramingTrailerEndLf;
            } else if (c == '\n') {
                framing->phase = kFramingComplete;
            } else {
                framing->phase = kFramingTrailerSkip;
            }
            return;
        case kFramingTrailerSkip:
            if (c == '\n') framing->phase = kFramingTrailerLine;
            return;
        case kFramingTrailerEndLf:
            framing->phase = c == '\n' ? kFramingComplete : kFramingUntilClose;
            return;
        default:
            return;
    }
}

}  // namespace

void StartReplyFraming(ReplyFraming* framing) {
    framing->phase = kFramingHeader;
    framing->scanned = 0;
    framing->replyStart = 0;
    framing->remaining = 0;
    framing->sizeHasDigit = false;
}

bool ReplyIsComplete(ReplyFraming* framing, const char* reply, std::size_t length) {
    while (framing->scanned < length) {
        switch (framing->phase) {
            case kFramingHeader: {
                // Look for CRLFCRLF, starting early enough to catch one split
                // across calls, but within the reply being framed.
                std::size_t from = framing->scanned >= 3 ? framing->scanned - 3 : 0;
                if (from < framing->replyStart) from = framing->replyStart;
                std::size_t headerEnd = 0;
                bool found = false;
                for (std::size_t i = from; i + 4 <= length; ++i) {
                    if (reply[i] == '\r' && reply[i + 1] == '\n' && reply[i + 2] == '\r' && reply[i + 3] == '\n') {
                        headerEnd = i;
                        found = true;
                        break;
                    }
                }
                if (!found) {
                    framing->scanned = length;
                    break;
                }
                ReadHeaderBlock(framing, reply + framing->replyStart, reply + headerEnd);
                framing->scanned = headerEnd + 4;
                if (framing->phase == kFramingHeader) framing->replyStart = framing->scanned;
                break;
            }
            case kFramingContentLength:
            case kFramingChunkData: {
                std::uint64_t available = length - framing->scanned;
                std::uint64_t taken = available < framing->remaining ? available : framing->remaining;
                framing->scanned += static_cast<std::size_t>(taken);
                framing->remaining -= taken;
                if (framing->remaining == 0) {
                    framing->phase = framing->phase == kFramingContentLength ? kFramingComplete : kFramingChunkDataCr;
                }
                break;
            }
            case kFramingUntilClose:
            case kFramingComplete:
                framing->scanned = length;
                break;
            default:
                StepChunked(framing, reply[framing->scanned]);
                ++framing->scanned;
                break;
        }
    }
    return framing->phase == kFramingComplete;
}
