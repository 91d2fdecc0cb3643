// The HTTP exchange over real sockets against the scripted loopback server:
// the exact request bytes, the reply handling, Digest authentication across
// requests, the local-port fallback, the buffer limit and the end of a reply
// on a connection the server keeps open.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <memory>

#include "common/text.h"
#include "http/http_exchange.h"
#include "platform/platform.h"
#include "tests/support/loopback_http_server.h"

namespace {

// Local port bases, one range per test where the port itself is checked;
// the rest share one (a port left in TIME_WAIT just moves them on).
constexpr std::uint16_t kSharedPortBase = 45100;
constexpr std::uint16_t kFallbackPortBase = 47310;
constexpr std::uint16_t kReusedPortBase = 47320;
constexpr std::uint16_t kBindFailurePortBase = 47500;

const char kStatusPage[] =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"
    "<html><table>"
    "<tr><td>Product Name:</td><td>QEV-1040</td></tr>"
    "<tr><td>MAC Address:</td><td>02:00:5E:12:34:56</td></tr>"
    "<tr><td>Software Version:</td><td>3.1.22(QE)</td></tr>"
    "<tr><td>Hardware Version:</td><td>1.0.2</td></tr>"
    "<tr><td>Serial Number:</td><td>QA1040123456</td></tr>"
    "</table></html>";

// The status-page request without credentials, as the device receives it.
const char kPlainStatusRequest[] = "GET /admin/advanced HTTP/1.1\r\nHost: 192.168.254.254\r\n\r\n";

std::string Challenge(const char* nonce) {
    return std::string(
               "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"QEV Device\", nonce=\"") +
           nonce + "\", algorithm=\"MD5\", qop=\"auth\", opaque=\"op\"\r\n\r\n<td>Product Name:</td><td>hidden</td>";
}

// An exchange record with its request filled in; the credentials and the
// fields it holds carry over from one exchange to the next, as the device
// session hands them on.
std::unique_ptr<::HttpExchange> NewExchange() {
    std::unique_ptr<::HttpExchange> exchange(new ::HttpExchange());
    exchange->localAddress = kLoopbackAddress;
    exchange->deviceAddress = kLoopbackAddress;
    return exchange;
}

int Get(::HttpExchange* exchange, const char* path, std::uint16_t portBase, std::uint16_t port) {
    exchange->localPortBase = portBase;
    exchange->devicePort = port;
    CopyText(exchange->path, sizeof exchange->path, path);
    return HttpGet(exchange);
}

class HttpExchange : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartSocketLibrary());
        ASSERT_TRUE(server_.Start());
    }

    int Get(const char* path, std::uint16_t portBase = kSharedPortBase) {
        return ::Get(exchange_.get(), path, portBase, server_.Port());
    }

    std::string LastRequest() {
        std::vector<RecordedRequest> requests = server_.Requests();
        return requests.empty() ? std::string() : requests.back().bytes;
    }

    LoopbackHttpServer server_;
    std::unique_ptr<::HttpExchange> exchange_ = NewExchange();
};

TEST_F(HttpExchange, StatusPageRequestAndFields) {
    server_.Enqueue(kStatusPage);
    ASSERT_EQ(static_cast<int>(std::strlen(kStatusPage)), Get("/admin/advanced"));
    EXPECT_EQ(kPlainStatusRequest, LastRequest());
    EXPECT_STREQ(kStatusPage, exchange_->reply);
    EXPECT_EQ(0u, exchange_->digest.nonceCount);
    const PageFields& fields = exchange_->fields;
    EXPECT_STREQ("QEV-1040", fields.productName);
    EXPECT_STREQ("02:00:5E:12:34:56", fields.macAddress);
    EXPECT_STREQ("3.1.22(QE)", fields.softwareVersion);
    EXPECT_STREQ("1.0.2", fields.hardwareVersion);
    EXPECT_STREQ("QA1040123456", fields.serialNumber);

    // A later reply without some labels leaves those fields as they were.
    server_.Enqueue("HTTP/1.1 200 OK\r\n\r\n<td>Software Version:</td><td>3.1.24(QE)</td>");
    ASSERT_GT(Get("/admin/advanced"), 0);
    EXPECT_STREQ("3.1.24(QE)", fields.softwareVersion);
    EXPECT_STREQ("02:00:5E:12:34:56", fields.macAddress);
    EXPECT_STREQ("QEV-1040", fields.productName);
}

