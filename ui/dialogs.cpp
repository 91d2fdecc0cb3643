// The dialog procedures of every dialog but the address entry.
#include "ui/dialogs.h"

#include "common/text.h"
#include "ui/dialog_texts.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

template <typename Data>
Data* ContextOf(WindowHandle window) {
    return static_cast<Data*>(DialogContext(window));
}

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

// Modeless progress dialogs: command 2 (Cancel or the close box) is the
// user's abort: the dialog goes at once, and its owner ends the upgrade.
std::intptr_t AbortOnCancel(WindowHandle window, std::uintptr_t wordParam) {
    if (CommandIdentifier(wordParam) != kCommandCancel) return 0;
    ProgressDialogData* data = ContextOf<ProgressDialogData>(window);
    DestroyDialog(window);
    if (data != nullptr) data->cancelled = true;
    return 1;
}

}  // namespace

std::intptr_t WarningDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam, std::intptr_t) {
    if (message == kMessageInitDialog) {
        const WarningDialogData* data = ContextOf<WarningDialogData>(window);
        char title[kWarningTitleSize];
        FormatText(title, sizeof title, kWarningTitleFormat, data->displayName);
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
        const ConfirmDialogData* data = ContextOf<ConfirmDialogData>(window);
        char title[kConfirmTitleSize];
        FormatText(title, sizeof title, kConfirmTitleFormat, data->targetVersion);
        SetWindowTitle(window, title);

        if (data->transitionVersion == nullptr) {
            SetControlText(window, IDC_TEXT, kConfirmText);
        } else {
            char text[kConfirmTextSize];
            FormatText(text, sizeof text, kConfirmNoteFormat, kConfirmText, data->transitionVersion);
            SetControlText(window, IDC_TEXT, text);
        }

        const PageFields& fields = *data->fields;
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
        case kCommandOk: {
            PasswordDialogData* data = ContextOf<PasswordDialogData>(window);
            GetControlText(window, IDC_USER, data->user, sizeof data->user);
            GetControlText(window, IDC_PASSWORD, data->password, sizeof data->password);
            EndModalDialog(window, 1);
            return 1;
        }
        case kCommandCancel:
            // Nothing is stored.
            EndModalDialog(window, 0);
            return 1;
        default:
            return 0;
    }
}

std::intptr_t ConnectingDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam, std::intptr_t) {
    if (message == kMessageInitDialog) {
        const ProgressDialogData* data = ContextOf<ProgressDialogData>(window);
        char title[kConnectingTitleSize];
        FormatText(title, sizeof title, kConnectingTitleFormat, data->deviceAddressText);
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
        const SuccessDialogData* data = ContextOf<SuccessDialogData>(window);
        char title[kSuccessTitleSize];
        FormatText(title, sizeof title, kSuccessTitleFormat, data->deviceAddressText);
        SetWindowTitle(window, title);
        SetControlText(window, IDC_TEXT, kSuccessText);
        SetControlText(window, IDC_INSTALLED_VERSION, data->installedVersion);
        CenterWindow(window);
        return 1;
    }
    if (message == kMessageCommand) return EndOnOkOrCancel(window, wordParam);
    return 0;
}
