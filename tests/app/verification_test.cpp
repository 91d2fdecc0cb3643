// The verification after the reboot wait against a loopback status page on
// port 80, shown through the dialog set over the fake user interface: what
// an adapter must report, that a phone is not compared, and the silent end
// when the device is not heard from, each attempt without a reply lasting
// its second on the query runner's fake clock
// (tests/support/fake_query_clock.cpp).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/verification.h"
#include "common/text.h"
#include "http/device_query.h"
#include "http/query_clock.h"
#include "tests/support/fake_ui.h"
#include "tests/support/device_replies.h"
#include "tests/support/loopback_http_server.h"
#include "ui/dialog_view.h"
#include "ui/resource_ids.h"

namespace {

const char kImageVersion[] = "3.1.24(QE)";

class Verification : public ::testing::Test {
protected:
    void SetUp() override {
        fake_ui::Reset();
        ASSERT_TRUE(StartSocketLibrary());
        std::memset(header_.bytes, 0, sizeof header_.bytes);
        CopyText(reinterpret_cast<char*>(header_.bytes + kVersionTextOffset), kImageHeaderSize - kVersionTextOffset,
                 kImageVersion);
        ViewFacts facts{};
        CopyText(facts.deviceAddressText, sizeof facts.deviceAddressText, "192.0.2.55");
        view_.Describe(facts);
    }

    void StartDevice() {
        ASSERT_TRUE(server_.Start(kDeviceHttpPort));
        ASSERT_EQ(kDeviceHttpPort, server_.Port()) << "port 80 is taken: run inside tools/in_private_network.sh";
    }

    Outcome Verify(std::int32_t deviceClass = kDeviceAdapter) {
        // The requester is queried (the address typed in may differ).
        VerificationRequest request = {kLoopbackAddress, kLoopbackAddress, &header_, deviceClass, true, &handOver_, 0};
        return VerifyUpgrade(&session_, request, view_);
    }

    LoopbackHttpServer server_;
    ImageHeader header_;
    DeviceSession session_;
    StageHandOver handOver_;
    DialogView view_{nullptr};
};

TEST_F(Verification, AdapterReportingTheImagesVersionGetsTheSuccessDialog) {
    StartDevice();
    server_.Enqueue(StatusPage(kImageVersion));
    fake_ui::Script(IDD_SUCCESS, {fake_ui::Press(kCommandOk)});
    EXPECT_EQ(Outcome::Upgraded, Verify());
    fake_ui::DialogRecord success = fake_ui::LastDialog(IDD_SUCCESS);
    EXPECT_EQ(kImageVersion, success.Text(IDC_INSTALLED_VERSION));
    EXPECT_EQ("QEV@192.0.2.55 Upgrade Successful!", success.title);
    ASSERT_EQ(1u, server_.RequestCount());
    EXPECT_EQ(0u, server_.Requests()[0].bytes.find("GET /admin/advanced HTTP/1.1\r\n"));
}

TEST_F(Verification, AdapterVersionInAnotherCaseOrWithAnExtraSpaceIsTheMismatch) {
    StartDevice();
    for (const char* reported : {"3.1.24(qe)", "3.1.24(QE) "}) {
        SCOPED_TRACE(reported);
        server_.Enqueue(StatusPage(reported));
        EXPECT_EQ(Outcome::VersionMismatch, Verify());
    }
    EXPECT_TRUE(fake_ui::DialogsOf(IDD_SUCCESS).empty());
}

TEST_F(Verification, PhoneVersionIsNeverCompared) {
    StartDevice();
    server_.Enqueue(StatusPage("9.9.9(XX)"));
    fake_ui::Script(IDD_SUCCESS, {fake_ui::Press(kCommandOk)});
    EXPECT_EQ(Outcome::Upgraded, Verify(kDevicePhone));
    EXPECT_EQ("9.9.9(XX)", fake_ui::LastDialog(IDD_SUCCESS).Text(IDC_INSTALLED_VERSION));
}

TEST_F(Verification, PhonePageWithoutTheVersionShowsNoneRatherThanTheOldOne) {
    StartDevice();
    CopyText(session_.fields.softwareVersion, sizeof session_.fields.softwareVersion, "2.9.1(QE)");  // before the upgrade
    server_.Enqueue(OkReply("<tr><td>Serial Number:</td><td>QP1</td></tr>"));
    fake_ui::Script(IDD_SUCCESS, {fake_ui::Press(kCommandOk)});
    EXPECT_EQ(Outcome::Upgraded, Verify(kDevicePhone));
    EXPECT_EQ("", fake_ui::LastDialog(IDD_SUCCESS).Text(IDC_INSTALLED_VERSION));
}

TEST_F(Verification, TenRefusedQueriesLastASecondEachThenEndWithoutAWord) {
    // Nothing listens on port 80: each connection is refused at once.
    std::uint32_t start = QueryClock();
    EXPECT_EQ(Outcome::NotVerified, Verify());
    EXPECT_GE(QueryClock() - start, 10u * kVerificationAttemptMinimumMs);
    std::vector<fake_ui::DialogRecord> attempts = fake_ui::DialogsOf(IDD_CONNECTING);
    ASSERT_EQ(10u, attempts.size());
    for (const fake_ui::DialogRecord& attempt : attempts) {
        // The dialog stays up, its bar stepping every 10 ms and its input taken.
        EXPECT_GE(attempt.progressPositions.at(IDC_PROGRESS).size(), 99u);
        EXPECT_GE(attempt.pumps, 99);
        EXPECT_TRUE(attempt.destroyed);
    }
    EXPECT_TRUE(fake_ui::MessageBoxes().empty());
    EXPECT_TRUE(fake_ui::DialogsOf(IDD_SUCCESS).empty());
}

TEST_F(Verification, CancelDuringTheSecondOfARefusedQueryIsTheUserAbort) {
    fake_ui::ScriptModeless(IDD_CONNECTING, 50, fake_ui::Press(kCommandCancel));
    EXPECT_EQ(Outcome::UserAbort, Verify());
    EXPECT_EQ(1u, fake_ui::DialogsOf(IDD_CONNECTING).size());
}

TEST_F(Verification, AReplyEndsTheAttemptAtOnce) {
    StartDevice();
    server_.Enqueue(StatusPage(kImageVersion));
    fake_ui::Script(IDD_SUCCESS, {fake_ui::Press(kCommandOk)});
    std::uint32_t start = QueryClock();
    EXPECT_EQ(Outcome::Upgraded, Verify());
    EXPECT_LT(QueryClock() - start, kVerificationAttemptMinimumMs);
}

}  // namespace
