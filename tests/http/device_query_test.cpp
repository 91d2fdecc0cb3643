// The device query runner against a digest-protecting loopback server,
// played through the scripted fake user interface: when the password dialog
// opens, when one automatic retry answers a renewed nonce, the Connecting
// dialog's cycling bar, Cancel while the device is silent, and the end of a
// worker whatever its result.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "http/device_query.h"
#include "platform/platform.h"
#include "tests/support/fake_ui.h"
#include "tests/support/device_replies.h"
#include "tests/support/loopback_http_server.h"
#include "ui/dialog_view.h"
#include "ui/resource_ids.h"

namespace {

constexpr std::uint16_t kPortBase = 46200;
// Steps 101 and 102 of a query set the bar to 100 and back to 0; a few
// more show the steps after the wrap.
constexpr std::size_t kStepsPastTheWrap = 105;
constexpr unsigned kReleaseLimitMs = 120000;

const char kStatusPage[] =
    "HTTP/1.1 200 OK\r\nContent-Length: 71\r\n\r\n"
    "<tr><td>Software Version:</td><td>3.1.24(QE)</td></tr><tr><td></td></tr>";

// The nc value and nonce of a request's Authorization line; "" when it has none.
std::string NonceCountOf(const std::string& request) {
    std::size_t at = request.find(",nc=");
    return at == std::string::npos ? std::string() : request.substr(at + 4, 9);
}
std::string NonceOf(const std::string& request) {
    std::size_t at = request.find("nonce=\"");
    if (at == std::string::npos) return std::string();
    at += 7;
    return request.substr(at, request.find('"', at) - at);
}
bool HasAuthorization(const std::string& request) { return request.find("\r\nAuthorization: ") != std::string::npos; }

class DeviceQuery : public ::testing::Test {
protected:
    void SetUp() override {
        fake_ui::Reset();
        ASSERT_TRUE(StartSocketLibrary());
        ASSERT_TRUE(server_.Start(43000));
    }

    // The query's byte count; its outcome goes to outcome_.
    int Query(const char* path = "/admin/advanced", std::uint16_t port = 0) {
        DeviceQueryRequest request = {kLoopbackAddress, kPortBase, kLoopbackAddress,
                                      port != 0 ? port : server_.Port(), path, nullptr, nullptr, 0, replyLimitMs_};
        DeviceQueryResult result;
        outcome_ = RunDeviceQuery(&session_, request, view_, &result);
        fields_ = result.fields;
        connectFailure_ = result.connectFailure;
        return result.bytes;
    }

    std::vector<std::string> Requests() {
        std::vector<std::string> bytes;
        for (const RecordedRequest& request : server_.Requests()) bytes.push_back(request.bytes);
        return bytes;
    }

    static void AnswerPassword(const char* password) {
        fake_ui::Script(IDD_PASSWORD, {fake_ui::Type(IDC_PASSWORD, password), fake_ui::Press(kCommandOk)});
    }

