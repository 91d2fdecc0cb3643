// The device session: what the tool knows of the device it upgrades and
// needs from one query to the next, the credentials and the last challenge
// (so that later queries go out with an Authorization line at once) and the
// status-page fields. Queries take a copy when they begin and hand back what
// their reply brought when they end, both under the lock: two queries may
// overlap (a device that holds the reply to the upgrade command open while
// it is queried after its reboot), and neither sees the other half-written.
#pragma once

#include <mutex>

#include "http/digest.h"
#include "http/http_exchange.h"
#include "http/page_fields.h"

struct DeviceSession {
    std::mutex lock;  // guards the rest
    DigestState digest{};
    PageFields fields{};
};

// Copies the session's credentials and fields into the exchange of a new
// attempt. When a password is known, the nonce count the attempt will send
// is taken now, so that two attempts at once never send the same one.
void BeginExchange(DeviceSession* session, HttpExchange* exchange);
// Hands back what the ended attempt brought: the fields its reply carried,
// and, when its reply was an accepted challenge, the challenge.
void EndExchange(DeviceSession* session, const HttpExchange& exchange, bool challengeAccepted);

// The user's credentials from the password dialog, into the session.
void SetCredentials(DeviceSession* session, const char* user, const char* password);
// Forgets one field, before a query whose reply must bring it anew.
void ForgetSoftwareVersion(DeviceSession* session);
// A copy of the fields, taken under the lock.
PageFields CurrentPageFields(DeviceSession* session);
