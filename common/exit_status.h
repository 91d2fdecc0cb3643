// The exit statuses of the Linux program, one meaning each, so that a
// script can tell what became of the device (app/exit_status.h maps an
// outcome to one). The Windows program always exits with 0.
#pragma once

constexpr int kExitUpgraded = 0;     // upgraded, and the installed version checked
constexpr int kExitFailed = 1;       // the upgrade failed (a failure message says how)
constexpr int kExitUsage = 2;        // the command line was refused; nothing ran
constexpr int kExitCancelled = 3;    // the user cancelled (a dialog, Ctrl-C, the end of the input)
constexpr int kExitNotVerified = 4;  // the device was not heard from after its reboot
