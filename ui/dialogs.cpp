// The dialog procedures of every dialog but the address entry.
#include "ui/dialogs.h"

#include "common/text.h"
#include "common/upgrade_state.h"
#include "platform/platform.h"
#include "ui/dialog_texts.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

// Command 1 ends a modal dialog with 1, command 2 with 0; others are left
// to the dialog manager.
std::intptr_t EndOnOkOrCancel(WindowHandle window, std::uintptr_t wordParam) {
    switch (CommandIdentifier(wordParam)) {
        case kCommandOk:
            EndModalDialog(window, 1);
            return 1;
        case kCommandCancel:
            EndModalDialog(window, 0);
            return 1;
        default:
            return 0;
    }
}

// Modeless progress dialogs: command 2 (Cancel or the close box) aborts.
std::intptr_t AbortOnCancel(WindowHandle window, std::uintptr_t wordParam) {
    if (CommandIdentifier(wordParam) != kCommandCancel) return 0;
    AbortFromDialog(window);
}

}  // namespace

void CopyHeaderVersion(char (&version)[kVersionTextSize], const ImageHeader& header) {
    static_assert(kVersionTextOffset + kVersionTextSize - 1 == kImageHeaderSize,
                  "the version text runs to the end of the header");
    CopyText(version, sizeof version, HeaderVersionText(header));
}

void AbortFromDialog(WindowHandle dialog) {
    DestroyDialog(dialog);
    ShowUpgradeError(kFailUserAbort, nullptr);
    EndProcess(0);
}

std::intptr_t WarningDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam, std::intptr_t) {
    if (message == kMessageInitDialog) {
        char title[kWarningTitleSize];
        FormatText(title, sizeof title, kWarningTitleFormat, g_upgrade.displayName);
        SetWindowTitle(window, title);
        SetControlText(window, IDC_WARNING_TEXT, kWarningText);
        // Cancel, the default push button, takes the focus: Enter stops.
        FocusControl(window, kCommandCancel);
        CenterWindow(window);
        return 0;
    }
    if (message == kMessageCommand) return EndOnOkOrCancel(window, wordParam);
    return 0;
}

std::intptr_t ConfirmDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam, std::intptr_t) {
    if (message == kMessageInitDialog) {
        char version[kVersionTextSize];
        CopyHeaderVersion(version, g_upgrade.targetImage.header);
        char title[kConfirmTitleSize];
        FormatText(title, sizeof title, kConfirmTitleFormat, version);
        SetWindowTitle(window, title);

        if (g_upgrade.stageFlag.load() != 0) {
            SetControlText(window, IDC_TEXT, kConfirmText);
        } else {
            char transitionVersion[kVersionTextSize];
            CopyHeaderVersion(transitionVersion, g_upgrade.transitionImage.header);
            char text[kConfirmTextSize];
            FormatText(text, sizeof text, kConfirmNoteFormat, kConfirmText, transitionVersion);
            SetControlText(window, IDC_TEXT, text);
        }

        const PageFields& fields = g_upgrade.pageFields;
        SetControlText(window, IDC_SERIAL_NUMBER, fields.serialNumber);
        SetControlText(window, IDC_MAC_ADDRESS, fields.macAddress);
        SetControlText(window, IDC_SOFTWARE_VERSION, fields.softwareVersion);
        SetControlText(window, IDC_HARDWARE_VERSION, fields.hardwareVersion);
        SetControlText(window, IDC_PRODUCT_NAME, fields.productName);
        CenterWindow(window);
        return 1;  // the dialog manager focuses "Upgrade", the first tab stop
    }
    if (message == kMessageCommand) return EndOnOkOrCancel(window, wordParam);
    return 0;
}

std::intptr_t PasswordDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam, std::intptr_t) {
    if (message == kMessageInitDialog) {
        SetControlText(window, IDC_TEXT, kPasswordHelpText);
        // Whatever was typed the time before, every opening offers "admin"
        // and an empty password.
        SetControlText(window, IDC_USER, kDefaultUserName);
        SetControlText(window, IDC_PASSWORD, "");
        FocusControl(window, IDC_PASSWORD);
        CenterWindow(window);
        return 0;
    }
    if (message != kMessageCommand) return 0;
    switch (CommandIdentifier(wordParam)) {
        case kCommandOk:
            static_assert(kCredentialLimit <= kDigestTextSize, "the credential buffers hold the limit");
            GetControlText(window, IDC_USER, g_upgrade.digest.user, kCredentialLimit);
            GetControlText(window, IDC_PASSWORD, g_upgrade.digest.password, kCredentialLimit);
            EndModalDialog(window, 1);
            return 1;
        case kCommandCancel:
            // The credential state stays as it was.
            EndModalDialog(window, 0);
            return 1;
        default:
            return 0;
    }
}

std::intptr_t ConnectingDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam, std::intptr_t) {
    if (message == kMessageInitDialog) {
        char title[kConnectingTitleSize];
        FormatText(title, sizeof title, kConnectingTitleFormat, g_upgrade.deviceAddressText);
        SetWindowTitle(window, title);
        CenterWindow(window);
        SetProgressRange(window, IDC_PROGRESS, 100);
        return 1;
    }
    if (message == kMessageCommand) return AbortOnCancel(window, wordParam);
    return 0;
}

std::intptr_t ProgressDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam, std::intptr_t) {
    // Title, text and bar are set by the code that creates the dialog.
    if (message == kMessageInitDialog) {
        CenterWindow(window);
        return 1;
    }
    if (message == kMessageCommand) return AbortOnCancel(window, wordParam);
    return 0;
}

std::intptr_t SuccessDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam, std::intptr_t) {
    if (message == kMessageInitDialog) {
        char title[kSuccessTitleSize];
        FormatText(title, sizeof title, kSuccessTitleFormat, g_upgrade.deviceAddressText);
        SetWindowTitle(window, title);
        SetControlText(window, IDC_TEXT, kSuccessText);
        SetControlText(window, IDC_INSTALLED_VERSION, g_upgrade.pageFields.softwareVersion);
        CenterWindow(window);
        return 1;
    }
    if (message == kMessageCommand) return EndOnOkOrCancel(window, wordParam);
    return 0;
}
