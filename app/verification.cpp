// The verification after the reboot wait.
#include "app/verification.h"

#include <cstring>

#include "common/text.h"
#include "common/trace.h"
#include "http/device_query.h"
#include "image/product_table.h"

namespace {

bool StopRequested(void* handOver) { return ListenerStopRequested(*static_cast<StageHandOver*>(handOver)); }

}  // namespace

Outcome VerifyUpgrade(DeviceSession* session, const VerificationRequest& request, UpgradeView& view,
                      VerificationReport* report) {
    VerificationReport ignored;
    if (report == nullptr) report = &ignored;
    report->heard = false;
    report->version[0] = '\0';
    DeviceQueryRequest query = {request.localAddress, kHttpLocalPortBase, request.peerAddress,
                                kDeviceHttpPort,      kStatusPagePath,    StopRequested,
                                request.handOver,     kVerificationAttemptMinimumMs, request.replyLimitMs};
    // The version must come from a reply after the reboot: one read before
    // it would decide the comparison (or be shown) if the reply lacked it.
    ForgetSoftwareVersion(session);
    DeviceQueryResult result;
    result.bytes = 0;
    for (int attempt = 0; attempt < kVerificationAttempts && result.bytes <= 0; ++attempt) {
        Outcome queried = RunDeviceQuery(session, query, view, &result);
        if (queried != Outcome::Continue) return queried;
        if (ListenerStopRequested(*request.handOver)) return Outcome::UserAbort;
    }
    if (result.bytes <= 0) return Outcome::NotVerified;

    char expected[kVersionTextSize];
    CopyHeaderVersion(expected, *request.servedHeader);
    const char* reported = result.fields.softwareVersion;
    report->heard = true;
    CopyText(report->version, sizeof report->version, reported);
    Trace("[%d]%s %s\n", request.targetStage ? 1 : 0, expected, reported);
    if (request.deviceClass == kDeviceAdapter && std::strcmp(expected, reported) != 0) return Outcome::VersionMismatch;
    if (!request.targetStage) return Outcome::Continue;
    view.ShowSuccess(reported);
    return Outcome::Upgraded;
}
