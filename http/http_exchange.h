// One HTTP/1.1 GET against the device's built-in web server, and the
// scraping of the status-page fields from its reply.
#pragma once

#include <cstdint>

#include "common/upgrade_state.h"
#include "platform/platform.h"

// The Host value of every request: a fixed private address that is neither
// the device's nor this PC's.
extern const char kHttpHostValue[];
// Local ports tried from the caller's base upward: base to base + 100.
constexpr int kLocalPortAttempts = 101;

// Classes of a reply (ClassifyHttpReply).
constexpr int kReplyNotHttp11 = -1;         // does not begin with "HTTP/1.1"
constexpr int kReplyNoStatus = -2;          // nothing after the protocol version
constexpr int kReplyOk = 0;                 // status 200
constexpr int kReplyChallengeAccepted = 1;  // 401 whose challenge the credential state took
constexpr int kReplyOther = 2;              // any other status, or a 401 without a usable challenge

// Performs one GET of path on a fresh connection from localAddress (first
// free port from localPortBase) to the device, with an Authorization line
// once a password is known, and reads the reply into buffer (room for
// size + 1 bytes; always terminated). Returns -1 when the reply was a 401
// whose challenge was accepted, otherwise the number of reply bytes (0: no
// connection or no reply). Every other reply fills the page fields it
// carries. Ends the process when no socket can be created or bound.
int HttpGet(std::uint32_t localAddress, std::uint16_t localPortBase, std::uint32_t deviceAddress,
            std::uint16_t devicePort, const char* path, char* buffer, int size);

// A TCP connection from the first local port from localPortBase that can be
// bound, or kInvalidSocket when the device cannot be reached. Ends the
// process when no socket can be created or none of the ports bound.
SocketHandle ConnectToDevice(std::uint32_t localAddress, std::uint16_t localPortBase, std::uint32_t deviceAddress,
                             std::uint16_t devicePort);

// Classifies a terminated reply (one of the kReply codes); a 401 challenge is
// handed to ParseChallenge with the credential state.
int ClassifyHttpReply(const char* reply, DigestState* state);

// The first text after label that directly follows a tag, up to the next "<"
// and at most limit characters, into field (room for limit + 1). False, with
// the field untouched, when the label or a tag after it is missing.
bool ExtractPageField(const char* reply, const char* label, char* field, int limit);
