// The dialog procedures of the warning, confirmation, password, connecting,
// progress (upload and waiting) and success dialogs. Each handles the
// initialisation and the command messages and returns zero for everything
// else; only the low 16 bits of a command's word parameter are looked at.
// What a dialog shows and what it gives back is in its context record
// (DialogContext), owned by whoever runs the dialog.
#pragma once

#include <cstdint>

#include "http/digest.h"
#include "http/page_fields.h"
#include "platform/platform_ui.h"

// Warning (139): Continue ends with 1, Cancel with 0; Cancel has the focus.
struct WarningDialogData {
    const char* displayName;
};
std::intptr_t WarningDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                std::intptr_t longParam);

// Confirmation (103, 304): the page fields; "Upgrade" ends with 1, Cancel with 0.
struct ConfirmDialogData {
    const char* targetVersion;
    const char* transitionVersion;  // the note on the transition stage; null: the text alone
    const PageFields* fields;
};
std::intptr_t ConfirmDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                std::intptr_t longParam);

// Password (104): "admin" at every opening; OK stores the user name and the
// password (each at most kCredentialLimit characters) and ends with 1,
// Cancel ends with 0 and stores nothing.
struct PasswordDialogData {
    char user[kCredentialLimit + 1];
    char password[kCredentialLimit + 1];
};
std::intptr_t PasswordDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                 std::intptr_t longParam);

// Connecting (105), upload (110) and waiting (114), modeless. Cancel (or
// the close box) destroys the dialog and notes the user's abort, which its
// owner reads after each pump.
struct ProgressDialogData {
    const char* deviceAddressText;  // the connecting dialog's title
    bool cancelled;
};
// Connecting (105): title and bar range 0..100.
std::intptr_t ConnectingDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                   std::intptr_t longParam);
// Upload (110) and waiting (114): centred; the owner sets title, text and bar.
std::intptr_t ProgressDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                 std::intptr_t longParam);

// Success (111): the installed version; OK ends with 1, Cancel with 0.
struct SuccessDialogData {
    const char* deviceAddressText;
    const char* installedVersion;
};
std::intptr_t SuccessDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                std::intptr_t longParam);

// Room for the confirmation text with the two-stage note and a version.
constexpr int kConfirmTextSize = 512;
