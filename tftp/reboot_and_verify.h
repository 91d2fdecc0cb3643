// The end of a TFTP session: the fixed wait while the device installs the
// image and reboots, then the status query that checks what it now runs.
#pragma once

#include <cstdint>

#include "common/upgrade_state.h"
#include "platform/platform_ui.h"

// 937 ticks of 32 ms (about 30 s) from the tick the wait starts in.
constexpr std::uint32_t kRebootTickMs = 32;
constexpr std::uint32_t kRebootTicks = 937;
constexpr int kVerificationAttempts = 10;

// Counts the wait's ticks on the upload dialog's bar under the "Updating"
// title, keeping the dialog live, then destroys the dialog. The 32-bit
// millisecond clock may wrap meanwhile.
void WaitForDeviceReboot(WindowHandle uploadDialog, const char* stageName);

// Queries the status page of the host that fetched the image, at most 10
// times in a row until one gives a reply. No reply at all: returns without a
// word. An adapter must report the header's version text exactly, or the
// failure is reported; a phone is not compared. At the target stage the
// success dialog follows.
void VerifyUpgrade(std::uint32_t localAddress, std::uint32_t peerAddress, const ImageHeader& servedHeader,
                   bool targetStage);
