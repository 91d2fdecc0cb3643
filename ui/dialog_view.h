// The dialog set as the upgrade's view: every operation of UpgradeView done
// with the ten dialogs and the error box, over the platform's dialog
// operations (Win32 dialogs, or the terminal front end). One per thread
// that shows dialogs; each holds the handles of the modeless dialogs it
// shows and the facts they show.
#pragma once

#include "app/upgrade_view.h"
#include "platform/platform_ui.h"
#include "ui/dialogs.h"

class DialogView final : public UpgradeView {
public:
    explicit DialogView(InstanceHandle instance);
    DialogView(const DialogView&) = delete;
    DialogView& operator=(const DialogView&) = delete;

    bool Open() override;
    void Describe(const ViewFacts& facts) override;
    bool ConfirmWarning() override;
    bool ChooseDevice(AddressChoice* choice) override;
    bool ConfirmUpgrade(const PageFields& fields, bool transitionFirst) override;
    void ShowSuccess(const char* installedVersion) override;
    void ShowFailure(const char* text) override;
    void ShowWarning(const char* text) override;
    void CommandSent(std::uint32_t, std::uint16_t) override {}  // the waiting dialog says it

    void QueryAttemptStarted() override;
    void QueryProgress(unsigned position) override;
    bool TakeQueryInput() override;
    void QueryAttemptEnded() override;
    CredentialAnswer AskCredentials(char* user, char* password) override;

    void WaitingStarted() override;
    void WaitingActivity(unsigned position) override;
    void WaitingEnded() override;
    void UploadStarted(bool targetStage, std::uint32_t blockCount) override;
    void UploadProgress(bool targetStage, std::uint32_t blocksAcknowledged, std::uint32_t bytesAcknowledged,
                        std::uint32_t imageSize) override;
    void RebootWaitStarted(bool targetStage, unsigned ticks) override;
    void RebootWaitProgress(unsigned tick) override;
    void UploadEnded() override;
    bool TakeTransferInput(bool all) override;

private:
    // One modeless dialog of this view: its handle (null when none is shown)
    // and the record its procedure reads and writes.
    struct Modeless {
        WindowHandle window;
        ProgressDialogData data;
    };

    void Close(Modeless* dialog);

    InstanceHandle instance_;
    ViewFacts facts_;
    Modeless connecting_;
    Modeless waiting_;  // the waiting dialog, then the upload dialog: never both at once
};
