// The whole upgrade in-process: UpgradeMain with a scripted view, the
// device's web server played by a loopback server on port 80 and its TFTP
// client over the fake transport, whose clock makes the retransmissions and
// the reboot wait instant. One test per path of the sequence. Built once per
// program configuration (QEV_TWO_STAGE: the program that also carries the
// transition image). Needs a network namespace of its own (port 80, 69).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/upgrade_main.h"
#include "platform/platform.h"
#include "tests/support/fake_view.h"
#include "tests/support/loopback_device.h"

#if !defined(QEV_TWO_STAGE)
#error "QEV_TWO_STAGE: 1 in the two-stage program's test, 0 in the other"
#endif

namespace {

// The sample images the program configurations carry.
const char kTargetVersion[] = "3.1.24(QE)";
const char kTransitionVersion[] = "2.5.0(QT)";
const std::size_t kTargetSize = 774248;
const std::size_t kTransitionSize = 301113;
const char kUserAbort[] = "Upgrade Failed: User Abort";

class UpgradeSequence : public LoopbackDeviceTest {
protected:
    void SetUp() override {
        LoopbackDeviceTest::SetUp();
        view_.choice = AddressChoice{kLoopbackAddress, "127.0.0.1", kLoopbackAddress};
    }

    Outcome Run() { return UpgradeMain(nullptr, view_, listenerView_, settings_, &record_); }

    // The request lines the device received, in order.
    std::vector<std::string> RequestLines() {
        std::vector<std::string> lines;
        for (const RecordedRequest& request : server_.Requests())
            lines.push_back(request.bytes.substr(0, request.bytes.find("\r\n")));
        return lines;
    }

