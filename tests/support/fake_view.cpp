// The scripted view of the sequence tests (see fake_view.h).
#include "tests/support/fake_view.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "http/digest.h"

std::vector<std::string> FakeView::Events() const {
    std::lock_guard<std::mutex> guard(lock_);
    return events_;
}

std::vector<std::string> FakeView::Failures() const {
    std::lock_guard<std::mutex> guard(lock_);
    return failures_;
}

PageFields FakeView::ConfirmedFields() const {
    std::lock_guard<std::mutex> guard(lock_);
    return confirmed_;
}

ViewFacts FakeView::Facts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return facts_;
}

void FakeView::Note(const std::string& event) {
    std::lock_guard<std::mutex> guard(lock_);
    events_.push_back(event);
}

bool FakeView::Open() { return openAnswer; }

void FakeView::Describe(const ViewFacts& facts) {
    std::lock_guard<std::mutex> guard(lock_);
    facts_ = facts;
}

bool FakeView::ConfirmWarning() {
    Note("warning");
    return warningAnswer;
}

bool FakeView::ChooseDevice(AddressChoice* chosen) {
    Note("address");
    if (chooseAnswer) *chosen = choice;
    return chooseAnswer;
}

bool FakeView::ConfirmUpgrade(const PageFields& fields, bool transitionFirst) {
    Note(transitionFirst ? "confirm with note" : "confirm");
    std::lock_guard<std::mutex> guard(lock_);
    confirmed_ = fields;
    return confirmAnswer;
}

void FakeView::ShowSuccess(const char* installedVersion) { Note(std::string("success ") + installedVersion); }

void FakeView::ShowFailure(const char* text) {
    Note(std::string("failure ") + text);
    std::lock_guard<std::mutex> guard(lock_);
    failures_.push_back(text);
}

void FakeView::ShowWarning(const char* text) { Note(std::string("notice ") + text); }

void FakeView::QueryAttemptStarted() {
    Note("query");
    std::lock_guard<std::mutex> guard(lock_);
    ++queryAttempts_;
}

bool FakeView::TakeQueryInput() {
    std::lock_guard<std::mutex> guard(lock_);
    return queryAttempts_ != cancelQueryAttempt;
}

CredentialAnswer FakeView::AskCredentials(char* user, char* password) {
    Note("password");
    Credentials answer;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (credentials.empty()) {
            ADD_FAILURE() << "the password prompt opened with no answer scripted";
            return CredentialAnswer::Cancelled;
        }
        answer = credentials.front();
        credentials.pop_front();
    }
    CopyText(user, kCredentialLimit + 1, answer.user.c_str());
    CopyText(password, kCredentialLimit + 1, answer.password.c_str());
    return answer.answer;
}

void FakeView::WaitingStarted() { Note("waiting"); }

void FakeView::UploadStarted(bool, std::uint32_t) { Note("upload"); }

void FakeView::RebootWaitStarted(bool, unsigned) { Note("reboot"); }

bool FakeView::TakeTransferInput(bool) {
    std::lock_guard<std::mutex> guard(lock_);
    return ++transferInputs_ != cancelTransferAtInput;
}