TEST_F(HttpExchange, EveryOtherReplyIsCountedAndScraped) {
    const std::string replies[] = {
        "HTTP/1.1 404 Not Found\r\n\r\n<td>Product Name:</td><td>from 404</td>",
        "HTTP/1.0 200 OK\r\n\r\n<td>Product Name:</td><td>from 1.0</td>",
        "HTTP/1.1 401 Unauthorized\r\n\r\n<td>Product Name:</td><td>401 without challenge</td>",
        "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"r\"\r\n\r\n<td>Product Name:</td><td>no nonce</td>",
        "garbage <td>Product Name:</td><td>not HTTP</td>",
    };
    const char* const names[] = {"from 404", "from 1.0", "401 without challenge", "no nonce", "not HTTP"};
    for (int i = 0; i < 5; ++i) {
        server_.Enqueue(replies[i]);
        EXPECT_EQ(static_cast<int>(replies[i].size()), Get("/admin/advanced")) << replies[i];
        EXPECT_STREQ(names[i], exchange_->fields.productName);
    }
    server_.Enqueue("HTTP/1.1");
    EXPECT_EQ(8, Get("/admin/advanced"));
    // Closed without any reply.
    server_.Enqueue("");
    EXPECT_EQ(0, Get("/admin/advanced"));
    EXPECT_STREQ("", exchange_->reply);
    EXPECT_STREQ("not HTTP", exchange_->fields.productName);
}

// The responses of the three authenticated requests below, in order:
// python3 -c "from hashlib import md5;h=lambda s:md5(s.encode()).hexdigest();[print(h(h('admin:QEV Device:pass word')+f':{n}:{c}:{k}:auth:'+h('GET:'+p))) for n,c,k,p in [('nonce-1','000000001','1a2b','/admin/advanced'),('nonce-1','000000002','1a2b','/admin/upgrade?tftp://127.0.0.1:69/qev4d2.bi1'),('nonce-2','000000001','4d5e','/admin/advanced')]]"
TEST_F(HttpExchange, DigestAuthenticationAcrossRequests) {
    ScriptRandomDraws({0x1a2b, 0x3c, 0x4d5e});  // the client nonces of the three challenges
    // Without credentials the challenge is taken and reported as -1; no field changes.
    CopyText(exchange_->fields.productName, kPageFieldSize, "before");
    server_.Enqueue(Challenge("nonce-1"));
    ASSERT_EQ(-1, Get("/admin/advanced"));
    EXPECT_EQ(kPlainStatusRequest, LastRequest());
    EXPECT_STREQ("before", exchange_->fields.productName);

    // The password dialog fills the credentials; the next requests count 1, 2, ...
    CopyText(exchange_->digest.user, kDigestTextSize, "admin");
    CopyText(exchange_->digest.password, kDigestTextSize, "pass word");
    server_.Enqueue(kStatusPage);
    ASSERT_GT(Get("/admin/advanced"), 0);
    EXPECT_EQ("GET /admin/advanced HTTP/1.1\r\nHost: 192.168.254.254\r\nAuthorization: Digest username=\"admin\","
              "realm=\"QEV Device\",nonce=\"nonce-1\",uri=\"/admin/advanced\",algorithm=\"MD5\",response=\""
              "dc9f5565d32e3c88f1d18fc63626fc21\",opaque=\"op\",qop=auth,nc=000000001,cnonce=\"1a2b\"\r\n\r\n",
              LastRequest());
    EXPECT_STREQ("QEV-1040", exchange_->fields.productName);

    server_.Enqueue("HTTP/1.1 200 OK\r\n\r\n");
    ASSERT_GT(Get("/admin/upgrade?tftp://127.0.0.1:69/qev4d2.bi1"), 0);
    EXPECT_EQ("GET /admin/upgrade?tftp://127.0.0.1:69/qev4d2.bi1 HTTP/1.1\r\nHost: 192.168.254.254\r\n"
              "Authorization: Digest username=\"admin\",realm=\"QEV Device\",nonce=\"nonce-1\","
              "uri=\"/admin/upgrade?tftp://127.0.0.1:69/qev4d2.bi1\",algorithm=\"MD5\",response=\""
              "2d0aef065b89ae926ab94fd0e316cd87\",opaque=\"op\",qop=auth,nc=000000002,cnonce=\"1a2b\"\r\n\r\n",
              LastRequest());

    // The device refuses with the same nonce: the count goes on. A new nonce resets it.
    server_.Enqueue(Challenge("nonce-1"));
    ASSERT_EQ(-1, Get("/admin/advanced"));
    EXPECT_EQ(3u, exchange_->digest.nonceCount);
    server_.Enqueue(Challenge("nonce-2"));
    ASSERT_EQ(-1, Get("/admin/advanced"));
    server_.Enqueue(kStatusPage);
    ASSERT_GT(Get("/admin/advanced"), 0);
    EXPECT_EQ("GET /admin/advanced HTTP/1.1\r\nHost: 192.168.254.254\r\nAuthorization: Digest username=\"admin\","
              "realm=\"QEV Device\",nonce=\"nonce-2\",uri=\"/admin/advanced\",algorithm=\"MD5\",response=\""
              "6c218fffd27b5fcd348b5fe11992c650\",opaque=\"op\",qop=auth,nc=000000001,cnonce=\"4d5e\"\r\n\r\n",
              LastRequest());
}

