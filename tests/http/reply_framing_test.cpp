// The end of a reply by its own framing, from canned bytes, fed whole and
// byte by byte.
#include <gtest/gtest.h>

#include <string>

#include "http/reply_framing.h"

namespace {

constexpr std::size_t kNever = std::string::npos;

// The length at which the reply first counts as complete when its bytes
// arrive one at a time, or kNever. Also checks that every prefix judged in
// one piece gives the same answer as the byte-by-byte scan.
std::size_t CompleteAt(const std::string& reply) {
    ReplyFraming incremental;
    StartReplyFraming(&incremental);
    std::size_t first = kNever;
    for (std::size_t length = 1; length <= reply.size(); ++length) {
        bool complete = ReplyIsComplete(&incremental, reply.data(), length);
        ReplyFraming whole;
        StartReplyFraming(&whole);
        EXPECT_EQ(complete, ReplyIsComplete(&whole, reply.data(), length)) << "prefix " << length;
        if (complete && first == kNever) first = length;
        if (!complete && first != kNever) ADD_FAILURE() << "complete at " << first << " but not at " << length;
    }
    return first;
}

const std::string kHeader = "HTTP/1.1 200 OK\r\nServer: qev\r\n";

TEST(ReplyFraming, ContentLength) {
    std::string reply = kHeader + "Content-Length: 10\r\n\r\n0123456789";
    EXPECT_EQ(reply.size(), CompleteAt(reply));
    std::string extra = kHeader + "Content-Length: 7\r\n\r\n0123456789";
    EXPECT_EQ(extra.size() - 3, CompleteAt(extra));
    std::string empty = kHeader + "content-LENGTH:\t0 \r\n\r\n";
    EXPECT_EQ(empty.size(), CompleteAt(empty));
    // A body that contains an empty line and a last-chunk lookalike does not end early.
    std::string tricky = kHeader + "Content-Length: 12\r\n\r\n0\r\n\r\nabcdefg";
    EXPECT_EQ(tricky.size(), CompleteAt(tricky));
    // The same value twice is fine.
    std::string twice = kHeader + "Content-Length: 2\r\nContent-Length: 2\r\n\r\nok";
    EXPECT_EQ(twice.size(), CompleteAt(twice));
}

TEST(ReplyFraming, StatusesWithoutBody) {
    for (const char* status : {"204 No Content", "304 Not Modified"}) {
        std::string reply = std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 50\r\n\r\n";
        EXPECT_EQ(reply.size(), CompleteAt(reply)) << status;
    }
    std::string reply = "HTTP/1.1 200 OK\r\n\r\n";
    EXPECT_EQ(kNever, CompleteAt(reply + "body without length"));
}

// Interim replies have no body (whatever they declare) and are passed over;
// the reply after them is framed. One never followed ends with the close.
TEST(ReplyFraming, InterimRepliesPrecedeTheReply) {
    const std::string kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
    std::string page = kContinue + kHeader + "Content-Length: 2\r\n\r\nok";
    EXPECT_EQ(page.size(), CompleteAt(page));
    std::string several = "HTTP/1.1 103 Early Hints\r\nLink: </a.css>\r\nContent-Length: 50\r\n\r\n" + kContinue +
                          "HTTP/1.1 199 Whatever\r\n\r\nHTTP/1.1 204 No Content\r\n\r\n";
    EXPECT_EQ(several.size(), CompleteAt(several));
    EXPECT_EQ(kNever, CompleteAt(kContinue));
    EXPECT_EQ(kNever, CompleteAt(kContinue + kHeader + "\r\nno length"));
    // A 101 we never asked for: what follows is not HTTP to frame.
    EXPECT_EQ(kNever, CompleteAt("HTTP/1.1 101 Switching Protocols\r\n\r\n" + kHeader + "Content-Length: 0\r\n\r\n"));
}

TEST(ReplyFraming, Chunked) {
    std::string body = "5\r\nhello\r\n1A;name=value\r\n" + std::string(26, 'z') + "\r\n0\r\n\r\n";
    std::string reply = kHeader + "Transfer-Encoding: chunked\r\n\r\n" + body;
    EXPECT_EQ(reply.size(), CompleteAt(reply));
    // Trailer fields after the last chunk.
    std::string trailer = kHeader + "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\nX-Check: 1\r\nY: 2\r\n\r\n";
    EXPECT_EQ(trailer.size(), CompleteAt(trailer));
    // Chunk data that looks like a last chunk does not end the reply.
    std::string lookalike = kHeader + "Transfer-Encoding: chunked\r\n\r\n7\r\n0\r\n\r\n\r\n\r\n0\r\n\r\n";
    EXPECT_EQ(lookalike.size(), CompleteAt(lookalike));
    // chunked as the last coding wins over Content-Length; leading zeros and case of hex digits.
    std::string mixed = kHeader + "Content-Length: 3\r\ntransfer-encoding: gzip, Chunked\r\n\r\n000a\r\n0123456789\r\n00\r\n\r\n";
    EXPECT_EQ(mixed.size(), CompleteAt(mixed));
}

TEST(ReplyFraming, WithoutUsableFramingReadUntilClose) {
    const std::string replies[] = {
        kHeader + "\r\n" + std::string(100, 'b'),
        kHeader + "Transfer-Encoding: chunked, gzip\r\n\r\n0\r\n\r\n",
        kHeader + "Transfer-Encoding: chunked\r\n\r\nzz\r\nhello\r\n0\r\n\r\n",       // bad chunk size
        kHeader + "Transfer-Encoding: chunked\r\n\r\n\r\n0\r\n\r\n",                   // no digit
        kHeader + "Transfer-Encoding: chunked\r\n\r\n3\r\nabcX0\r\n\r\n",              // no CRLF after data
        kHeader + "Transfer-Encoding: chunked\r\n\r\nfffffffffffffff\r\n0\r\n\r\n",   // absurd size
        kHeader + "Content-Length: 2\r\nContent-Length: 3\r\n\r\nabc",                 // conflicting lengths
        kHeader + "Content-Length: -1\r\n\r\nabc",
        kHeader + "Content-Length: 1 2\r\n\r\nabc",
        kHeader + "Content-Length:\r\n\r\nabc",
        kHeader + "Content-Length: 1234567890123456\r\n\r\nabc",
        "ICY 200 OK\r\nContent-Length: 1\r\n\r\nabc",
        "HTTP/1.1 2x0 OK\r\nContent-Length: 1\r\n\r\nabc",
        "HTTP/1.1 204",  // header never ends
    };
    for (const std::string& reply : replies) EXPECT_EQ(kNever, CompleteAt(reply)) << reply;
}

TEST(ReplyFraming, OnlyNewBytesAreScanned) {
    // Large pieces: a body of many megabytes is counted, not stored.
    std::string reply = kHeader + "Content-Length: 100000\r\n\r\n";
    std::string body(100000, 'x');
    std::string all = reply + body;
    ReplyFraming framing;
    StartReplyFraming(&framing);
    EXPECT_FALSE(ReplyIsComplete(&framing, all.data(), reply.size() + 50000));
    EXPECT_EQ(reply.size() + 50000, framing.scanned);
    EXPECT_FALSE(ReplyIsComplete(&framing, all.data(), all.size() - 1));
    EXPECT_TRUE(ReplyIsComplete(&framing, all.data(), all.size()));
}

}  // namespace
