// The verification that ends each stage of the upgrade, after the TFTP
// session's reboot wait: the status query of the host that fetched the
// image, and the comparison of the version it reports.
#pragma once

#include <cstdint>

#include "app/upgrade_view.h"
#include "common/outcome.h"
#include "http/device_session.h"
#include "image/firmware_image.h"
#include "tftp/stage_handover.h"

constexpr int kVerificationAttempts = 10;
// Each attempt that gets no reply lasts at least this long, its Connecting
// dialog live: a device whose web server is not up yet refuses at once on
// most systems, where Windows' own stack retries a refused connection for
// about a second; so the ten attempts give a slow device ten seconds or
// more after the reboot wait wherever the program runs.
constexpr unsigned kVerificationAttemptMinimumMs = 1000;

struct VerificationRequest {
    std::uint32_t localAddress;  // the listener's, host order
    std::uint32_t peerAddress;   // the host that fetched the image, not the address typed in
    const ImageHeader* servedHeader;
    std::int32_t deviceClass;    // only an adapter's version is compared
    bool targetStage;
    StageHandOver* handOver;  // a stop request ends the verification early
    unsigned replyLimitMs;    // each attempt's (0: none; see DeviceQueryRequest)
};

// What the verification heard: whether the device answered, and the version
// its reply reported (empty when it did not answer or its page lacked it).
struct VerificationReport {
    bool heard;
    char version[kPageFieldSize];
};

// Queries the status page at most kVerificationAttempts times in a row until
// one gives a reply, each failed attempt lasting kVerificationAttemptMinimumMs;
// the software version known before is forgotten first, so a reply without
// one reports none. No reply at all: NotVerified. An adapter must report
// the header's version text exactly, or VersionMismatch; a phone is not
// compared. At the target stage the success dialog follows and the outcome
// is Upgraded; at the transition stage it is Continue. UserAbort and the
// query's own failures end it early; so does the main thread's stop
// request (UserAbort).
Outcome VerifyUpgrade(DeviceSession* session, const VerificationRequest& request, UpgradeView& view,
                      VerificationReport* report = nullptr);
