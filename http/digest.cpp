// HTTP Digest authentication: challenge parsing, the response digest of
// RFC 2617 and the Authorization line.
#include "http/digest.h"

#include <cstring>

#include "common/text.h"
#include "http/challenge_parameters.h"
#include "platform/platform.h"

namespace {

constexpr unsigned kClientNonceMask = 0x7FFF;
constexpr char kDigestScheme[] = "digest";

// The values a challenge offers, held apart until all of them are known to
// fit their fields in the state.
struct ChallengeValues {
    char realm[sizeof DigestState::realm];
    char nonce[sizeof DigestState::nonce];
    char algorithm[sizeof DigestState::algorithm];
    char qop[sizeof DigestState::qop];
    char opaque[sizeof DigestState::opaque];
};

enum ChallengeParameterIndex { kRealm, kNonce, kAlgorithm, kQop, kOpaque, kChallengeParameterCount };

bool Fits(const ChallengeParameter& parameter) { return !parameter.found || parameter.length < parameter.capacity; }

// A value as the inside of a quoted-string: a backslash before each " and \.
struct QuotedText {
    char text[2 * kDigestTextSize];
};

QuotedText Quoted(const char* value) {
    QuotedText quoted;
    std::size_t length = 0;
    for (; *value != '\0' && length + 2 < sizeof quoted.text; ++value) {
        if (*value == '"' || *value == '\\') quoted.text[length++] = '\\';
        quoted.text[length++] = *value;
    }
    quoted.text[length] = '\0';
    return quoted;
}

void AddText(Md5Context* context, const char* text) { Md5Add(context, text, std::strlen(text)); }

// MD5 over the texts joined by ":".
void DigestJoined(const char* const* parts, int count, std::uint8_t digest[kMd5DigestSize]) {
    Md5Context context;
    Md5Start(&context);
    for (int i = 0; i < count; ++i) {
        if (i > 0) AddText(&context, ":");
        AddText(&context, parts[i]);
    }
    Md5Finish(&context, digest);
}

}  // namespace

int ParseChallenge(const char* text, DigestState* state) {
    ChallengeValues values;
    ChallengeParameter parameters[kChallengeParameterCount] = {
        {"realm", values.realm, sizeof values.realm, false, 0},
        {"nonce", values.nonce, sizeof values.nonce, false, 0},
        {"algorithm", values.algorithm, sizeof values.algorithm, false, 0},
        {"qop", values.qop, sizeof values.qop, false, 0},
        {"opaque", values.opaque, sizeof values.opaque, false, 0},
    };
    ReadChallengeParameters(text, kDigestScheme, parameters, kChallengeParameterCount);
    if (!parameters[kRealm].found || !Fits(parameters[kRealm])) return 1;
    if (!parameters[kNonce].found) {
        CopyText(state->realm, sizeof state->realm, values.realm);
        return 1;
    }
    // A value cut to its field could never authenticate: refuse the whole
    // challenge before anything is stored.
    for (const ChallengeParameter& parameter : parameters) {
        if (!Fits(parameter)) return 1;
    }

    CopyText(state->realm, sizeof state->realm, values.realm);
    CopyText(state->nonce, sizeof state->nonce, values.nonce);
    if (std::strcmp(state->nonce, state->previousNonce) != 0) {
        CopyText(state->previousNonce, sizeof state->previousNonce, state->nonce);
        state->nonceCount = 0;
    }
    // A fresh client nonce at every accepted challenge, whether the nonce
    // changed or not: 0 to 32767, so 1 to 4 hexadecimal digits.
    FormatText(state->cnonce, sizeof state->cnonce, "%x", DrawRandomNumber() & kClientNonceMask);
    if (parameters[kAlgorithm].found) CopyText(state->algorithm, sizeof state->algorithm, values.algorithm);
    if (parameters[kQop].found) CopyText(state->qop, sizeof state->qop, values.qop);
    // Absent, the opaque value is empty: an earlier one is not sent back.
    CopyText(state->opaque, sizeof state->opaque, values.opaque);
    return 0;
}

