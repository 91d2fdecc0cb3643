// The fixed wait after a TFTP session's transfer while the device installs
// the image and reboots, counted on the upload dialog.
#pragma once

#include <cstdint>

#include "common/outcome.h"
#include "tftp/stage_handover.h"
#include "tftp/transfer_view.h"

// 937 ticks of 32 ms (about 30 s) from the tick the wait starts in.
constexpr std::uint32_t kRebootTickMs = 32;
constexpr std::uint32_t kRebootTicks = 937;

// Counts the wait's ticks on the upload dialog's bar under the "Updating"
// title, keeping the dialog live, then closes the dialog. The 32-bit
// millisecond clock may wrap meanwhile. UserAbort when the user cancels or
// the main thread asks the listener to stop.
Outcome WaitForDeviceReboot(TransferView& view, bool targetStage, const StageHandOver& handOver);
