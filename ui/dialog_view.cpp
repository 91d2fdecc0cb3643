// The dialog set as the upgrade's view (see dialog_view.h).
#include "ui/dialog_view.h"

#include <cstring>

#include "common/text.h"
#include "ui/address_entry.h"
#include "ui/dialog_texts.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

constexpr unsigned kWaitingBarSteps = 1000;
// A progress bar's bounds are 16 bits: a count above that (an image of more
// blocks, which never completes) keeps the bar full.
constexpr std::uint32_t kProgressLimit = 65535;

std::uint32_t ProgressValue(std::uint32_t value) { return value < kProgressLimit ? value : kProgressLimit; }

const char* StageName(bool targetStage) { return targetStage ? kTargetStageName : kTransitionStageName; }

}  // namespace

DialogView::DialogView(InstanceHandle instance) : instance_(instance) {
    std::memset(&facts_, 0, sizeof facts_);
    connecting_ = Modeless{nullptr, {facts_.deviceAddressText, false}};
    waiting_ = Modeless{nullptr, {facts_.deviceAddressText, false}};
}

bool DialogView::Open() {
    if (!RegisterProgramWindowClass(instance_)) return false;
    RegisterCommonControls();
    return true;
}

void DialogView::Describe(const ViewFacts& facts) { facts_ = facts; }

bool DialogView::ConfirmWarning() {
    WarningDialogData data = {facts_.displayName};
    return RunModalDialog(instance_, IDD_WARNING, WarningDialogProc, &data) != 0;
}

bool DialogView::ChooseDevice(AddressChoice* choice) {
    AddressDialogData data = {&facts_, choice};
    int templateId = facts_.deviceClass == kDevicePhone ? IDD_ADDRESS_PHONE : IDD_ADDRESS_ADAPTER;
    return RunModalDialog(instance_, templateId, AddressDialogProc, &data) != 0;
}

bool DialogView::ConfirmUpgrade(const PageFields& fields, bool transitionFirst) {
    ConfirmDialogData data = {facts_.targetVersion, transitionFirst ? facts_.transitionVersion : nullptr, &fields};
    int templateId = transitionFirst ? IDD_CONFIRM_TWO_STAGE : IDD_CONFIRM;
    return RunModalDialog(instance_, templateId, ConfirmDialogProc, &data) != 0;
}

void DialogView::ShowSuccess(const char* installedVersion) {
    SuccessDialogData data = {facts_.deviceAddressText, installedVersion};
    RunModalDialog(instance_, IDD_SUCCESS, SuccessDialogProc, &data);
}

void DialogView::ShowFailure(const char* text) { ShowUpgradeError(text, nullptr); }

void DialogView::ShowWarning(const char* text) { ShowUpgradeError(text, kWarningCaption); }

// ---- the device query ----------------------------------------------------------

void DialogView::QueryAttemptStarted() {
    connecting_.data = ProgressDialogData{facts_.deviceAddressText, false};
    connecting_.window = CreateModelessDialog(instance_, IDD_CONNECTING, ConnectingDialogProc, &connecting_.data);
    ShowDialog(connecting_.window);
}

void DialogView::QueryProgress(unsigned position) {
    if (!connecting_.data.cancelled) SetProgressPosition(connecting_.window, IDC_PROGRESS, position);
}

bool DialogView::TakeQueryInput() {
    // Every message waiting: the runner wakes for new input only, and a
    // message left would wait for the bar's next step. Cancel destroys the
    // dialog inside the pump: no pump after that.
    while (!connecting_.data.cancelled && PumpOneMessage(connecting_.window)) {
    }
    return !connecting_.data.cancelled;
}

void DialogView::QueryAttemptEnded() { Close(&connecting_); }

CredentialAnswer DialogView::AskCredentials(char* user, char* password) {
    PasswordDialogData data;
    std::memset(&data, 0, sizeof data);
    if (RunModalDialog(instance_, IDD_PASSWORD, PasswordDialogProc, &data) != 1) return CredentialAnswer::Cancelled;
    CopyText(user, sizeof data.user, data.user);
    CopyText(password, sizeof data.password, data.password);
    return CredentialAnswer::Given;
}

// ---- the TFTP server -----------------------------------------------------------

void DialogView::WaitingStarted() {
    waiting_.data = ProgressDialogData{facts_.deviceAddressText, false};
    waiting_.window = CreateModelessDialog(instance_, IDD_WAITING, ProgressDialogProc, &waiting_.data);
    ShowDialog(waiting_.window);
    SetProgressRange(waiting_.window, IDC_PROGRESS, kWaitingBarSteps);
    SetProgressPosition(waiting_.window, IDC_PROGRESS, 0);
    // Set at every showing: the second one, of the two-stage configuration,
    // would otherwise show an empty text.
    SetControlText(waiting_.window, IDC_WAITING_TEXT, kWaitingText);
}

void DialogView::WaitingActivity(unsigned position) {
    if (!waiting_.data.cancelled) SetProgressPosition(waiting_.window, IDC_PROGRESS, position);
}

void DialogView::WaitingEnded() { Close(&waiting_); }

void DialogView::UploadStarted(bool, std::uint32_t blockCount) {
    waiting_.data = ProgressDialogData{facts_.deviceAddressText, false};
    waiting_.window = CreateModelessDialog(instance_, IDD_UPLOAD, ProgressDialogProc, &waiting_.data);
    ShowDialog(waiting_.window);
    SetProgressRange(waiting_.window, IDC_PROGRESS, ProgressValue(blockCount));
}

void DialogView::UploadProgress(bool targetStage, std::uint32_t blocksAcknowledged, std::uint32_t bytesAcknowledged,
                                std::uint32_t imageSize) {
    if (waiting_.data.cancelled) return;
    SetProgressPosition(waiting_.window, IDC_PROGRESS, ProgressValue(blocksAcknowledged));
    char title[kUploadTitleSize];
    FormatText(title, sizeof title, kUploadTitleFormat, StageName(targetStage), facts_.deviceAddressText,
               static_cast<int>(bytesAcknowledged), static_cast<int>(imageSize));
    SetWindowTitle(waiting_.window, title);
}

void DialogView::RebootWaitStarted(bool targetStage, unsigned ticks) {
    if (waiting_.data.cancelled) return;
    SetProgressRange(waiting_.window, IDC_PROGRESS, ticks);
    SetProgressPosition(waiting_.window, IDC_PROGRESS, 0);
    char title[kUploadTitleSize];
    FormatText(title, sizeof title, kUpdateTitleFormat, StageName(targetStage), facts_.deviceAddressText);
    SetWindowTitle(waiting_.window, title);
}

void DialogView::RebootWaitProgress(unsigned tick) {
    if (!waiting_.data.cancelled) SetProgressPosition(waiting_.window, IDC_PROGRESS, tick);
}

void DialogView::UploadEnded() { Close(&waiting_); }

bool DialogView::TakeTransferInput(bool all) {
    // Cancel destroys the dialog inside the pump: no pump after that.
    if (!waiting_.data.cancelled) {
        if (all) {
            while (!waiting_.data.cancelled && PumpOneMessage(waiting_.window)) {
            }
        } else {
            PumpOneMessage(waiting_.window);
        }
    }
    return !waiting_.data.cancelled;
}

void DialogView::Close(Modeless* dialog) {
    // A dialog the user cancelled is gone already.
    if (dialog->window != nullptr && !dialog->data.cancelled) DestroyDialog(dialog->window);
    dialog->window = nullptr;
}