TEST_F(HttpExchange, RefusedConnectionReturnsZero) {
    // A bound socket that does not listen: connections to its port are refused.
    SocketHandle closedPort = OpenTcpSocket();
    SocketAddress address;
    FillSocketAddress(kLoopbackAddress, server_.Port(), &address);
    server_.Stop();
    AllowPortReuse(closedPort);  // earlier tests' connections may linger on the port
    ASSERT_TRUE(BindSocket(closedPort, address));

    CopyText(exchange_->fields.serialNumber, kPageFieldSize, "kept");
    EXPECT_EQ(0, Get("/admin/advanced"));
    EXPECT_EQ(0u, exchange_->digest.nonceCount);
    // With a password the count has moved on all the same, and the uri is set.
    CopyText(exchange_->digest.password, kDigestTextSize, "pw");
    EXPECT_EQ(0, Get("/admin/status"));
    EXPECT_EQ(1u, exchange_->digest.nonceCount);
    EXPECT_STREQ("/admin/status", exchange_->digest.uri);
    EXPECT_STREQ("kept", exchange_->fields.serialNumber);
    EXPECT_EQ(0u, server_.RequestCount());
    CloseSocket(closedPort);
}

TEST_F(HttpExchange, LocalPortFallsBackPastTakenPorts) {
    SocketHandle taken[2];
    for (int i = 0; i < 2; ++i) {
        taken[i] = OpenTcpSocket();
        SocketAddress address;
        FillSocketAddress(kLoopbackAddress, static_cast<std::uint16_t>(kFallbackPortBase + i), &address);
        ASSERT_TRUE(BindSocket(taken[i], address)) << "port " << kFallbackPortBase + i << " in use";
    }
    // No framing: the server closes first, so the client port is not left in TIME_WAIT.
    server_.Enqueue("HTTP/1.1 200 OK\r\n\r\nok");
    ASSERT_EQ(21, Get("/admin/advanced", kFallbackPortBase));
    std::vector<RecordedRequest> requests = server_.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(kFallbackPortBase + 2, requests[0].peerPort);
    EXPECT_EQ(kLoopbackAddress, requests[0].peerAddress);
    for (SocketHandle socket : taken) CloseSocket(socket);
}

TEST_F(HttpExchange, ReplyFillsTheBufferExactly) {
    std::string header = "HTTP/1.1 200 OK\r\n\r\n";
    std::string reply = header + std::string(kReceiveLimit - header.size(), 'p');
    ASSERT_EQ(static_cast<std::size_t>(kReceiveLimit), reply.size());
    std::memset(exchange_->reply, '#', sizeof exchange_->reply);
    server_.Enqueue(reply);
    ASSERT_EQ(kReceiveLimit, Get("/admin/advanced"));
    EXPECT_EQ('\0', exchange_->reply[kReceiveLimit]);
    EXPECT_EQ(reply, std::string(exchange_->reply));

    // A longer reply stops at the limit; the rest is not read.
    ScriptedReply longer;
    longer.bytes = reply + "QQQQ" + std::string(5000, 'q');
    longer.pieceSize = 16384;
    server_.Enqueue(longer);
    ASSERT_EQ(kReceiveLimit, Get("/admin/advanced"));
    EXPECT_EQ(reply, std::string(exchange_->reply));
}

