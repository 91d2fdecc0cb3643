// The device query runner: one HTTP exchange with the device on a worker
// thread behind the Connecting dialog, answering Digest challenges through
// the password prompt or, when the device only renewed its nonce, by one
// automatic retry.
#pragma once

#include <cstdint>

#include "common/outcome.h"
#include "http/device_query_view.h"
#include "http/device_session.h"
#include "http/page_fields.h"
#include "platform/platform.h"

// Where every query goes: the device's status page on its web server, from
// the first free local port from the base.
extern const char kStatusPagePath[];  // "/admin/advanced"
constexpr std::uint16_t kDeviceHttpPort = 80;
constexpr std::uint16_t kHttpLocalPortBase = 23456;
// The Connecting dialog's bar steps once every 10 ms (once every 10 polls of
// 1 ms), 0 to 100 and round again.
constexpr unsigned kQueryBarStepMs = 10;
constexpr unsigned kQueryBarMaximum = 100;

struct DeviceQueryRequest {
    std::uint32_t localAddress;   // host order
    std::uint16_t localPortBase;  // 23456
    std::uint32_t deviceAddress;  // host order
    std::uint16_t devicePort;     // 80
    const char* path;
    // Checked while the device is awaited; true ends the wait at once, as if
    // no reply had come (the device's answer is of no more use). May be null.
    bool (*giveUp)(void* context);
    void* giveUpContext;
    // An attempt that gets no reply (no connection, refused, nothing
    // received) lasts at least this long, its Connecting dialog live; 0: no
    // minimum.
    unsigned minimumFailedAttemptMs;
    // An attempt still without its reply this long after it began is given
    // up as one without a reply that timed out (a device that never answers
    // the connection, or takes it and says nothing); 0: no limit, as with
    // the dialogs, whose Cancel ends it.
    unsigned replyLimitMs;
};

struct DeviceQueryResult {
    int bytes;             // the byte count of the device's last reply; 0: no connection or no reply
    PageFields fields;     // the fields as this query left them (those its reply lacked as they were)
    ConnectFailure connectFailure;  // why the last attempt had no connection
};

// Runs the query until the device gives an answer that is not an accepted
// challenge. Returns Outcome::Continue with the result filled in, or
// UserAbort (Cancel in the Connecting dialog or the password prompt), or
// HttpSocketOpen, HttpSocketBind, HttpThread; PasswordMissing or
// PasswordRefused when the device asks for a password the front end cannot
// give (none, or none but the one refused). A worker still blocked on the
// device when the query ends early is left to end by itself.
Outcome RunDeviceQuery(DeviceSession* session, const DeviceQueryRequest& request, DeviceQueryView& view,
                       DeviceQueryResult* result);

// The usual query: path from localAddress to deviceAddress on port 80 from
// the port base 23456, each attempt within the reply limit (0: none).
Outcome QueryDevice(DeviceSession* session, std::uint32_t localAddress, std::uint32_t deviceAddress, const char* path,
                    DeviceQueryView& view, DeviceQueryResult* result, unsigned replyLimitMs = 0);
