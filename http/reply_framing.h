// Recognises the end of an HTTP/1.1 reply by its own framing, so that the
// exchange can stop reading from a device that keeps the connection open
// after its reply. Pure: it only looks at the bytes received so far.
#pragma once

#include <cstddef>
#include <cstdint>

enum ReplyFramingPhase : int {
    kFramingHeader,         // the header block has not ended yet
    kFramingContentLength,  // counting body bytes against Content-Length
    kFramingChunkSize,      // reading the hexadecimal size of a chunk
    kFramingChunkExtension, // skipping the rest of a chunk-size line
    kFramingChunkSizeEnd,   // the line feed after a chunk-size line
    kFramingChunkData,      // counting the bytes of a chunk
    kFramingChunkDataCr,    // the carriage return after a chunk's data
    kFramingChunkDataLf,    // the line feed after a chunk's data
    kFramingTrailerLine,    // at the start of a trailer line
    kFramingTrailerSkip,    // inside a trailer field
    kFramingTrailerEndLf,   // the line feed of the empty line that ends the trailer
    kFramingUntilClose,     // no usable framing: the reply ends when the peer closes
    kFramingComplete,       // the whole reply has arrived
};

struct ReplyFraming {
    int phase;               // a ReplyFramingPhase
    std::size_t scanned;     // bytes of the reply examined so far
    std::size_t replyStart;  // where the reply being framed begins: after any interim (1xx) replies
    std::uint64_t remaining; // body or chunk bytes still to come
    bool sizeHasDigit;       // the current chunk-size line has a digit
};

// Prepares the framing state for a new reply.
void StartReplyFraming(ReplyFraming* framing);

// Examines the reply bytes that arrived since the last call (reply holds all
// `length` bytes received so far, not necessarily terminated) and tells
// whether the reply is complete: the header block has ended and either the
// status has no body (204, 304), or Content-Length body bytes have arrived,
// or the last chunk and trailer of a chunked body have arrived. Interim
// replies (1xx) are passed over and the reply that follows them is framed.
// Replies without such framing, or with malformed framing, are never
// complete: they end when the peer closes. So does a 101: we never ask for
// an upgrade, and what follows it is no longer HTTP that could be framed.
bool ReplyIsComplete(ReplyFraming* framing, const char* reply, std::size_t length);
