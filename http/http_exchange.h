// One HTTP/1.1 GET against the device's built-in web server, on a record of
// its own: the request, the credentials as they stood when it began, the
// reply and the status-page fields read from it.
#pragma once

#include <cstdint>

#include "common/outcome.h"
#include "http/digest.h"
#include "http/page_fields.h"
#include "platform/platform.h"

// The Host value of every request: a fixed private address that is neither
// the device's nor this PC's.
extern const char kHttpHostValue[];
// Local ports tried from the caller's base upward: base to base + 100.
constexpr int kLocalPortAttempts = 101;
// The reply buffer; one byte always stays for the terminator.
constexpr int kReceiveBufferSize = 131072;
constexpr int kReceiveLimit = kReceiveBufferSize - 1;
// Room for the longest path the tool asks for (the upgrade command's is 55).
constexpr int kRequestPathSize = 128;

// Classes of a reply (ClassifyHttpReply).
constexpr int kReplyNotHttp11 = -1;         // does not begin with "HTTP/1.1"
constexpr int kReplyNoStatus = -2;          // nothing after the protocol version
constexpr int kReplyOk = 0;                 // status 200
constexpr int kReplyChallengeAccepted = 1;  // 401 whose challenge the credential state took
constexpr int kReplyOther = 2;              // any other status, or a 401 without a usable challenge

// One exchange with the device. Every query has its own, so that two
// exchanges at once (a device that holds the reply to the upgrade command
// open while it is queried after its reboot) never share a buffer or a field.
struct HttpExchange {
    // What to ask: addresses in host order.
    std::uint32_t localAddress;
    std::uint16_t localPortBase;  // the first local port tried
    std::uint32_t deviceAddress;
    std::uint16_t devicePort;
    char path[kRequestPathSize];
    // In: the credentials and the last challenge when the exchange began.
    // Out: the nonce count and uri of this request, and a new challenge.
    DigestState digest;
    // In: the fields as known so far. Out: the fields the reply carried
    // replace them (fieldsFound says which).
    PageFields fields;
    unsigned fieldsFound;
    // Out.
    Outcome failure;                // HttpSocketOpen or HttpSocketBind; Continue otherwise
    ConnectFailure connectFailure;  // why there was no connection (None when there was one)
    char reply[kReceiveBufferSize];  // the request is composed here, then the reply received
};

// Performs the exchange: one GET of the path on a fresh connection from the
// local address (first free port from the base) to the device, with an
// Authorization line once a password is known, reading the reply into the
// exchange (always terminated). Returns -1 when the reply was a 401 whose
// challenge was accepted, otherwise the number of reply bytes (0: no
// connection or no reply, and 0 with `failure` set when no socket could be
// created or bound). Every other reply fills the page fields it carries.
int HttpGet(HttpExchange* exchange);

// A TCP connection from the first local port from localPortBase that can be
// bound, or kInvalidSocket: with *failure set when no socket can be created
// or none of the ports bound, with *why set when the device cannot be reached.
SocketHandle ConnectToDevice(std::uint32_t localAddress, std::uint16_t localPortBase, std::uint32_t deviceAddress,
                             std::uint16_t devicePort, Outcome* failure, ConnectFailure* why);

// Classifies a terminated reply (one of the kReply codes); a 401 challenge is
// handed to ParseChallenge with the credential state.
int ClassifyHttpReply(const char* reply, DigestState* state);
