// The reading of device replies from canned bytes: the reply classes and the
// status-page fields.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/text.h"
#include "http/http_exchange.h"

namespace {

class ReplyClass : public ::testing::Test {
protected:
    void SetUp() override { std::memset(&state_, 0, sizeof state_); }
    int Classify(const std::string& reply) { return ClassifyHttpReply(reply.c_str(), &state_); }
    DigestState state_;
};

TEST_F(ReplyClass, StatusLineForms) {
    EXPECT_EQ(kReplyOk, Classify("HTTP/1.1 200 OK\r\n\r\n"));
    EXPECT_EQ(kReplyOk, Classify("HTTP/1.1  \t \t200 OK\r\n"));  // blanks and tabs before the code
    EXPECT_EQ(kReplyOk, Classify("HTTP/1.1X200"));                // the ninth character is passed over
    EXPECT_EQ(kReplyOk, Classify("HTTP/1.1 2001"));               // only three digits compared
    EXPECT_EQ(kReplyOther, Classify("HTTP/1.1 404 Not Found\r\n\r\n"));
    EXPECT_EQ(kReplyOther, Classify("HTTP/1.1 20"));
    EXPECT_EQ(kReplyOther, Classify("HTTP/1.1\r\n200"));  // a line break is no blank
    EXPECT_EQ(kReplyNotHttp11, Classify("HTTP/1.0 200 OK\r\n\r\n"));
    EXPECT_EQ(kReplyNotHttp11, Classify("http/1.1 200 OK\r\n\r\n"));
    EXPECT_EQ(kReplyNotHttp11, Classify(""));
    EXPECT_EQ(kReplyNotHttp11, Classify("HTTP/1."));
    EXPECT_EQ(kReplyNoStatus, Classify("HTTP/1.1"));
    EXPECT_EQ(kReplyNoStatus, Classify("HTTP/1.1 "));
    EXPECT_EQ(kReplyNoStatus, Classify("HTTP/1.1 \t  \t"));
}

TEST_F(ReplyClass, ChallengeAcceptedOnlyWhenUsable) {
    EXPECT_EQ(kReplyOther, Classify("HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\n\r\n"));
    EXPECT_EQ(kReplyOther, Classify("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\"\r\n\r\n"));
    EXPECT_EQ(kReplyOther, Classify("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest nonce=\"n\"\r\n\r\n"));
    EXPECT_EQ(kReplyOther, Classify("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\"\r\n\r\n"));
    EXPECT_EQ(kReplyOther, Classify("HTTP/1.1 401 Unauthorized\r\nwww-authenticate: Digest realm=\"r\", nonce=\"n\""));
    EXPECT_STREQ("", state_.nonce);
    EXPECT_EQ(kReplyChallengeAccepted,
              Classify("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\", nonce=\"n\"\r\n\r\n"));
    EXPECT_STREQ("n", state_.nonce);
    // A challenge header on a reply of any other status is not looked at.
    EXPECT_EQ(kReplyOther, Classify("HTTP/1.1 403 Forbidden\r\nWWW-Authenticate: Digest realm=\"r\", nonce=\"x\""));
    EXPECT_STREQ("n", state_.nonce);
    // The challenge is its header field alone: a parameter in the body does not count.
    EXPECT_EQ(kReplyOther,
              Classify("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\"\r\n\r\nnonce=\"body\""));
    EXPECT_STREQ("n", state_.nonce);
}

// ---- page fields ------------------------------------------------------------

std::string Extract(const char* reply, const char* label, int limit = 127, bool* found = nullptr) {
    char field[256];
    CopyText(field, sizeof field, "unchanged");
    bool result = ExtractPageField(reply, label, field, limit);
    if (found != nullptr) *found = result;
    return field;
}

TEST(PageField, ValueAfterTags) {
    EXPECT_EQ("3.1.24(QE)", Extract("<td>Software Version:</td><td>3.1.24(QE)</td>", "Software Version:"));
    // An end tag, an empty cell and then the cell with the value.
    EXPECT_EQ("QEV-2100", Extract("<tr><td>Product Name:</td><td></td><td>QEV-2100</td>", "Product Name:"));
    // A line break between two tags is itself the value.
    EXPECT_EQ("\r\n", Extract("<td>MAC Address:</td>\r\n<td>02:00:5E:AA:BB:CC</td>", "MAC Address:"));
    // Text up to the end when no "<" follows; verbatim, blanks and references kept.
    EXPECT_EQ(" a &amp; b ", Extract("Serial Number:> a &amp; b ", "Serial Number:"));
    // A ">" right before the end gives an empty value.
    EXPECT_EQ("", Extract("Serial Number:>", "Serial Number:"));
    // The first occurrence anywhere, headers included.
    EXPECT_EQ("header", Extract("HTTP/1.1 200 OK\r\nX-Note: Product Name:<b>header</b>\r\n\r\n<td>Product Name:</td>"
                                "<td>body</td>",
                                "Product Name:"));
}

TEST(PageField, AbsentLeavesFieldUntouched) {
    bool found = true;
    EXPECT_EQ("unchanged", Extract("<td>Software Version:</td>", "MAC Address:", 127, &found));
    EXPECT_FALSE(found);
    EXPECT_EQ("unchanged", Extract("Software Version: 1.0", "Software Version:", 127, &found));  // no tag after
    EXPECT_FALSE(found);
    EXPECT_EQ("unchanged", Extract("Software Version:</td><td><b", "Software Version:", 127, &found));
    EXPECT_FALSE(found);
    EXPECT_EQ("unchanged", Extract("software version:</td><td>1", "Software Version:", 127, &found));  // case matters
    EXPECT_FALSE(found);
    EXPECT_EQ("", Extract("Software Version:</td><td><b></b>", "Software Version:", 127, &found));
    EXPECT_TRUE(found);
}

TEST(PageField, CutToTheLimit) {
    std::string reply = "<td>Hardware Version:</td><td>" + std::string(200, 'v') + "</td>";
    char field[200];
    std::memset(field, '#', sizeof field);
    ASSERT_TRUE(ExtractPageField(reply.c_str(), "Hardware Version:", field, 127));
    EXPECT_EQ(std::string(127, 'v'), field);
    EXPECT_EQ('#', field[128]);
}

}  // namespace