TEST_F(HttpExchange, ReplyInPiecesIsGatheredUntilTheClose) {
    ScriptedReply reply;
    reply.bytes = kStatusPage;
    reply.pieceSize = 7;
    server_.Enqueue(reply);
    ASSERT_EQ(static_cast<int>(std::strlen(kStatusPage)), Get("/admin/advanced"));
    EXPECT_STREQ(kStatusPage, exchange_->reply);
    EXPECT_STREQ("QA1040123456", exchange_->fields.serialNumber);
}

// A server that keeps the connection open after a framed reply: the exchange
// ends by itself when the reply is complete and closes first.
TEST_F(HttpExchange, KeptOpenConnectionEndsWithTheFramedReply) {
    const std::string body = "<td>Product Name:</td><td>kept open</td>";
    const std::string lengthReply =
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    server_.Enqueue(lengthReply, ReplyEnding::kKeepOpen);
    ASSERT_EQ(static_cast<int>(lengthReply.size()), Get("/admin/advanced"));
    EXPECT_STREQ("kept open", exchange_->fields.productName);

    ScriptedReply chunked;
    chunked.bytes = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                    "11\r\n<td>Product Name:\r\n"
                    "f\r\n</td><td>chunky\r\n"
                    "5\r\n</td>\r\n"
                    "0\r\n\r\n";
    chunked.ending = ReplyEnding::kKeepOpen;
    chunked.pieceSize = 5;
    server_.Enqueue(chunked);
    ASSERT_EQ(static_cast<int>(chunked.bytes.size()), Get("/admin/advanced"));
    // The chunk framing is not decoded: the value runs over the next size line.
    EXPECT_STREQ("chunky\r\n5\r\n", exchange_->fields.productName);

    // A 401 challenge on a kept-open connection is taken at once as well.
    std::string challenge = Challenge("kept");
    std::size_t headerEnd = challenge.find("\r\n\r\n");
    std::string length = std::to_string(challenge.size() - headerEnd - 4);
    challenge.replace(headerEnd, 4, "\r\nContent-Length: " + length + "\r\n\r\n");
    server_.Enqueue(challenge, ReplyEnding::kKeepOpen);
    ASSERT_EQ(-1, Get("/admin/advanced"));

    ASSERT_TRUE(server_.WaitForFinishedConnections(3, 30000));
    for (const RecordedRequest& request : server_.Requests()) EXPECT_TRUE(request.peerClosedFirst);
}

// Closing first leaves no TIME_WAIT behind, whether the reply was complete by
// its framing or filled the buffer: the next exchange with the same device
// gets the same local port and connects (Windows binds a port in TIME_WAIT
// again and then refuses the connection to the same peer).
TEST_F(HttpExchange, LocalPortIsFreeAgainAfterTheClientClosesFirst) {
    const std::string framed = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    const std::string header = "HTTP/1.1 200 OK\r\n\r\n";
    const std::string full = header + std::string(kReceiveLimit - header.size(), 'f');
    const std::string replies[] = {framed, full, framed};
    for (const std::string& reply : replies) server_.Enqueue(reply, ReplyEnding::kKeepOpen);
    for (const std::string& reply : replies) {
        ASSERT_EQ(static_cast<int>(reply.size()), Get("/admin/advanced", kReusedPortBase));
    }
    ASSERT_TRUE(server_.WaitForFinishedConnections(3, 30000));
    // The same port every time (the base itself unless an earlier run left it taken).
    std::vector<RecordedRequest> requests = server_.Requests();
    for (const RecordedRequest& request : requests) {
        EXPECT_EQ(requests[0].peerPort, request.peerPort);
        EXPECT_TRUE(request.peerClosedFirst);
    }
}

// Without framing the reply ends only with the close, which the server gives here after holding the connection;
// so does an interim reply that nothing follows.
TEST_F(HttpExchange, UnframedReplyOnKeptOpenConnectionWaitsForTheClose) {
    server_.SetHoldLimit(300);
    server_.Enqueue("HTTP/1.1 200 OK\r\n\r\n<td>Product Name:</td><td>late</td>", ReplyEnding::kKeepOpen);
    server_.Enqueue("HTTP/1.1 100 Continue\r\n\r\n", ReplyEnding::kKeepOpen);
    ASSERT_EQ(54, Get("/admin/advanced"));
    EXPECT_STREQ("late", exchange_->fields.productName);
    ASSERT_EQ(25, Get("/admin/advanced"));
    ASSERT_TRUE(server_.WaitForFinishedConnections(2, 30000));
    for (const RecordedRequest& request : server_.Requests()) EXPECT_FALSE(request.peerClosedFirst);
}

