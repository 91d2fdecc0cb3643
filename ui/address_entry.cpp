// The address entry dialog and the dotted-quad parser.
#include "ui/address_entry.h"

#include "common/socket_address.h"
#include "common/text.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

bool IsSeparator(char c) { return c == '.' || c == '*'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text's length, but looks no further than limit + 1 characters: any
// text longer than the limit is refused whatever its exact length.
int BoundedLength(const char* text, int limit) {
    int length = 0;
    while (length <= limit && text[length] != '\0') ++length;
    return length;
}

AddressDialogData* DataOf(WindowHandle window) { return static_cast<AddressDialogData*>(DialogContext(window)); }

void FillLocalAddressList(WindowHandle window, const ViewFacts& facts) {
    for (int slot = 0; slot < facts.localAddressCount && slot < kMaxLocalAddresses; ++slot) {
        std::uint32_t address = facts.localAddresses[slot];
        char entry[kDottedQuadSize];
        FormatDottedQuad(entry, sizeof entry, address);
        AddListEntry(window, IDC_LOCAL_ADDRESS, entry);
    }
    SelectListEntry(window, IDC_LOCAL_ADDRESS, 0);
}

// The local address at the combo box's selection. The list is unsorted, so
// entry i is slot i. Without a selection (an empty list: this PC reported no
// address) the choice is 0, which the socket layer binds as any local address.
std::uint32_t SelectedLocalAddress(WindowHandle window, const ViewFacts& facts) {
    int selection = GetSelectedListEntry(window, IDC_LOCAL_ADDRESS);
    if (selection < 0 || selection >= facts.localAddressCount || selection >= kMaxLocalAddresses) return 0;
    return facts.localAddresses[selection];
}

void InitializeAddressDialog(WindowHandle window) {
    const ViewFacts& facts = *DataOf(window)->facts;
    FillLocalAddressList(window, facts);

    char title[kAddressTitleSize];
    FormatText(title, sizeof title, kAddressTitleFormat, facts.displayName);
    SetWindowTitle(window, title);

    SetControlText(window, IDC_TEXT, kAddressIntroText);
    SetControlText(window, IDC_HELP_TEXT, facts.deviceClass == kDevicePhone ? kPhoneHelpText : kAdapterHelpText);

    char versionLine[kVersionLineSize];
    FormatText(versionLine, sizeof versionLine, kVersionLineFormat, facts.targetVersion);
    SetControlText(window, IDC_VERSION_LINE, versionLine);

    FocusControl(window, IDC_ADDRESS);
    CenterWindow(window);
}

void AcceptOrRefuseAddress(WindowHandle window) {
    AddressDialogData* data = DataOf(window);
    AddressChoice* choice = data->choice;
    GetControlText(window, IDC_ADDRESS, choice->deviceAddressText, kDeviceAddressTextSize);
    // Only the value decides: a refused text and 0.0.0.0 both leave 0.
    ParseIPv4(choice->deviceAddressText, &choice->deviceAddress);
    if (choice->deviceAddress == 0) {
        ShowMessageBox(window, kInvalidAddressText, kInvalidAddressCaption);
        FocusControl(window, IDC_ADDRESS);
        return;
    }
    choice->localAddress = SelectedLocalAddress(window, *data->facts);
    EndModalDialog(window, 1);
}

}  // namespace

int ParseIPv4(const char* text, std::uint32_t* value) {
    *value = 0;

    int length = BoundedLength(text, kIPv4TextMax);
    if (length > kIPv4TextMax || length < 7) return kIPv4BadLength;
    for (int i = 0; i < length; ++i)
        if (!IsDigit(text[i]) && !IsSeparator(text[i])) return kIPv4BadCharacter;

    char work[kIPv4WorkSize];
    CopyText(work, sizeof work, text);

    // Tokens are maximal runs of digits: leading, trailing and repeated
    // separators give no empty token.
    std::uint32_t parts[4] = {0, 0, 0, 0};
    int count = 0;
    bool anyToken = false;
    int at = 0;
    while (true) {
        while (IsSeparator(work[at])) ++at;
        if (work[at] == '\0') break;
        anyToken = true;
        if (count == 4) return kIPv4TooManyParts;
        std::uint32_t part = 0;
        for (; IsDigit(work[at]); ++at) {
            part = part * 10 + static_cast<std::uint32_t>(work[at] - '0');
            if (part > 255) part = 256;  // any longer number stays "more than 255"
        }
        if (part > 255) return kIPv4PartTooLarge;
        parts[count++] = part;
    }
    if (!anyToken || count < 4) return kIPv4TooFewParts;

    *value = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
    return kIPv4Accepted;
}

std::intptr_t AddressDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam, std::intptr_t) {
    if (message == kMessageInitDialog) {
        InitializeAddressDialog(window);
        return 0;  // the focus is already on the address control
    }
    if (message != kMessageCommand) return 0;
    switch (CommandIdentifier(wordParam)) {
        case kCommandOk:
            AcceptOrRefuseAddress(window);
            return 1;
        case kCommandCancel:
            EndModalDialog(window, 0);
            return 1;
        default:
            return 0;
    }
}
