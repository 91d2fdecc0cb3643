// The upgrade's view without dialogs (the Linux program run with
// --address): the device, the addresses and the password come from the
// command line; what happens is told as lines or JSON events (RunOutput);
// the warning and the confirmation are asked on standard input unless
// --yes answered them; Ctrl-C is the Cancel of every wait. One per thread
// that shows dialogs (the main thread's and the TFTP listener thread's),
// sharing the output and the credentials.
#pragma once

#include <atomic>
#include <cstdint>

#include "app/upgrade_view.h"
#include "cli/run_output.h"
#include "http/digest.h"

struct HeadlessSettings {
    std::uint32_t deviceAddress;  // host order
    char deviceAddressText[kDeviceAddressTextSize];
    std::uint32_t localAddress;   // 0: the first of this PC's addresses
    bool yes;                     // the warning and the confirmation are not asked
    std::uint32_t requestWaitSeconds;  // told, not enforced here: UpgradeSettings does
};

// The password of the command line, given to the device at most once in a
// run: a second prompt means it was refused.
struct HeadlessCredentials {
    char user[kCredentialLimit + 1] = {};
    char password[kCredentialLimit + 1] = {};  // empty: none was given
    std::atomic<bool> given{false};
};

class HeadlessView final : public UpgradeView {
public:
    HeadlessView(RunOutput& output, const HeadlessSettings& settings, HeadlessCredentials& credentials);
    HeadlessView(const HeadlessView&) = delete;
    HeadlessView& operator=(const HeadlessView&) = delete;

    bool Open() override { return true; }
    void Describe(const ViewFacts& facts) override { facts_ = facts; }
    bool ConfirmWarning() override;
    bool ChooseDevice(AddressChoice* choice) override;
    bool ConfirmUpgrade(const PageFields& fields, bool transitionFirst) override;
    void ShowSuccess(const char* installedVersion) override;
    void ShowFailure(const char* text) override;
    void ShowWarning(const char* text) override;
    void CommandSent(std::uint32_t localAddress, std::uint16_t port) override;

    void QueryAttemptStarted() override;
    void QueryProgress(unsigned) override {}
    bool TakeQueryInput() override { return !output_.Interrupted(); }
    void QueryAttemptEnded() override {}
    CredentialAnswer AskCredentials(char* user, char* password) override;

    void WaitingStarted() override;
    void WaitingActivity(unsigned) override {}
    void WaitingEnded() override {}
    void UploadStarted(bool targetStage, std::uint32_t blockCount) override;
    void UploadProgress(bool targetStage, std::uint32_t blocksAcknowledged, std::uint32_t bytesAcknowledged,
                        std::uint32_t imageSize) override;
    void RebootWaitStarted(bool targetStage, unsigned ticks) override;
    void RebootWaitProgress(unsigned) override {}
    void UploadEnded() override {}
    bool TakeTransferInput(bool) override { return !output_.Interrupted(); }

private:
    // A message of the upgrade's own as it stands: the line, and the event of that kind with its text.
    void TellMessage(const char* kind, const char* text);

    RunOutput& output_;
    const HeadlessSettings& settings_;
    HeadlessCredentials& credentials_;
    ViewFacts facts_;
    bool queryTold_;       // the next query's first attempt is told, once
    unsigned percentTold_;  // the upload's last percentage told, in steps of 10
};
