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

#include "app/failure_texts.h"
#include "app/upgrade_command.h"
#include "app/upgrade_view.h"
#include "common/text.h"
#include "image/firmware_image.h"
#include "image/product_table.h"
#include "platform/platform.h"
#include "platform/platform_ui.h"
#include "ui/address_entry.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "ui/error_box.h"
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

// What the dialogs show: the images the gallery carries, and sample data.
struct Gallery {
    FirmwareImage target;
    FirmwareImage transition;
    ViewFacts facts;
    PageFields fields;
};

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

// The state a real run would have reached when the dialog opens. Made anew
// before each dialog, so that one dialog's input does not leak into the next.
void FillSampleState(Gallery* gallery, int templateId) {
    ViewFacts& facts = gallery->facts;
    std::memset(&facts, 0, sizeof facts);
    ProductIdentity product = IdentifyProduct(gallery->target.header);
    CopyText(facts.displayName, sizeof facts.displayName, product.displayName);
    facts.deviceClass = product.deviceClass;
    if (templateId == IDD_ADDRESS_ADAPTER) facts.deviceClass = kDeviceAdapter;
    if (templateId == IDD_ADDRESS_PHONE) facts.deviceClass = kDevicePhone;
    CopyHeaderVersion(facts.targetVersion, gallery->target.header);
    CopyHeaderVersion(facts.transitionVersion, gallery->transition.header);
    facts.localAddresses[0] = Address(192, 0, 2, 10);
    facts.localAddresses[1] = Address(198, 51, 100, 7);
    facts.localAddressCount = 2;
    CopyText(facts.deviceAddressText, sizeof facts.deviceAddressText, kSampleDeviceAddressText);

    PageFields& fields = gallery->fields;
    CopyText(fields.productName, sizeof fields.productName, facts.displayName);
    CopyText(fields.macAddress, sizeof fields.macAddress, "00:00:5E:00:53:2A");
    CopyText(fields.hardwareVersion, sizeof fields.hardwareVersion, "1.0.1");
    CopyText(fields.serialNumber, sizeof fields.serialNumber, "QV0C1234567");
    // After the reboot the device reports the installed version.
    CopyText(fields.softwareVersion, sizeof fields.softwareVersion,
             templateId == IDD_SUCCESS ? facts.targetVersion : "2.4.3(QE)");
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

void RunModal(Gallery* gallery, int templateId) {
    const ViewFacts& facts = gallery->facts;
    WarningDialogData warning = {facts.displayName};
    AddressChoice choice;
    std::memset(&choice, 0, sizeof choice);
    AddressDialogData address = {&facts, &choice};
    ConfirmDialogData confirm = {facts.targetVersion, templateId == IDD_CONFIRM ? nullptr : facts.transitionVersion,
                                 &gallery->fields};
    PasswordDialogData password;
    std::memset(&password, 0, sizeof password);
    SuccessDialogData success = {facts.deviceAddressText, gallery->fields.softwareVersion};
    void* context = nullptr;
    switch (templateId) {
        case IDD_WARNING: context = &warning; break;
        case IDD_ADDRESS_ADAPTER:
        case IDD_ADDRESS_PHONE: context = &address; break;
        case IDD_CONFIRM:
        case IDD_CONFIRM_TWO_STAGE: context = &confirm; break;
        case IDD_PASSWORD: context = &password; break;
        case IDD_SUCCESS: context = &success; break;
        default: break;
    }
    int result = RunModalDialog(nullptr, templateId, ProcedureOf(templateId), context);
    PrintLine("dialog %d result %d", templateId, result);
    if (result == 1 && (templateId == IDD_ADDRESS_ADAPTER || templateId == IDD_ADDRESS_PHONE)) {
        // The name the upgrade forms on acceptance; the gallery carries both
        // images, so its stage is the transition's.
        StageHandOver handOver;
        MakeUpgradeFileName(&handOver, 0);
        char local[kDottedQuadSize];
        FormatDottedQuad(local, sizeof local, choice.localAddress);
        PrintLine("dialog address %s local %s file %s", choice.deviceAddressText, local,
                  CurrentUpgradeFileName(handOver));
    }
    if (result == 1 && templateId == IDD_PASSWORD)
        PrintLine("dialog user %s password %u characters", password.user,
                  static_cast<unsigned>(std::strlen(password.password)));
}

// The bar and title of each progress dialog move as the program moves them:
// the connecting bar one step per 10 polls of 1 ms, the waiting bar one step
// per poll, the upload bar through the blocks and then the reboot ticks.
void AnimateModeless(const Gallery& gallery, WindowHandle dialog, int templateId, unsigned elapsedMs,
                     unsigned durationMs, unsigned* step) {
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
            const std::uint32_t imageSize = gallery.target.size;
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
                           gallery.facts.deviceAddressText, static_cast<int>(bytes), static_cast<int>(imageSize));
                SetWindowTitle(dialog, title);
                *step = 1;
                PumpOneMessage(dialog);
                SleepMilliseconds(1);
            } else {
                // The reboot wait: ticks of 32 ms on a bar of 937.
                if (*step != 2) {
                    SetProgressRange(dialog, IDC_PROGRESS, 937);
                    FormatText(title, sizeof title, "Updating %s Firmware to QEV@%s", "Target",
                               gallery.facts.deviceAddressText);
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

// A modeless dialog's Cancel ends the gallery as it ends the upgrade.
[[noreturn]] void Abort() {
    ShowUpgradeError(kFailUserAbort, nullptr);
    EndProcess(0);
}

void RunModeless(const Gallery& gallery, int templateId, unsigned durationMs) {
    ProgressDialogData data = {gallery.facts.deviceAddressText, false};
    WindowHandle dialog = CreateModelessDialog(nullptr, templateId, ProcedureOf(templateId), &data);
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
        AnimateModeless(gallery, dialog, templateId, elapsed, durationMs, &step);
        if (data.cancelled) Abort();
    }
    DestroyDialog(dialog);
    PrintLine("dialog %d closed after %u ms", templateId, static_cast<unsigned>(MillisecondClock() - start));
}

void RunOne(Gallery* gallery, int templateId, unsigned modelessMs) {
    FillSampleState(gallery, templateId);
    if (IsModeless(templateId))
        RunModeless(*gallery, templateId, modelessMs);
    else
        RunModal(gallery, templateId);
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
    RegisterProgramWindowClass(nullptr);  // the program's own module
    RegisterCommonControls();
    static Gallery gallery;
    gallery.target = LoadFirmwareImage(kTargetFirmwareResource);
    gallery.transition = LoadFirmwareImage(kTransitionFirmwareResource);

    if (argc == 1) {
        for (int templateId : kGalleryOrder) RunOne(&gallery, templateId, kAllDialogsModelessMs);
        EndProcess(0);
    }
    long templateId = 0;
    long seconds = kOneDialogModelessMs / 1000;
    if (argc > 3 || !ReadNumber(argv[1], 1, 999, &templateId) || ProcedureOf(static_cast<int>(templateId)) == nullptr)
        Usage();
    if (argc == 3 && !ReadNumber(argv[2], 1, kLongestModelessMs / 1000, &seconds)) Usage();
    RunOne(&gallery, static_cast<int>(templateId), static_cast<unsigned>(seconds) * 1000u);
    EndProcess(0);
}