// An interim reply, arriving on its own, is read past: the reply after it is read and framed.
TEST_F(HttpExchange, InterimReplyIsReadPast) {
    const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
    ScriptedReply page;
    page.bytes = interim + kStatusPage;
    page.pieceSize = interim.size();
    server_.Enqueue(page);
    ASSERT_EQ(static_cast<int>(page.bytes.size()), Get("/admin/advanced"));
    EXPECT_STREQ("QA1040123456", exchange_->fields.serialNumber);

    // The class is the final reply's: a challenge behind the 100 is taken.
    ScriptedReply challenge = page;
    challenge.bytes = interim + "HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\n"
                                "WWW-Authenticate: Digest realm=\"r\", nonce=\"n\"\r\n\r\n";
    challenge.ending = ReplyEnding::kKeepOpen;
    server_.Enqueue(challenge);
    ASSERT_EQ(-1, Get("/admin/advanced"));
    EXPECT_STREQ("n", exchange_->digest.nonce);
    ASSERT_TRUE(server_.WaitForFinishedConnections(2, 30000));
    EXPECT_TRUE(server_.Requests()[1].peerClosedFirst) << "ended by the framing";
}

// The server's silent mode, for callers that must give up on a device that never answers.
TEST_F(HttpExchange, SilentServerHoldsUntilTheClientCloses) {
    server_.Enqueue("never sent", ReplyEnding::kStaySilent);
    Outcome failure = Outcome::Continue;
    ConnectFailure why = ConnectFailure::Other;
    SocketHandle socket =
        ConnectToDevice(kLoopbackAddress, kSharedPortBase, kLoopbackAddress, server_.Port(), &failure, &why);
    EXPECT_EQ(ConnectFailure::None, why);
    ASSERT_NE(kInvalidSocket, socket);
    const char request[] = "GET / HTTP/1.1\r\n\r\n";
    ASSERT_EQ(static_cast<int>(sizeof request - 1), SendBytes(socket, request, sizeof request - 1));
    for (int i = 0; i < 10000 && server_.RequestCount() == 0; ++i) SleepMilliseconds(1);
    CloseSocket(socket);
    ASSERT_TRUE(server_.WaitForFinishedConnections(1, 30000));
    EXPECT_EQ(request, server_.Requests()[0].bytes);
    EXPECT_TRUE(server_.Requests()[0].peerClosedFirst);
}

// Takes the loopback ports from first to last (a port someone else holds is just as taken).
std::vector<SocketHandle> TakePorts(int first, int last) {
    std::vector<SocketHandle> taken;
    for (int port = first; port <= last; ++port) {
        SocketHandle socket = OpenTcpSocket();
        SocketAddress address;
        FillSocketAddress(kLoopbackAddress, static_cast<std::uint16_t>(port), &address);
        BindSocket(socket, address);
        taken.push_back(socket);
    }
    return taken;
}

TEST(HttpExchangeFailure, NoLocalPortToBindIsTheBindFailure) {
    ASSERT_TRUE(StartSocketLibrary());
    std::vector<SocketHandle> taken = TakePorts(kBindFailurePortBase, kBindFailurePortBase + kLocalPortAttempts - 1);
    std::unique_ptr<::HttpExchange> exchange = NewExchange();
    EXPECT_EQ(0, Get(exchange.get(), "/admin/advanced", kBindFailurePortBase, 80));
    EXPECT_EQ(Outcome::HttpSocketBind, exchange->failure);
    for (SocketHandle socket : taken) CloseSocket(socket);
}

// Near the top of the port range the attempts stop at 65535 instead of
// wrapping round to port 0, which would bind any free port.
TEST(HttpExchangeFailure, PortRangeEndsAtTheLastPort) {
    ASSERT_TRUE(StartSocketLibrary());
    std::vector<SocketHandle> taken = TakePorts(65500, 65535);
    std::unique_ptr<::HttpExchange> exchange = NewExchange();
    EXPECT_EQ(0, Get(exchange.get(), "/admin/advanced", 65500, 80));
    EXPECT_EQ(Outcome::HttpSocketBind, exchange->failure);
    for (SocketHandle socket : taken) CloseSocket(socket);
}

}  // namespace
