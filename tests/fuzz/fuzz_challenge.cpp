// Fuzzes the challenge parser over a state that already holds an earlier
// challenge and credentials, then builds the Authorization line from the
// result: one line, whose quoted values read back as they are stored.
#include <cstring>
#include <string>

#include "common/text.h"
#include "http/challenge_parameters.h"
#include "http/digest.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr char kLineStart[] = "Authorization: ";

// Reads the line's quoted values back with the challenge reader: each is the
// value it was written from (opaque is left out when empty).
void CheckLineReadsBack(const char* line, const DigestState& state) {
    struct Written {
        const char* name;
        const char* value;
    } written[] = {{"username", state.user}, {"realm", state.realm},         {"nonce", state.nonce},
                   {"uri", state.uri},       {"algorithm", state.algorithm}, {"opaque", state.opaque}};
    constexpr int kCount = sizeof written / sizeof written[0];
    char values[kCount][kDigestTextSize];
    ChallengeParameter parameters[kCount];
    for (int i = 0; i < kCount; ++i) parameters[i] = {written[i].name, values[i], sizeof values[i], false, 0};
    std::string field = "WWW-Authenticate: " + std::string(line + sizeof kLineStart - 1);
    ReadChallengeParameters(field.c_str(), "digest", parameters, kCount);
    for (int i = 0; i < kCount; ++i) {
        bool onTheLine = written[i].value != state.opaque || state.opaque[0] != '\0';
        FUZZ_CHECK(parameters[i].found == onTheLine);
        FUZZ_CHECK(std::strcmp(values[i], written[i].value) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char> text = TerminatedText(data, size);
    DigestState state;
    std::memset(&state, 0, sizeof state);
    FUZZ_CHECK(ParseChallenge("WWW-Authenticate: Digest realm=\"old\", nonce=\"n0\", algorithm=\"MD5-sess\", "
                              "qop=\"auth\", opaque=\"o0\"",
                              &state) == 0);
    CopyText(state.user, sizeof state.user, "admin");
    CopyText(state.password, sizeof state.password, "secret");
    CopyText(state.uri, sizeof state.uri, "/admin/advanced");
    state.nonceCount = 7;
    DigestState before = state;

    int result = ParseChallenge(text.data(), &state);
    FUZZ_CHECK(result == 0 || result == 1);
    FUZZ_CHECK(Terminated(state.realm) && Terminated(state.nonce) && Terminated(state.previousNonce) &&
               Terminated(state.cnonce) && Terminated(state.qop) && Terminated(state.algorithm) &&
               Terminated(state.opaque));
    if (result == 1) {
        // A refusal changes nothing but, with a realm and no nonce, the realm.
        CopyText(before.realm, sizeof before.realm, state.realm);
        FUZZ_CHECK(std::memcmp(&before, &state, sizeof state) == 0);
    } else {
        FUZZ_CHECK(std::strcmp(state.nonce, state.previousNonce) == 0);
        FUZZ_CHECK(state.nonceCount == 0 || state.nonceCount == 7);
    }

    ++state.nonceCount;
    char line[2048];
    std::size_t written = BuildAuthorization(&state, line, sizeof line);
    FUZZ_CHECK(written == std::strlen(line) && written + 1 < sizeof line);
    // Its only line break is the one that ends it.
    FUZZ_CHECK(written >= 2 && std::strpbrk(line, "\r\n") == line + written - 2 && line[written - 1] == '\n');
    FUZZ_CHECK(std::strncmp(line, "Authorization: Digest username=\"admin\",", 39) == 0);
    CheckLineReadsBack(line, state);
    return 0;
}
