// HTTP Digest authentication: challenge parsing, the response digest of
// RFC 2617 and the Authorization line.
#include "http/digest.h"

#include <cstring>

#include "common/random_draws.h"
#include "common/text.h"

namespace {

constexpr unsigned kClientNonceMask = 0x7FFF;

// One quoted parameter of a challenge: where its value starts and how long
// it is (up to the next double quote or the end of the text).
struct ChallengeValue {
    const char* start;  // null when the parameter is absent
    std::size_t length;
};

// Finds the first occurrence of the literal `name="` anywhere in the text.
ChallengeValue FindQuotedParameter(const char* text, const char* name) {
    ChallengeValue value = {nullptr, 0};
    const char* found = std::strstr(text, name);
    if (found == nullptr) return value;
    value.start = found + std::strlen(name);
    const char* end = std::strchr(value.start, '"');
    value.length = end != nullptr ? static_cast<std::size_t>(end - value.start) : std::strlen(value.start);
    return value;
}

bool Fits(const ChallengeValue& value, std::size_t fieldSize) {
    return value.start == nullptr || value.length < fieldSize;
}

void StoreValue(const ChallengeValue& value, char* field, std::size_t fieldSize) {
    std::size_t length = value.length < fieldSize ? value.length : fieldSize - 1;
    std::memcpy(field, value.start, length);
    field[length] = '\0';
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
    ChallengeValue realm = FindQuotedParameter(text, "realm=\"");
    if (realm.start == nullptr || !Fits(realm, sizeof state->realm)) return 1;
    ChallengeValue nonce = FindQuotedParameter(text, "nonce=\"");
    if (nonce.start == nullptr) {
        StoreValue(realm, state->realm, sizeof state->realm);
        return 1;
    }
    ChallengeValue algorithm = FindQuotedParameter(text, "algorithm=\"");
    ChallengeValue qop = FindQuotedParameter(text, "qop=\"");
    ChallengeValue opaque = FindQuotedParameter(text, "opaque=\"");
    // A value cut to its field could never authenticate: refuse the whole
    // challenge before anything is stored.
    if (!Fits(nonce, sizeof state->nonce) || !Fits(algorithm, sizeof state->algorithm) ||
        !Fits(qop, sizeof state->qop) || !Fits(opaque, sizeof state->opaque)) {
        return 1;
    }

    StoreValue(realm, state->realm, sizeof state->realm);
    StoreValue(nonce, state->nonce, sizeof state->nonce);
    if (std::strcmp(state->nonce, state->previousNonce) != 0) {
        CopyText(state->previousNonce, sizeof state->previousNonce, state->nonce);
        state->nonceCount = 0;
    }
    // A fresh client nonce at every accepted challenge, whether the nonce
    // changed or not: 0 to 32767, so 1 to 4 hexadecimal digits.
    FormatText(state->cnonce, sizeof state->cnonce, "%x", DrawRandomNumber() & kClientNonceMask);
    if (algorithm.start != nullptr) StoreValue(algorithm, state->algorithm, sizeof state->algorithm);
    if (qop.start != nullptr) StoreValue(qop, state->qop, sizeof state->qop);
    if (opaque.start != nullptr) {
        StoreValue(opaque, state->opaque, sizeof state->opaque);
    } else {
        state->opaque[0] = '\0';
    }
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
    AppendText(output, capacity,
               "Authorization: Digest username=\"%s\",realm=\"%s\",nonce=\"%s\",uri=\"%s\",algorithm=\"%s\","
               "response=\"%s\"",
               state->user, state->realm, state->nonce, state->uri, state->algorithm, response);
    if (state->opaque[0] != '\0') AppendText(output, capacity, ",opaque=\"%s\"", state->opaque);
    if (state->qop[0] != '\0') {
        AppendText(output, capacity, ",qop=%s,nc=%s,cnonce=\"%s\"", state->qop, nonceCountText, state->cnonce);
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
