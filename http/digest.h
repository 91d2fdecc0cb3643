// HTTP Digest authentication (RFC 2617) with the particulars the device
// expects: the credential state taken from a 401 challenge, the response
// digest, and the Authorization line every request carries once a password
// is known.
#pragma once

#include <cstddef>
#include <cstdint>

#include "http/md5.h"

constexpr int kDigestHexSize = 2 * kMd5DigestSize;  // 32 lowercase hexadecimal characters
constexpr int kDigestTextSize = 128;
constexpr int kDigestShortTextSize = 16;
// The most characters of a user name or password the password dialog takes
// (a limit of 127 including the terminator; longer input is cut).
constexpr int kCredentialLimit = 126;

// The credential state: what the user entered and what the device's last
// accepted challenge said. A field of width n holds at most n - 1 characters.
struct DigestState {
    std::uint32_t nonceCount;  // requests sent with the current nonce
    char previousNonce[kDigestTextSize];
    char nonce[kDigestTextSize];
    char cnonce[kDigestTextSize];
    char user[kDigestTextSize];
    char password[kDigestTextSize];  // empty: no credentials entered yet
    char realm[kDigestTextSize];
    char qop[kDigestShortTextSize];
    char algorithm[kDigestShortTextSize];
    char uri[kDigestTextSize];
    char opaque[kDigestTextSize];
};

// Takes a challenge into the state from text, which starts at the
// "WWW-Authenticate:" of a 401 reply and runs to the end of the reply: the
// Digest challenge of the first WWW-Authenticate field that offers one, else
// the first challenge, whatever its scheme (ReadChallengeParameters). Its
// parameters are read by name, unescaped. Returns 0 when the challenge was
// accepted, 1 when it was refused: no realm, no nonce, or a parameter value
// longer than its field. Only a missing nonce leaves a change behind (the
// realm has been replaced); every other refusal leaves the state as it was.
int ParseChallenge(const char* text, DigestState* state);

// Writes the complete Authorization line, "\r\n" included, at output (room
// for capacity bytes, terminator included) and returns the number of
// characters written. The caller has incremented the nonce count and set the
// uri before. Quoted values get a backslash before each " and \ on the line;
// the hash takes them as they are stored.
std::size_t BuildAuthorization(const DigestState* state, char* output, std::size_t capacity);

// The request digest of RFC 2617 3.2.2.1 as 32 lowercase hexadecimal
// characters and a terminator. nonceCountText is the nc value exactly as it
// is sent (empty without qop); entityBody matters only for qop auth-int.
void ComputeDigestResponse(const char* nonce, const char* cnonce, const char* user, const char* realm,
                           const char* password, const char* algorithm, const char* nonceCountText,
                           const char* method, const char* qop, const char* uri, const char* entityBody,
                           char response[kDigestHexSize + 1]);

// Each byte as two lowercase hexadecimal digits, high half first, and a terminator.
void DigestToHex(const std::uint8_t digest[kMd5DigestSize], char hex[kDigestHexSize + 1]);
