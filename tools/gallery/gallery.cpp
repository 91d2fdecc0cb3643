// qev-gallery: a development aid, not part of the product. Opens the ten
// dialogs of the upgrade with sample data and the real dialog procedures,
// so that their look and keyboard behaviour can be checked on each front
// end, by hand or by an automation tool.
//
//   qev-gallery              every dialog in turn
//   qev-gallery ID [SECONDS] only dialog ID; a modeless dialog stays until
//                            cancelled or for SECONDS (default 60)
//
// Each modal dialog prints "dialog ID result N" when it ends (an accepted
// address entry adds "dialog address A local L file F", a confirmed password
// dialog "dialog user U password N characters"); each modeless one prints
// "dialog ID closed after N ms" when the gallery closes it, while its Cancel
// takes the real abort path ("Upgrade Failed: User Abort", exit code 0).
// The addresses are documentation addresses: only shown, never contacted.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/random_draws.h"
#include "common/text.h"
#include "common/upgrade_state.h"
#include "image/product_table.h"
#include "image/startup.h"
#include "platform/platform.h"
#include "platform/platform_ui.h"
#include "ui/address_entry.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

namespace {

constexpr unsigned kAllDialogsModelessMs = 4000;
constexpr unsigned kOneDialogModelessMs = 60000;
constexpr unsigned kLongestModelessMs = 600000;

constexpr std::uint32_t Address(unsigned a, unsigned b, unsigned c, unsigned d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

const char kSampleDeviceAddressText[] = "192.0.2.55";

// The order in which a run of the upgrade meets them, both variants of the
// address entry and of the confirmation included.
const int kGalleryOrder[] = {IDD_WARNING, IDD_ADDRESS_ADAPTER, IDD_ADDRESS_PHONE, IDD_CONNECTING,
                             IDD_PASSWORD, IDD_CONFIRM, IDD_CONFIRM_TWO_STAGE, IDD_WAITING,
                             IDD_UPLOAD, IDD_SUCCESS};

void PrintLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
void PrintLine(const char* format, ...) {
    char line[256];
    std::va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);  // the driving tools read line by line
}

// The state a real run would have reached when the dialog opens. Reset
// before each dialog, so that one dialog's input does not leak into the next.
void FillSampleState(int templateId) {
    g_upgrade.stageFlag.store(templateId == IDD_CONFIRM ? 1 : 0);
    IdentifyProduct(g_upgrade.targetImage.header);
    if (templateId == IDD_ADDRESS_ADAPTER) g_upgrade.deviceClass = kDeviceAdapter;
    if (templateId == IDD_ADDRESS_PHONE) g_upgrade.deviceClass = kDevicePhone;

    std::memset(g_upgrade.localAddresses, 0, sizeof g_upgrade.localAddresses);
    g_upgrade.localAddresses[0] = Address(192, 0, 2, 10);
    g_upgrade.localAddresses[1] = Address(198, 51, 100, 7);
    g_upgrade.chosenLocalAddress = g_upgrade.localAddresses[0];

    g_upgrade.deviceAddress = Address(192, 0, 2, 55);
    CopyText(g_upgrade.deviceAddressText, sizeof g_upgrade.deviceAddressText, kSampleDeviceAddressText);

    PageFields& fields = g_upgrade.pageFields;
    CopyText(fields.productName, sizeof fields.productName, g_upgrade.displayName);
    CopyText(fields.macAddress, sizeof fields.macAddress, "00:00:5E:00:53:2A");
    CopyText(fields.hardwareVersion, sizeof fields.hardwareVersion, "1.0.1");
    CopyText(fields.serialNumber, sizeof fields.serialNumber, "QV0C1234567");
    if (templateId == IDD_SUCCESS) {
        // After the reboot the device reports the installed version.
        char version[kVersionTextSize];
        CopyHeaderVersion(version, g_upgrade.targetImage.header);
        CopyText(fields.softwareVersion, sizeof fields.softwareVersion, version);
    } else {
        CopyText(fields.softwareVersion, sizeof fields.softwareVersion, "2.4.3(QE)");
    }
}

DialogProcedure ProcedureOf(int templateId) {
    switch (templateId) {
        case IDD_WARNING: return WarningDialogProc;
        case IDD_ADDRESS_ADAPTER:
        case IDD_ADDRESS_PHONE: return AddressDialogProc;
        case IDD_CONFIRM:
        case IDD_CONFIRM_TWO_STAGE: return ConfirmDialogProc;
        case IDD_PASSWORD: return PasswordDialogProc;
        case IDD_CONNECTING: return ConnectingDialogProc;
        case IDD_SUCCESS: return SuccessDialogProc;
        case IDD_WAITING:
        case IDD_UPLOAD: return ProgressDialogProc;
        default: return nullptr;
    }
}

bool IsModeless(int templateId) {
    return templateId == IDD_CONNECTING || templateId == IDD_WAITING || templateId == IDD_UPLOAD;
}

void PrintAddressOutcome() {
    std::uint32_t local = g_upgrade.chosenLocalAddress;
    PrintLine("dialog address %s local %u.%u.%u.%u file %s", g_upgrade.deviceAddressText, (local >> 24) & 0xFFu,
              (local >> 16) & 0xFFu, (local >> 8) & 0xFFu, local & 0xFFu, CurrentUpgradeFileName());
}

void RunModal(int templateId) {
    int result = RunModalDialog(g_upgrade.instance, templateId, ProcedureOf(templateId));
    PrintLine("dialog %d result %d", templateId, result);
    if (result == 1 && (templateId == IDD_ADDRESS_ADAPTER || templateId == IDD_ADDRESS_PHONE)) PrintAddressOutcome();
    if (result == 1 && templateId == IDD_PASSWORD)
        PrintLine("dialog user %s password %u characters", g_upgrade.digest.user,
                  static_cast<unsigned>(std::strlen(g_upgrade.digest.password)));
}

// The bar and title of each progress dialog move as the program moves them:
// the connecting bar one step per 10 polls of 1 ms, the waiting bar one step
// per poll, the upload bar through the blocks and then the reboot ticks.
void AnimateModeless(WindowHandle dialog, int templateId, unsigned elapsedMs, unsigned durationMs,
                     unsigned* step) {
    switch (templateId) {
        case IDD_CONNECTING:
            if (*step % 10 == 9) SetProgressPosition(dialog, IDC_PROGRESS, (*step / 10) % 101);
            PumpOneMessage(dialog);
            SleepMilliseconds(1);
            ++*step;
            break;
        case IDD_WAITING:
            SetProgressPosition(dialog, IDC_PROGRESS, *step % 1000);
            PumpOneMessage(dialog);
            SleepMilliseconds(1);
            ++*step;
            break;
        case IDD_UPLOAD: {
            const std::uint32_t imageSize = g_upgrade.targetImage.size;
            const unsigned blockCount = imageSize / 512 + 1;
            char title[160];
            if (elapsedMs < durationMs / 2) {
                // The transfer: the blocks spread over the first half.
                unsigned block = static_cast<unsigned>(
                    (static_cast<unsigned long long>(elapsedMs) * blockCount) / (durationMs / 2));
                if (block > blockCount) block = blockCount;
                if (*step == 0) SetProgressRange(dialog, IDC_PROGRESS, blockCount);
                unsigned bytes = block * 512 > imageSize ? imageSize : block * 512;
                SetProgressPosition(dialog, IDC_PROGRESS, block);
                FormatText(title, sizeof title, "Uploading %s Firmware to QEV@%s %d/%d Bytes", "Target",
                           g_upgrade.deviceAddressText, static_cast<int>(bytes), static_cast<int>(imageSize));
                SetWindowTitle(dialog, title);
                *step = 1;
                PumpOneMessage(dialog);
                SleepMilliseconds(1);
            } else {
                // The reboot wait: ticks of 32 ms on a bar of 937.
                if (*step != 2) {
                    SetProgressRange(dialog, IDC_PROGRESS, 937);
                    FormatText(title, sizeof title, "Updating %s Firmware to QEV@%s", "Target",
                               g_upgrade.deviceAddressText);
                    SetWindowTitle(dialog, title);
                    *step = 2;
                }
                SetProgressPosition(dialog, IDC_PROGRESS, ((elapsedMs - durationMs / 2) / 32) % 938);
                PumpAllMessages(dialog);
                SleepMilliseconds(32);
            }
            break;
        }
        default:
            break;
    }
}

void RunModeless(int templateId, unsigned durationMs) {
    WindowHandle dialog = CreateModelessDialog(g_upgrade.instance, templateId, ProcedureOf(templateId));
    if (dialog == nullptr) {
        PrintLine("dialog %d not created", templateId);
        return;
    }
    ShowDialog(dialog);
    if (templateId == IDD_WAITING) {
        SetProgressRange(dialog, IDC_PROGRESS, 1000);
        SetProgressPosition(dialog, IDC_PROGRESS, 0);
        SetControlText(dialog, IDC_WAITING_TEXT, kWaitingText);
    }
    const std::uint32_t start = MillisecondClock();
    unsigned step = 0;
    for (;;) {
        unsigned elapsed = MillisecondClock() - start;  // wraps correctly
        if (elapsed >= durationMs) break;
        AnimateModeless(dialog, templateId, elapsed, durationMs, &step);
    }
    DestroyDialog(dialog);
    PrintLine("dialog %d closed after %u ms", templateId, static_cast<unsigned>(MillisecondClock() - start));
}

void RunOne(int templateId, unsigned modelessMs) {
    FillSampleState(templateId);
    if (IsModeless(templateId))
        RunModeless(templateId, modelessMs);
    else
        RunModal(templateId);
}

bool ReadNumber(const char* text, long low, long high, long* value) {
    char* end = nullptr;
    long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < low || number > high) return false;
    *value = number;
    return true;
}

