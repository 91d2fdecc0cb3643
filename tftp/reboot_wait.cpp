// The reboot wait that ends a TFTP session.
#include "tftp/reboot_wait.h"

#include "tftp/tftp_transport.h"

namespace {

// The clock counted in ticks: 2^32 ms / 32 ms, so a tick count wraps at 2^27.
constexpr std::uint32_t kTicksPerClockWrap = 1u << 27;

}  // namespace

Outcome WaitForDeviceReboot(TransferView& view, bool targetStage, const StageHandOver& handOver) {
    std::uint32_t start = TftpClock() / kRebootTickMs;
    view.RebootWaitStarted(targetStage, kRebootTicks);
    for (;;) {
        std::uint32_t now = TftpClock() / kRebootTickMs;
        if (now < start) now += kTicksPerClockWrap;  // the clock has wrapped
        view.RebootWaitProgress(now - start);
        if (!view.TakeTransferInput(true) || ListenerStopRequested(handOver)) {
            view.UploadEnded();
            return Outcome::UserAbort;
        }
        if (now >= start + kRebootTicks) break;
        TftpSleep(kRebootTickMs);
    }
    view.UploadEnded();
    return Outcome::Continue;
}
