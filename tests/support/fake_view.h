// A scripted stand-in for a front end's view (app/upgrade_view.h), for the
// tests of the upgrade sequence: it answers each question as scripted and
// records what the upgrade showed, in order. Thread-safe: the main thread's
// view and the listener thread's view may be one FakeView or two.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "app/upgrade_view.h"

class FakeView final : public UpgradeView {
public:
    // ---- the script: every answer defaults to going on ----
    bool openAnswer = true;
    bool warningAnswer = true;
    bool chooseAnswer = true;
    AddressChoice choice{};  // given back by ChooseDevice
    bool confirmAnswer = true;
    // Answers of the password prompt, in order; a prompt with none left is a
    // test failure and a Cancel.
    struct Credentials {
        CredentialAnswer answer;
        std::string user;
        std::string password;
    };
    std::deque<Credentials> credentials;
    // The query attempt (counted from 1) whose Connecting dialog the user
    // cancels at its first input; 0: none.
    unsigned cancelQueryAttempt = 0;
    // The input (counted from 1) of the waiting or upload dialog at which
    // the user cancels it; 0: never.
    unsigned cancelTransferAtInput = 0;

    // ---- the record ----
    std::vector<std::string> Events() const;    // "warning", "address", "query", "password", "confirm",
                                                // "confirm with note", "waiting", "upload", "reboot",
                                                // "success VERSION", "failure TEXT", "notice TEXT"
    std::vector<std::string> Failures() const;  // the failure texts shown
    PageFields ConfirmedFields() const;         // what the confirmation showed
    ViewFacts Facts() const;                    // as last described

    bool Open() override;
    void Describe(const ViewFacts& facts) override;
    bool ConfirmWarning() override;
    bool ChooseDevice(AddressChoice* choice) override;
    bool ConfirmUpgrade(const PageFields& fields, bool transitionFirst) override;
    void ShowSuccess(const char* installedVersion) override;
    void ShowFailure(const char* text) override;
    void ShowWarning(const char* text) override;
    void CommandSent(std::uint32_t, std::uint16_t) override {}

    void QueryAttemptStarted() override;
    void QueryProgress(unsigned) override {}
    bool TakeQueryInput() override;
    void QueryAttemptEnded() override {}
    CredentialAnswer AskCredentials(char* user, char* password) override;

    void WaitingStarted() override;
    void WaitingActivity(unsigned) override {}
    void WaitingEnded() override {}
    void UploadStarted(bool targetStage, std::uint32_t blockCount) override;
    void UploadProgress(bool, std::uint32_t, std::uint32_t, std::uint32_t) override {}
    void RebootWaitStarted(bool targetStage, unsigned ticks) override;
    void RebootWaitProgress(unsigned) override {}
    void UploadEnded() override {}
    bool TakeTransferInput(bool all) override;

private:
    void Note(const std::string& event);

    mutable std::mutex lock_;
    std::vector<std::string> events_;
    std::vector<std::string> failures_;
    PageFields confirmed_{};
    ViewFacts facts_{};
    unsigned queryAttempts_ = 0;
    unsigned transferInputs_ = 0;
};
