// Fuzzes the classification of a device reply, which hands a 401 challenge
// to the challenge parser.
#include <cstring>

#include "http/http_exchange.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char> reply = TerminatedText(data, size);
    DigestState state;
    std::memset(&state, 0, sizeof state);
    int result = ClassifyHttpReply(reply.data(), &state);
    FUZZ_CHECK(result == kReplyNotHttp11 || result == kReplyNoStatus || result == kReplyOk ||
               result == kReplyChallengeAccepted || result == kReplyOther);
    FUZZ_CHECK(Terminated(state.realm) && Terminated(state.nonce) && Terminated(state.previousNonce) &&
               Terminated(state.cnonce) && Terminated(state.qop) && Terminated(state.algorithm) &&
               Terminated(state.opaque));
    if (result == kReplyChallengeAccepted) {
        FUZZ_CHECK(std::strcmp(state.nonce, state.previousNonce) == 0);
        std::size_t cnonceLength = std::strlen(state.cnonce);
        FUZZ_CHECK(cnonceLength >= 1 && cnonceLength <= 4);
    } else {
        FUZZ_CHECK(state.nonce[0] == '\0' && state.cnonce[0] == '\0');
    }
    return 0;
}