    LoopbackHttpServer server_;
    DeviceSession session_;
    DialogView view_{nullptr};
    Outcome outcome_ = Outcome::Continue;
    PageFields fields_{};
    ConnectFailure connectFailure_ = ConnectFailure::None;
    unsigned replyLimitMs_ = 0;
};

TEST_F(DeviceQuery, UnprotectedDeviceNeedsOneAttemptAndNoDialog) {
    server_.Enqueue(kStatusPage);
    EXPECT_EQ(static_cast<int>(std::strlen(kStatusPage)), Query());
    EXPECT_EQ(1u, server_.RequestCount());
    EXPECT_TRUE(fake_ui::DialogsOf(IDD_PASSWORD).empty());
    std::vector<fake_ui::DialogRecord> connecting = fake_ui::DialogsOf(IDD_CONNECTING);
    ASSERT_EQ(1u, connecting.size());
    EXPECT_TRUE(connecting[0].shown);
    EXPECT_TRUE(connecting[0].destroyed);
    EXPECT_STREQ("3.1.24(QE)", fields_.softwareVersion);
    EXPECT_STREQ("3.1.24(QE)", session_.fields.softwareVersion);
}

TEST_F(DeviceQuery, FirstChallengeOpensThePasswordDialogThenSendsNonceCountOne) {
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(kStatusPage);
    AnswerPassword("secret");
    EXPECT_GT(Query(), 0);

    std::vector<std::string> requests = Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_FALSE(HasAuthorization(requests[0]));
    EXPECT_EQ("000000001", NonceCountOf(requests[1]));
    EXPECT_EQ("n1", NonceOf(requests[1]));
    ASSERT_EQ(1u, fake_ui::DialogsOf(IDD_PASSWORD).size());
    EXPECT_EQ("admin", fake_ui::LastDialog(IDD_PASSWORD).Text(IDC_USER));
    EXPECT_STREQ("secret", session_.digest.password);
    // One Connecting dialog per attempt, each gone before the next step.
    std::vector<fake_ui::DialogRecord> connecting = fake_ui::DialogsOf(IDD_CONNECTING);
    ASSERT_EQ(2u, connecting.size());
    EXPECT_TRUE(connecting[0].destroyed && connecting[1].destroyed);
    EXPECT_LT(connecting[0].serial, fake_ui::LastDialog(IDD_PASSWORD).serial);
}

TEST_F(DeviceQuery, RefusedCredentialsOpenTheDialogAgainWithTheUserReset) {
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(Challenge("n1"));  // same nonce: the credentials were refused
    server_.Enqueue(kStatusPage);
    fake_ui::Script(IDD_PASSWORD, {fake_ui::Type(IDC_USER, "root"), fake_ui::Type(IDC_PASSWORD, "wrong"),
                                   fake_ui::Press(kCommandOk)});
    AnswerPassword("secret");
    EXPECT_GT(Query(), 0);

    std::vector<fake_ui::DialogRecord> dialogs = fake_ui::DialogsOf(IDD_PASSWORD);
    ASSERT_EQ(2u, dialogs.size());
    EXPECT_EQ("admin", dialogs[1].Text(IDC_USER));  // not "root" from the first opening
    std::vector<std::string> requests = Requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ("000000001", NonceCountOf(requests[1]));
    EXPECT_EQ("000000002", NonceCountOf(requests[2]));  // same nonce: the count goes on
    EXPECT_NE(std::string::npos, requests[2].find("username=\"admin\""));
}

TEST_F(DeviceQuery, OkWithAnEmptyPasswordSendsNoAuthorizationAndAsksAgain) {
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(kStatusPage);
    fake_ui::Script(IDD_PASSWORD, {fake_ui::Press(kCommandOk)});
    AnswerPassword("secret");
    EXPECT_GT(Query(), 0);

    std::vector<std::string> requests = Requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_FALSE(HasAuthorization(requests[1]));
    EXPECT_EQ("000000001", NonceCountOf(requests[2]));
    EXPECT_EQ(2u, fake_ui::DialogsOf(IDD_PASSWORD).size());
}

TEST_F(DeviceQuery, RenewedNonceIsAnsweredByExactlyOneAutomaticRetry) {
    // The status query establishes the credentials.
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(kStatusPage);
    AnswerPassword("secret");
    ASSERT_GT(Query(), 0);

    // The upgrade command goes out with them at once; the device has renewed its nonce.
    const char* command = "/admin/upgrade?tftp://127.0.0.1:69/qev1a2b.bi1";
    server_.Enqueue(Challenge("n2"));
    server_.Enqueue(kStatusPage);
    EXPECT_GT(Query(command), 0);

    std::vector<std::string> requests = Requests();
    ASSERT_EQ(4u, requests.size());
    EXPECT_EQ("000000002", NonceCountOf(requests[2]));
    EXPECT_EQ("n1", NonceOf(requests[2]));
    EXPECT_EQ("000000001", NonceCountOf(requests[3]));
    EXPECT_EQ("n2", NonceOf(requests[3]));
    EXPECT_NE(std::string::npos, requests[3].find(std::string("uri=\"") + command + "\""));
    EXPECT_EQ(1u, fake_ui::DialogsOf(IDD_PASSWORD).size());  // only the first query's
}

TEST_F(DeviceQuery, SecondRenewalInARowOpensThePasswordDialog) {
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(kStatusPage);
    AnswerPassword("secret");
    ASSERT_GT(Query(), 0);

    server_.Enqueue(Challenge("n2"));  // renewed: automatic retry
    server_.Enqueue(Challenge("n3"));  // renewed again: ask the user
    server_.Enqueue(Challenge("n4"));  // renewed once more after the dialog: retry again by itself
    server_.Enqueue(kStatusPage);
    AnswerPassword("secret");
    EXPECT_GT(Query(), 0);

    EXPECT_EQ(2u, fake_ui::DialogsOf(IDD_PASSWORD).size());
    std::vector<std::string> requests = Requests();
    ASSERT_EQ(6u, requests.size());
    EXPECT_EQ("n4", NonceOf(requests[5]));
    EXPECT_EQ("000000001", NonceCountOf(requests[5]));
}

TEST_F(DeviceQuery, UnreachableDeviceGivesZeroAfterOneAttempt) {
    LoopbackHttpServer closed;
    ASSERT_TRUE(closed.Start(server_.Port() + 1));
    std::uint16_t port = closed.Port();
    closed.Stop();  // nothing listens there any more: the connection is refused
    EXPECT_EQ(0, Query("/admin/advanced", port));
    EXPECT_EQ(Outcome::Continue, outcome_);
    EXPECT_EQ(1u, fake_ui::DialogsOf(IDD_CONNECTING).size());
    EXPECT_TRUE(fake_ui::DialogsOf(IDD_PASSWORD).empty());
}

TEST_F(DeviceQuery, ReplyOf259BytesEndsTheWaitLikeAnyOther) {
    // 259 is also the value Windows reports as the exit code of a running thread.
    std::string reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 221\r\n\r\n";
    reply += std::string(259 - reply.size(), 'x');
    ASSERT_EQ(259u, reply.size());
    server_.Enqueue(reply);
    EXPECT_EQ(259, Query());
}

// The runner sees a fake clock (tests/support/fake_query_clock.cpp) whose
// waits last their whole time: the bar's steps follow the clock.
TEST_F(DeviceQuery, BarStepsEveryTenMillisecondsAndCarriesOnAcrossAttempts) {
    // The first attempt's challenge arrives slowly in small pieces, so it
    // spans many steps; the automatic retry then continues from the
    // position reached.
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(kStatusPage);
    AnswerPassword("secret");
    ASSERT_GT(Query(), 0);

    ScriptedReply slow;
    slow.bytes = Challenge("n2") + std::string(600, ' ');
    slow.pieceSize = 1;  // a pause after every byte
    server_.Enqueue(slow);
    ScriptedReply silentThenClose;
    silentThenClose.ending = ReplyEnding::kStaySilent;
    server_.Enqueue(silentThenClose);
    server_.SetHoldLimit(kReleaseLimitMs + 30000);
    fake_ui::Reset();
    std::thread release([this] {
        // The retry's connection stays silent until the server stops, and its
        // result is then 0: stop once the server holds it and the bar has
        // stepped past its wrap (a time limit only for a query that no
        // longer steps).
        auto enoughSteps = [this] {
            if (server_.RequestCount() < 4) return false;
            std::size_t steps = 0;
            for (const fake_ui::DialogRecord& dialog : fake_ui::DialogsOf(IDD_CONNECTING)) {
                auto set = dialog.progressPositions.find(IDC_PROGRESS);
                if (set != dialog.progressPositions.end()) steps += set->second.size();
            }
            return steps >= kStepsPastTheWrap;
        };
        auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReleaseLimitMs);
        while (!enoughSteps() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        server_.Stop();
    });
    EXPECT_EQ(0, Query());
    release.join();

    std::vector<fake_ui::DialogRecord> connecting = fake_ui::DialogsOf(IDD_CONNECTING);
    ASSERT_EQ(2u, connecting.size());
    std::vector<unsigned> positions;
    for (const fake_ui::DialogRecord& dialog : connecting) {
        EXPECT_EQ(100, dialog.LastProgressRange(IDC_PROGRESS));
        const std::vector<unsigned>& set = dialog.progressPositions.at(IDC_PROGRESS);
        positions.insert(positions.end(), set.begin(), set.end());
    }
    // 10 ms into the query the bar shows 0, at 1,010 ms 100, at 1,020 ms 0
    // again; one step each 10 ms in between, carried on from one attempt to
    // the next.
    ASSERT_GT(positions.size(), 102u) << "the attempts were too short to wrap the bar";
    for (std::size_t i = 0; i < positions.size(); ++i) ASSERT_EQ(i % 101, positions[i]) << "step " << i;
}

TEST_F(DeviceQuery, CancelWhileTheDeviceIsSilentIsTheUserAbort) {
    ScriptedReply silent;
    silent.ending = ReplyEnding::kStaySilent;
    server_.Enqueue(silent);
    fake_ui::ScriptModeless(IDD_CONNECTING, 50, fake_ui::Press(kCommandCancel));
    // The worker is still blocked in its receive when the query ends; it
    // ends by itself when the server goes.
    EXPECT_EQ(0, Query());
    EXPECT_EQ(Outcome::UserAbort, outcome_);
    fake_ui::DialogRecord connecting = fake_ui::LastDialog(IDD_CONNECTING);
    EXPECT_TRUE(connecting.destroyed);
    EXPECT_EQ(50, connecting.pumps);
    EXPECT_TRUE(fake_ui::MessageBoxes().empty());  // the message is the upgrade's to show
}

TEST_F(DeviceQuery, SilentDeviceIsGivenUpAtTheReplyLimitAsTimedOut) {
    ScriptedReply silent;
    silent.ending = ReplyEnding::kStaySilent;
    server_.Enqueue(silent);
    replyLimitMs_ = 30000;  // on the fake clock: at once
    EXPECT_EQ(0, Query());
    EXPECT_EQ(Outcome::Continue, outcome_);
    EXPECT_EQ(ConnectFailure::TimedOut, connectFailure_);
    EXPECT_TRUE(fake_ui::LastDialog(IDD_CONNECTING).destroyed);
}

TEST_F(DeviceQuery, CancelInThePasswordDialogIsTheUserAbort) {
    server_.Enqueue(Challenge("n1"));
    fake_ui::Script(IDD_PASSWORD, {fake_ui::Press(kCommandCancel)});
    EXPECT_EQ(0, Query());
    EXPECT_EQ(Outcome::UserAbort, outcome_);
    EXPECT_STREQ("", session_.digest.password);
}

}  // namespace
