// The reboot wait that ends a TFTP session.
#include "tftp/reboot_wait.h"

#include "tftp/tftp_transport.h"

namespace {

// The clock counted in ticks: 2^32 ms / 32 ms, so a tick count wraps at 2^27.
constexpr std::uint32_t kTicksPerClockWrap = 1u << 27;

}  // namespace

Outcome WaitForDeviceReboot(TransferView& view, bool targetStage, const StageHandOver& handOver) {
    std::uint32_t start = TftpClock() / kRebootTickMs;
    std::uint32_t shown = ~0u;
    view.RebootWaitStarted(targetStage, kRebootTicks);
    for (;;) {
        std::uint32_t clock = TftpClock();
        std::uint32_t now = clock / kRebootTickMs;
        if (now < start) now += kTicksPerClockWrap;  // the clock has wrapped
        if (now - start != shown) {
            shown = now - start;
            view.RebootWaitProgress(shown);
        }
        if (now >= start + kRebootTicks) break;
        // Sleeps until the next tick or the user's input.
        int woken = WaitForTftpInput(kRebootTickMs - clock % kRebootTickMs);
        if (((woken & kWaitInput) != 0 && !view.TakeTransferInput(true)) || ListenerStopRequested(handOver)) {
            view.UploadEnded();
            return Outcome::UserAbort;
        }
    }
    view.UploadEnded();
    return Outcome::Continue;
}