    UpgradeSettings settings_;
    RunRecord record_;
    FakeView view_;
    FakeView listenerView_;
};

// What the program with the target image alone calls its first file; the
// two-stage program names the transition stage first.
const std::string kFirstName = QEV_TWO_STAGE ? "/qev1a2b.bi0" : "/qev1a2b.bi1";

std::string CommandLine(const std::string& name) {
    return "GET /admin/upgrade?tftp://127.0.0.1:69" + name + " HTTP/1.1";
}

TEST_F(UpgradeSequence, DeviceThatFetchesAndReportsTheTargetVersionIsUpgraded) {
    // A device already past the transition stage, so both programs serve the target at once.
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    server_.Enqueue(kCommandReply);
    server_.Enqueue(StatusPage(kTargetVersion));
    FetchAfterRequests(2, kFirstName);
    EXPECT_EQ(Outcome::Upgraded, Run());
    EXPECT_EQ((std::vector<std::string>{"warning", "address", "query", "confirm", "query"}), view_.Events());
    EXPECT_EQ((std::vector<std::string>{"waiting", "upload", "reboot", "query", std::string("success ") + kTargetVersion}),
              listenerView_.Events());
    EXPECT_EQ((std::vector<std::size_t>{kTargetSize}), fetched_);
    EXPECT_EQ((std::vector<std::string>{"GET /admin/advanced HTTP/1.1", CommandLine(kFirstName),
                                        "GET /admin/advanced HTTP/1.1"}),
              RequestLines());
    EXPECT_STREQ("3.0.1(QE)", view_.ConfirmedFields().softwareVersion);
    EXPECT_STREQ("127.0.0.1", listenerView_.Facts().deviceAddressText);
}

TEST_F(UpgradeSequence, RecordOfAnUpgradeHoldsTheDeviceTheImageAndTheWholeTransfer) {
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    server_.Enqueue(kCommandReply);
    server_.Enqueue(StatusPage(kTargetVersion));
    FetchAfterRequests(2, kFirstName);
    ASSERT_EQ(Outcome::Upgraded, Run());
    EXPECT_STREQ("127.0.0.1", record_.deviceAddressText);
    EXPECT_EQ(kLoopbackAddress, record_.localAddress);
    EXPECT_TRUE(record_.deviceAnswered);
    EXPECT_STREQ("QA10400012345", record_.before.serialNumber);
    EXPECT_STREQ("3.0.1(QE)", record_.before.softwareVersion);
    EXPECT_STREQ(kTargetVersion, record_.imageVersion);
    EXPECT_EQ(kTargetSize, record_.imageSize);
    EXPECT_EQ(69, record_.listenerPort);
    EXPECT_EQ(kFirstName, std::string(record_.upgradeFileName));
    EXPECT_TRUE(record_.commandSent && record_.requestReceived && record_.heardAfterReboot);
    EXPECT_EQ(kTargetSize / 512 + 1, record_.blockCount);
    EXPECT_EQ(record_.blockCount, record_.blocksAcknowledged);
    EXPECT_EQ(kTargetSize, record_.bytesAcknowledged);
    EXPECT_STREQ(kTargetVersion, record_.versionAfter);
}

TEST_F(UpgradeSequence, CancelledWarningEndsWithoutAWord) {
    view_.warningAnswer = false;
    EXPECT_EQ(Outcome::Declined, Run());
    EXPECT_EQ((std::vector<std::string>{"warning"}), view_.Events());
    EXPECT_EQ(0u, server_.RequestCount());
}

TEST_F(UpgradeSequence, CancelledAddressEntryEndsWithoutAWord) {
    view_.chooseAnswer = false;
    EXPECT_EQ(Outcome::Declined, Run());
    EXPECT_EQ((std::vector<std::string>{"warning", "address"}), view_.Events());
    EXPECT_EQ(0u, server_.RequestCount());
}

TEST_F(UpgradeSequence, DeviceThatSendsNothingIsNoResponse) {
    server_.Enqueue("");  // closed without a reply
    EXPECT_EQ(Outcome::NoResponse, Run());
    EXPECT_EQ((std::vector<std::string>{"Upgrade Failed: No Response From QEV"}), view_.Failures());
    EXPECT_TRUE(listenerView_.Events().empty());
}

TEST_F(UpgradeSequence, RefusedConnectionIsRecordedAsTheNoResponsesReason) {
    view_.choice = AddressChoice{0x7F000009, "127.0.0.9", kLoopbackAddress};  // nothing listens there
    EXPECT_EQ(Outcome::NoResponse, Run());
    EXPECT_FALSE(record_.deviceAnswered);
    EXPECT_EQ(ConnectFailure::Refused, record_.connectFailure);
}

TEST_F(UpgradeSequence, DeviceThatNeverAsksEndsOnceTheRequestWaitIsOver) {
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    server_.Enqueue(kCommandReply);
    settings_.requestWaitMs = 60000;  // on the fake clock: at once
    EXPECT_EQ(Outcome::NoRequest, Run());
    EXPECT_EQ((std::vector<std::string>{"Upgrade Failed: Firmware Upload Incomplete"}), view_.Failures());
    EXPECT_EQ((std::vector<std::string>{"waiting"}), listenerView_.Events());
    EXPECT_TRUE(record_.commandSent);
    EXPECT_FALSE(record_.requestReceived);
}

TEST_F(UpgradeSequence, DeviceAskingForAPasswordNoneCanGiveIsPasswordMissing) {
    server_.Enqueue(Challenge("n1"));
    view_.credentials.push_back({CredentialAnswer::Unavailable, "", ""});
    EXPECT_EQ(Outcome::PasswordMissing, Run());
    EXPECT_EQ((std::vector<std::string>{"Upgrade Failed: The QEV asks for a password, and none was given"}),
              view_.Failures());
}

TEST_F(UpgradeSequence, DeviceAskingAgainAfterThePasswordIsPasswordRefused) {
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(Challenge("n1"));  // the same nonce: the response was wrong
    view_.credentials.push_back({CredentialAnswer::Given, "admin", "wrong"});
    view_.credentials.push_back({CredentialAnswer::Unavailable, "", ""});
    EXPECT_EQ(Outcome::PasswordRefused, Run());
    EXPECT_EQ((std::vector<std::string>{"Upgrade Failed: The QEV refused the password"}), view_.Failures());
    EXPECT_EQ(2u, server_.RequestCount());
}

TEST_F(UpgradeSequence, CancelledConfirmationIsTheUserAbortWithoutACommand) {
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    view_.confirmAnswer = false;
    EXPECT_EQ(Outcome::UserAbort, Run());
    EXPECT_EQ((std::vector<std::string>{kUserAbort}), view_.Failures());
    EXPECT_EQ(1u, server_.RequestCount());
}

TEST_F(UpgradeSequence, CancelledPasswordPromptIsTheUserAbort) {
    server_.Enqueue(Challenge("n1"));
    view_.credentials.push_back({CredentialAnswer::Cancelled, "admin", ""});
    EXPECT_EQ(Outcome::UserAbort, Run());
    EXPECT_EQ((std::vector<std::string>{kUserAbort}), view_.Failures());
}

TEST_F(UpgradeSequence, CredentialsGivenOnceServeTheCommandAndTheVerification) {
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    server_.Enqueue(kCommandReply);
    server_.Enqueue(StatusPage(kTargetVersion));
    view_.credentials.push_back({CredentialAnswer::Given, "admin", "secret"});
    FetchAfterRequests(3, kFirstName);
    EXPECT_EQ(Outcome::Upgraded, Run());
    std::vector<RecordedRequest> requests = server_.Requests();
    ASSERT_EQ(4u, requests.size());
    EXPECT_EQ(std::string::npos, requests[0].bytes.find("Authorization:"));
    for (std::size_t i = 1; i < 4; ++i) EXPECT_NE(std::string::npos, requests[i].bytes.find(",nc=00000000" + std::to_string(i) + ","));
    EXPECT_TRUE(listenerView_.Failures().empty());
}

TEST_F(UpgradeSequence, DeviceThatStopsAcknowledgingIsUploadIncompleteWithoutVerification) {
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    server_.Enqueue(kCommandReply);
    client_.lastAcknowledged = 40;
    FetchAfterRequests(2, kFirstName);
    EXPECT_EQ(Outcome::UploadIncomplete, Run());
    EXPECT_EQ(40u, record_.blocksAcknowledged);
    EXPECT_EQ(40u * 512, record_.bytesAcknowledged);
    EXPECT_EQ((std::vector<std::string>{"waiting", "upload", "reboot"}), listenerView_.Events());
    EXPECT_EQ((std::vector<std::string>{"Upgrade Failed: Firmware Upload Incomplete"}), view_.Failures());
    EXPECT_EQ(2u, server_.RequestCount()) << "no status query after a failed transfer";
}

TEST_F(UpgradeSequence, AdapterReportingAnotherVersionIsTheMismatch) {
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    server_.Enqueue(kCommandReply);
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    FetchAfterRequests(2, kFirstName);
    EXPECT_EQ(Outcome::VersionMismatch, Run());
    EXPECT_EQ((std::vector<std::string>{"Upgrade Failed: Version not matching"}), view_.Failures());
}

TEST_F(UpgradeSequence, PageWithoutAVersionAfterTheRebootDoesNotMatchTheOneBefore) {
    // The device already ran the image's version; after the reboot its page
    // lacks the version: nothing says the upgrade took.
    server_.Enqueue(StatusPage(kTargetVersion));
    server_.Enqueue(kCommandReply);
    server_.Enqueue(OkReply("<tr><td>Serial Number:</td><td>QA10400012345</td></tr>"));
    FetchAfterRequests(2, kFirstName);
    EXPECT_EQ(Outcome::VersionMismatch, Run());
}

TEST_F(UpgradeSequence, DeviceNotHeardFromAfterItsRebootEndsWithoutAWord) {
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    server_.Enqueue(kCommandReply);  // then every connection is closed without a reply
    FetchAfterRequests(2, kFirstName);
    EXPECT_EQ(Outcome::NotVerified, Run());
    EXPECT_TRUE(view_.Failures().empty());
    EXPECT_EQ(2u + 10u, server_.RequestCount()) << "ten status queries after the reboot";
}

TEST_F(UpgradeSequence, CancelInTheWaitingDialogIsTheUserAbortShownOnce) {
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    server_.Enqueue(kCommandReply);
    listenerView_.cancelTransferAtInput = 5;
    EXPECT_EQ(Outcome::UserAbort, Run());
    EXPECT_EQ((std::vector<std::string>{kUserAbort}), view_.Failures());
    EXPECT_TRUE(listenerView_.Failures().empty());
}

TEST_F(UpgradeSequence, CancelOfTheCommandsConnectingDialogStopsTheListener) {
    server_.Enqueue(StatusPage("3.0.1(QE)"));
    server_.Enqueue("never sent", ReplyEnding::kStaySilent);
    view_.cancelQueryAttempt = 2;  // the command's
    FetchAfterRequests(99, kFirstName);  // the device never asks
    EXPECT_EQ(Outcome::UserAbort, Run());
    EXPECT_EQ((std::vector<std::string>{kUserAbort}), view_.Failures());
    EXPECT_EQ((std::vector<std::string>{"waiting"}), listenerView_.Events());
}

#if QEV_TWO_STAGE

TEST_F(UpgradeSequence, OlderDeviceGetsTheTransitionThenTheTargetWithAFreshName) {
    server_.Enqueue(StatusPage("2.4.9(QE)"));
    server_.Enqueue(kCommandReply);
    server_.Enqueue(StatusPage(kTransitionVersion));
    server_.Enqueue(kCommandReply);
    server_.Enqueue(StatusPage(kTargetVersion));
    FetchAfterRequests(2, "/qev1a2b.bi0");
    FetchAfterRequests(4, "/qev5e6f.bi1");
    EXPECT_EQ(Outcome::Upgraded, Run());
    EXPECT_EQ((std::vector<std::string>{"warning", "address", "query", "confirm with note", "query", "query"}),
              view_.Events());
    EXPECT_EQ((std::vector<std::size_t>{kTransitionSize, kTargetSize}), fetched_);
    EXPECT_EQ((std::vector<std::string>{"GET /admin/advanced HTTP/1.1", CommandLine("/qev1a2b.bi0"),
                                        "GET /admin/advanced HTTP/1.1", CommandLine("/qev5e6f.bi1"),
                                        "GET /admin/advanced HTTP/1.1"}),
              RequestLines());
    EXPECT_EQ((std::vector<std::string>{"waiting", "upload", "reboot", "query", "waiting", "upload", "reboot", "query",
                                        std::string("success ") + kTargetVersion}),
              listenerView_.Events());
}

TEST_F(UpgradeSequence, DeviceMarkedForTheTransitionGetsItWhateverItsNumber) {
    server_.Enqueue(StatusPage("9.9.9(NT)"));
    view_.confirmAnswer = false;
    EXPECT_EQ(Outcome::UserAbort, Run());
    EXPECT_EQ((std::vector<std::string>{"warning", "address", "query", "confirm with note", "failure " + std::string(kUserAbort)}),
              view_.Events());
}

TEST_F(UpgradeSequence, FailedTransitionStageIsToldAndTheTargetFollows) {
    server_.Enqueue(StatusPage("2.4.9(QE)"));
    server_.Enqueue(kCommandReply);
    server_.Enqueue(StatusPage("2.4.9(QE)"));  // the transition did not take
    server_.Enqueue(kCommandReply);
    server_.Enqueue(StatusPage(kTargetVersion));
    FetchAfterRequests(2, "/qev1a2b.bi0");
    FetchAfterRequests(4, "/qev5e6f.bi1");
    EXPECT_EQ(Outcome::Upgraded, Run());
    EXPECT_EQ((std::vector<std::string>{"Upgrade Failed: Version not matching"}), listenerView_.Failures());
    EXPECT_TRUE(view_.Failures().empty());
}

#endif

}  // namespace
