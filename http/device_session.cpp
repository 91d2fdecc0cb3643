// The device session's hand-over between queries (see device_session.h).
#include "http/device_session.h"

#include <cstring>

#include "common/text.h"

void BeginExchange(DeviceSession* session, HttpExchange* exchange) {
    std::lock_guard<std::mutex> guard(session->lock);
    exchange->digest = session->digest;
    exchange->fields = session->fields;
    // HttpGet counts this attempt's nonce on its copy; the session moves on
    // with it now, so that an attempt started meanwhile counts the next one.
    if (session->digest.password[0] != '\0') {
        ++session->digest.nonceCount;
        CopyText(session->digest.uri, sizeof session->digest.uri, exchange->path);
    }
}

void EndExchange(DeviceSession* session, const HttpExchange& exchange, bool challengeAccepted) {
    std::lock_guard<std::mutex> guard(session->lock);
    MergePageFields(&session->fields, exchange.fields, exchange.fieldsFound);
    if (!challengeAccepted) return;
    DigestState& digest = session->digest;
    const DigestState& taken = exchange.digest;
    // The same nonce again: its count goes on from the highest sent.
    std::uint32_t nonceCount = taken.nonceCount;
    if (std::strcmp(digest.nonce, taken.nonce) == 0 && digest.nonceCount > nonceCount) nonceCount = digest.nonceCount;
    CopyText(digest.previousNonce, sizeof digest.previousNonce, taken.previousNonce);
    CopyText(digest.nonce, sizeof digest.nonce, taken.nonce);
    CopyText(digest.cnonce, sizeof digest.cnonce, taken.cnonce);
    CopyText(digest.realm, sizeof digest.realm, taken.realm);
    CopyText(digest.qop, sizeof digest.qop, taken.qop);
    CopyText(digest.algorithm, sizeof digest.algorithm, taken.algorithm);
    CopyText(digest.opaque, sizeof digest.opaque, taken.opaque);
    digest.nonceCount = nonceCount;
}

void SetCredentials(DeviceSession* session, const char* user, const char* password) {
    std::lock_guard<std::mutex> guard(session->lock);
    CopyText(session->digest.user, sizeof session->digest.user, user);
    CopyText(session->digest.password, sizeof session->digest.password, password);
}

void ForgetSoftwareVersion(DeviceSession* session) {
    std::lock_guard<std::mutex> guard(session->lock);
    session->fields.softwareVersion[0] = '\0';
}

PageFields CurrentPageFields(DeviceSession* session) {
    std::lock_guard<std::mutex> guard(session->lock);
    return session->fields;
}
