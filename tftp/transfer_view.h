// What the TFTP listener and transfer session need of the front end: the
// waiting dialog with its cycling bar, the upload dialog with the transfer's
// progress and then the reboot wait's ticks, and the user's input to
// whichever of them is shown. Implemented by every front end's view
// (app/upgrade_view.h).
#pragma once

#include <cstdint>

class TransferView {
public:
    // The waiting dialog: shown with its bar at 0 of 1000, and its text.
    virtual void WaitingStarted() = 0;
    virtual void WaitingActivity(unsigned position) = 0;
    virtual void WaitingEnded() = 0;
    // The upload dialog: shown with its bar at 0 of the block count.
    virtual void UploadStarted(bool targetStage, std::uint32_t blockCount) = 0;
    virtual void UploadProgress(bool targetStage, std::uint32_t blocksAcknowledged, std::uint32_t bytesAcknowledged,
                                std::uint32_t imageSize) = 0;
    // The same dialog during the reboot wait: the bar counts ticks.
    virtual void RebootWaitStarted(bool targetStage, unsigned ticks) = 0;
    virtual void RebootWaitProgress(unsigned tick) = 0;
    virtual void UploadEnded() = 0;
    // Takes the user's input to the dialog shown: every waiting input (all)
    // or at most one. False when the user cancelled the dialog (Cancel or
    // the close box), which ends the upgrade.
    virtual bool TakeTransferInput(bool all) = 0;

protected:
    ~TransferView() = default;
};
