// The dialog procedures of the warning, confirmation, password, connecting,
// progress (upload and waiting) and success dialogs. Each handles the
// initialisation and the command messages and returns zero for everything
// else; only the low 16 bits of a command's word parameter are looked at.
#pragma once

#include <cstdint>

#include "common/upgrade_state.h"
#include "platform/platform_ui.h"

// Warning (139): Continue ends with 1, Cancel with 0; Cancel has the focus.
std::intptr_t WarningDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                std::intptr_t longParam);
// Confirmation (103, 304): the page fields; "Upgrade" ends with 1, Cancel with 0.
std::intptr_t ConfirmDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                std::intptr_t longParam);
// Password (104): "admin" at every opening; OK stores the user name and the
// password into the credential state and ends with 1, Cancel ends with 0.
std::intptr_t PasswordDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                 std::intptr_t longParam);
// Connecting (105), modeless: title and bar range 0..100; Cancel aborts.
std::intptr_t ConnectingDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                   std::intptr_t longParam);
// Upload (110) and waiting (114), modeless: centred; Cancel aborts.
std::intptr_t ProgressDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                 std::intptr_t longParam);
// Success (111): the installed version; OK ends with 1, Cancel with 0.
std::intptr_t SuccessDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                std::intptr_t longParam);

// The most characters of the user name and of the password that the
// password dialog stores (a limit of 127 including the terminator).
constexpr int kCredentialLimit = 127;
// Room for the confirmation text with the two-stage note and a version.
constexpr int kConfirmTextSize = 512;
// Room for a header's version text: at most the 36 bytes from offset 92 to
// the end of the header, and a terminator.
constexpr int kVersionTextSize = 37;

// Copies the version text of a header, never reading past the header even
// when its version text is not terminated.
void CopyHeaderVersion(char (&version)[kVersionTextSize], const ImageHeader& header);

// The user's abort from a modeless dialog: destroys it, reports "Upgrade
// Failed: User Abort" and ends the process with exit code 0.
[[noreturn]] void AbortFromDialog(WindowHandle dialog);