std::size_t BuildAuthorization(const DigestState* state, char* output, std::size_t capacity) {
    // The device counts nonces in nine hexadecimal digits; the same text
    // goes into the hash and onto the line.
    char nonceCountText[16] = "";
    if (state->qop[0] != '\0') FormatText(nonceCountText, sizeof nonceCountText, "%09x", state->nonceCount);
    char response[kDigestHexSize + 1];
    ComputeDigestResponse(state->nonce, state->cnonce, state->user, state->realm, state->password, state->algorithm,
                          nonceCountText, "GET", state->qop, state->uri, "", response);

    if (capacity == 0) return 0;
    output[0] = '\0';
    // The qop list goes back unquoted, as the device expects; every other
    // value is a quoted-string.
    AppendText(output, capacity,
               "Authorization: Digest username=\"%s\",realm=\"%s\",nonce=\"%s\",uri=\"%s\",algorithm=\"%s\","
               "response=\"%s\"",
               Quoted(state->user).text, Quoted(state->realm).text, Quoted(state->nonce).text, Quoted(state->uri).text,
               Quoted(state->algorithm).text, response);
    if (state->opaque[0] != '\0') AppendText(output, capacity, ",opaque=\"%s\"", Quoted(state->opaque).text);
    if (state->qop[0] != '\0') {
        AppendText(output, capacity, ",qop=%s,nc=%s,cnonce=\"%s\"", state->qop, nonceCountText,
                   Quoted(state->cnonce).text);
    }
    AppendText(output, capacity, "\r\n");
    return std::strlen(output);
}

void ComputeDigestResponse(const char* nonce, const char* cnonce, const char* user, const char* realm,
                           const char* password, const char* algorithm, const char* nonceCountText,
                           const char* method, const char* qop, const char* uri, const char* entityBody,
                           char response[kDigestHexSize + 1]) {
    std::uint8_t digest[kMd5DigestSize];

    // A1 = unq(username-value) ":" unq(realm-value) ":" passwd
    const char* a1[] = {user, realm, password};
    DigestJoined(a1, 3, digest);
    if (EqualsIgnoringCase(algorithm, std::strlen(algorithm), "md5-sess")) {
        // A1 = H( unq(username-value) ":" unq(realm-value) ":" passwd )
        //      ":" unq(nonce-value) ":" unq(cnonce-value)
        // over the 16 raw bytes of the first digest.
        Md5Context context;
        Md5Start(&context);
        Md5Add(&context, digest, kMd5DigestSize);
        AddText(&context, ":");
        AddText(&context, nonce);
        AddText(&context, ":");
        AddText(&context, cnonce);
        Md5Finish(&context, digest);
    }
    char ha1[kDigestHexSize + 1];
    DigestToHex(digest, ha1);

    // A2 = Method ":" digest-uri-value [ ":" H(entity-body) ] (the last for auth-int)
    char ha2[kDigestHexSize + 1];
    if (EqualsIgnoringCase(qop, std::strlen(qop), "auth-int")) {
        Md5Context context;
        Md5Start(&context);
        AddText(&context, entityBody);
        Md5Finish(&context, digest);
        char bodyHex[kDigestHexSize + 1];
        DigestToHex(digest, bodyHex);
        const char* a2[] = {method, uri, bodyHex};
        DigestJoined(a2, 3, digest);
    } else {
        const char* a2[] = {method, uri};
        DigestJoined(a2, 2, digest);
    }
    DigestToHex(digest, ha2);

    // request-digest = KD(H(A1), unq(nonce-value) ":" nc-value ":" unq(cnonce-value)
    //                     ":" unq(qop-value) ":" H(A2))  with qop,
    //                = KD(H(A1), unq(nonce-value) ":" H(A2))  without.
    if (qop[0] != '\0') {
        const char* parts[] = {ha1, nonce, nonceCountText, cnonce, qop, ha2};
        DigestJoined(parts, 6, digest);
    } else {
        const char* parts[] = {ha1, nonce, ha2};
        DigestJoined(parts, 3, digest);
    }
    DigestToHex(digest, response);
}

void DigestToHex(const std::uint8_t digest[kMd5DigestSize], char hex[kDigestHexSize + 1]) {
    static const char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < kMd5DigestSize; ++i) {
        hex[2 * i] = kDigits[digest[i] >> 4];
        hex[2 * i + 1] = kDigits[digest[i] & 0x0F];
    }
    hex[kDigestHexSize] = '\0';
}
