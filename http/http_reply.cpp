// The class of a device reply, with the digest challenge of a 401. Pure text
// work over the terminated reply.
#include <cstring>

#include "http/digest.h"
#include "http/http_exchange.h"

int ClassifyHttpReply(const char* reply, DigestState* state) {
    if (std::strncmp(reply, "HTTP/1.1", 8) != 0) return kReplyNotHttp11;
    // The character after the version is passed over, whatever it is.
    if (reply[8] == '\0') return kReplyNoStatus;
    const char* status = reply + 9;
    while (*status == ' ' || *status == '\t') ++status;
    if (*status == '\0') return kReplyNoStatus;
    if (std::strncmp(status, "200", 3) == 0) return kReplyOk;
    if (std::strncmp(status, "401", 3) != 0) return kReplyOther;
    const char* challenge = std::strstr(status, "WWW-Authenticate:");
    if (challenge == nullptr) return kReplyOther;
    return ParseChallenge(challenge, state) == 0 ? kReplyChallengeAccepted : kReplyOther;
}