[[noreturn]] void Usage() {
    std::fputs("usage: qev-gallery [DIALOG [SECONDS]]\n  DIALOG: 101 103 104 105 110 111 114 139 304 305\n", stderr);
    EndProcess(2);
}

}  // namespace

int main(int argc, char** argv) {
    g_upgrade.instance = nullptr;  // the program's own module
    RegisterProgramWindowClass(g_upgrade.instance);
    RegisterCommonControls();
    SeedRandomDraws(MillisecondClock());
    g_upgrade.targetImage = LoadFirmwareImage(IDR_TARGET_FIRMWARE);
    g_upgrade.transitionImage = LoadFirmwareImage(IDR_TRANSITION_FIRMWARE);

    if (argc == 1) {
        for (int templateId : kGalleryOrder) RunOne(templateId, kAllDialogsModelessMs);
        EndProcess(0);
    }
    long templateId = 0;
    long seconds = kOneDialogModelessMs / 1000;
    if (argc > 3 || !ReadNumber(argv[1], 1, 999, &templateId) || ProcedureOf(static_cast<int>(templateId)) == nullptr)
        Usage();
    if (argc == 3 && !ReadNumber(argv[2], 1, kLongestModelessMs / 1000, &seconds)) Usage();
    RunOne(static_cast<int>(templateId), static_cast<unsigned>(seconds) * 1000u);
    EndProcess(0);
}
