// The reboot wait and the verification that end a TFTP session.
#include "tftp/reboot_and_verify.h"

#include <cstring>

#include "common/text.h"
#include "common/trace.h"
#include "http/device_query.h"
#include "tftp/tftp_transport.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

// The clock counted in ticks: 2^32 ms / 32 ms, so a tick count wraps at 2^27.
constexpr std::uint32_t kTicksPerClockWrap = 1u << 27;

}  // namespace

void WaitForDeviceReboot(WindowHandle uploadDialog, const char* stageName) {
    std::uint32_t start = TftpClock() / kRebootTickMs;
    SetProgressRange(uploadDialog, IDC_PROGRESS, kRebootTicks);
    SetProgressPosition(uploadDialog, IDC_PROGRESS, 0);
    char title[kUploadTitleSize];
    FormatText(title, sizeof title, kUpdateTitleFormat, stageName, g_upgrade.deviceAddressText);
    SetWindowTitle(uploadDialog, title);

    for (;;) {
        std::uint32_t now = TftpClock() / kRebootTickMs;
        if (now < start) now += kTicksPerClockWrap;  // the clock has wrapped
        SetProgressPosition(uploadDialog, IDC_PROGRESS, now - start);
        PumpAllMessages(uploadDialog);
        if (now >= start + kRebootTicks) break;
        TftpSleep(kRebootTickMs);
    }
    DestroyDialog(uploadDialog);
}

void VerifyUpgrade(std::uint32_t localAddress, std::uint32_t peerAddress, const ImageHeader& servedHeader,
                   bool targetStage) {
    // The host that fetched the image is queried, not the address typed in.
    int received = 0;
    for (int attempt = 0; attempt < kVerificationAttempts && received <= 0; ++attempt) {
        received = QueryDevice(localAddress, peerAddress, kStatusPagePath);
    }
    if (received <= 0) return;

    char expected[kVersionTextSize];
    CopyHeaderVersion(expected, servedHeader);
    const char* reported = g_upgrade.pageFields.softwareVersion;
    Trace("[%d]%s %s\n", targetStage ? 1 : 0, expected, reported);
    if (g_upgrade.deviceClass == kDeviceAdapter && std::strcmp(expected, reported) != 0) {
        ShowUpgradeError(kFailVersionMismatch, nullptr);
        return;
    }
    if (targetStage) RunModalDialog(g_upgrade.instance, IDD_SUCCESS, SuccessDialogProc);
}
