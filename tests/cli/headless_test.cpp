// The run without dialogs in-process: RunHeadless with scripted standard
// streams, the device's web server played by a loopback server on port 80
// and its TFTP client over the fake transport, whose clock makes the reboot
// wait and the request wait instant (as in tests/app/sequence_test.cpp).
// What a user or a program reading the lines and events sees, one test per
// behaviour. Needs a network namespace of its own (ports 80 and 69).
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "cli/headless_run.h"
#include "common/text.h"
#include "platform/platform.h"
#include "tests/support/loopback_device.h"

namespace {

const char kTargetVersion[] = "3.1.24(QE)";

const char kCommandLine[] = "the device was told to fetch the firmware by TFTP from 127.0.0.1, UDP port 69";

// Standard streams as the test scripts them: what was written, the
// answers to read, and Ctrl-C once a line containing a text was written.
class ScriptedStreams final : public StandardStreams {
public:
    void WriteError(const char* text) override { Write(&error_, text); }
    void WriteOutput(const char* text) override { Write(&output_, text); }
    LineRead ReadLine(char* line, int capacity) override {
        std::lock_guard<std::mutex> guard(lock_);
        if (answers.empty()) return LineRead::EndOfInput;
        CopyText(line, static_cast<std::size_t>(capacity), answers.front().c_str());
        answers.pop_front();
        return LineRead::Line;
    }
    bool Interrupted() override { return interrupted_.load(); }

    std::deque<std::string> answers;
    std::string interruptAfter;  // Ctrl-C once a line with this text is written

    std::string Error() {
        std::lock_guard<std::mutex> guard(lock_);
        return error_;
    }
    std::string Output() {
        std::lock_guard<std::mutex> guard(lock_);
        return output_;
    }

private:
    void Write(std::string* to, const char* text) {
        std::lock_guard<std::mutex> guard(lock_);
        *to += text;
        if (!interruptAfter.empty() && std::string(text).find(interruptAfter) != std::string::npos)
            interrupted_.store(true);
    }

    std::mutex lock_;
    std::string error_, output_;
    std::atomic<bool> interrupted_{false};
};

class Headless : public LoopbackDeviceTest {
protected:
    void SetUp() override {
        LoopbackDeviceTest::SetUp();
        settings_ = HeadlessSettings{kLoopbackAddress, "127.0.0.1", kLoopbackAddress, true, 120};
        CopyText(credentials_.user, sizeof credentials_.user, "admin");
    }

    void UpgradingDevice() {
        server_.Enqueue(StatusPage("2.9.1(QE)"));
        server_.Enqueue(kCommandReply);
        server_.Enqueue(StatusPage(kTargetVersion));
        FetchAfterRequests(2, "/qev1a2b.bi1");
    }

    Outcome Run(bool json = false) { return RunHeadless(settings_, credentials_, json, streams_, &record_); }

    // The lines written on standard error, without their "127.0.0.1: ";
    // the command's line, which comes once the device has answered the
    // command (and may come after its request), is counted apart.
    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        std::string error = streams_.Error();
        commandLines_ = 0;
        for (std::size_t start = 0, end; (end = error.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string line = error.substr(start, end - start);
            if (line == "127.0.0.1: " + std::string(kCommandLine)) {
                ++commandLines_;
                continue;
            }
            lines.push_back(line.rfind("127.0.0.1: ", 0) == 0 ? line.substr(11) : "?" + line);
        }
        return lines;
    }

    ScriptedStreams streams_;
    HeadlessSettings settings_;
    HeadlessCredentials credentials_;
    RunRecord record_;
    int commandLines_ = 0;
};

TEST_F(Headless, UpgradeIsToldLineByLineOnStandardError) {
    UpgradingDevice();
    EXPECT_EQ(Outcome::Upgraded, Run());
    EXPECT_EQ((std::vector<std::string>{
                  "firmware 3.1.24(QE) for the QEV-1040, fetched by the device from this PC at 127.0.0.1",
                  "asking 127.0.0.1 for its status",
                  "QEV-1040, MAC 00:00:5E:00:53:10, serial QA10400012345, hardware 1.0.2, software 2.9.1(QE)",
                  "waiting up to 120 s for the device to ask for the firmware",
                  "the device asked: uploading the target firmware (1513 blocks)",
                  "uploaded 100% (774248 of 774248 bytes)",
                  "waiting 30 s for the device to install the target firmware and reboot",
                  "asking 127.0.0.1 for its status",
                  "installed version 3.1.24(QE)",
                  "ended: Upgraded (exit status 0)",
              }),
              Lines());
    EXPECT_EQ(1, commandLines_);
    EXPECT_EQ("", streams_.Output());
}

TEST_F(Headless, JsonEventsGoToStandardOutputAndNothingToError) {
    UpgradingDevice();
    EXPECT_EQ(Outcome::Upgraded, Run(true));
    EXPECT_EQ("", streams_.Error());
    std::string output = streams_.Output();
    std::vector<std::string> kinds;
    for (std::size_t at = 0; (at = output.find("{\"event\":\"", at)) != std::string::npos; at += 10) {
        std::string kind = output.substr(at + 10, output.find('"', at + 10) - at - 10);
        if (kind != "command") kinds.push_back(kind);  // its place varies (see Lines)
    }
    EXPECT_EQ((std::vector<std::string>{"start", "query", "device", "waiting", "upload_started", "upload",
                                        "reboot_wait", "query", "installed", "end"}),
              kinds);
    EXPECT_NE(std::string::npos, output.find("{\"event\":\"command\",\"address\":\"127.0.0.1\",\"port\":69}\n"));
    EXPECT_NE(std::string::npos, output.find("{\"event\":\"upload\",\"stage\":\"target\",\"percent\":100,"
                                             "\"bytes\":774248,\"size\":774248}\n"));
    EXPECT_NE(std::string::npos,
              output.find("{\"event\":\"end\",\"outcome\":\"upgraded\",\"exit_status\":0,\"text\":\"Upgraded\"}\n"));
}

TEST_F(Headless, WithoutYesTheWarningAndTheConfirmationAreAsked) {
    settings_.yes = false;
    server_.Enqueue(StatusPage("2.9.1(QE)"));
    streams_.answers = {"y", "maybe", "no"};
    EXPECT_EQ(Outcome::UserAbort, Run());
    std::string error = streams_.Error();
    EXPECT_NE(std::string::npos, error.find("WARNING: Forcing a firmware upgrade"));
    EXPECT_NE(std::string::npos, error.find("127.0.0.1: Continue? [y/N] "));
    EXPECT_NE(std::string::npos, error.find("127.0.0.1: Upgrade 127.0.0.1 from 2.9.1(QE) to 3.1.24(QE)? [y/N] "
                                            "Please answer y or n.\n"));
    EXPECT_EQ(1u, server_.RequestCount()) << "no upgrade command";
}

TEST_F(Headless, EndOfInputAtTheWarningDeclines) {
    settings_.yes = false;
    EXPECT_EQ(Outcome::Declined, Run());
    EXPECT_EQ(0u, server_.RequestCount());
    EXPECT_EQ("ended: Cancelled before the device was asked (exit status 3)", Lines().back());
}

TEST_F(Headless, DeviceAskingForAPasswordWhenNoneWasGivenFailsAtOnceWithTheHint) {
    server_.Enqueue(Challenge("n1"));
    EXPECT_EQ(Outcome::PasswordMissing, Run()) << streams_.Error();
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("Upgrade Failed: The QEV asks for a password, and none was given", lines[2]);
    EXPECT_EQ("hint: Give the device's password in a file, --password-file FILE (- for standard input), or in the "
              "environment variable QEV_PASSWORD.",
              lines[3]);
    EXPECT_EQ(1u, server_.RequestCount());
}

TEST_F(Headless, PasswordIsGivenOnceAndARefusalEndsTheRun) {
    CopyText(credentials_.password, sizeof credentials_.password, "wrong");
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(Challenge("n1"));
    server_.Enqueue(Challenge("n1"));
    EXPECT_EQ(Outcome::PasswordRefused, Run());
    EXPECT_EQ(2u, server_.RequestCount());
    EXPECT_NE(std::string::npos, streams_.Error().find("giving the one given, as user admin"));
}

TEST_F(Headless, DeviceThatNeverAsksFailsAfterTheRequestWaitWithTheHint) {
    server_.Enqueue(StatusPage("2.9.1(QE)"));
    server_.Enqueue(kCommandReply);
    EXPECT_EQ(Outcome::NoRequest, Run());
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(7u, lines.size());
    EXPECT_EQ(1, commandLines_);
    EXPECT_EQ("Upgrade Failed: Firmware Upload Incomplete", lines[4]);
    EXPECT_EQ(0u, lines[5].find("hint: 127.0.0.1 was told to fetch the firmware by TFTP from 127.0.0.1, UDP port 69, "
                                "and never asked for it. 127.0.0.1 is on the device's subnet (mask 255.0.0.0)."));
    EXPECT_EQ("ended: Upgrade Failed: Firmware Upload Incomplete (exit status 1)", lines[6]);
}

TEST_F(Headless, CtrlCWhileWaitingCancelsTheRun) {
    server_.Enqueue(StatusPage("2.9.1(QE)"));
    server_.Enqueue(kCommandReply);
    settings_.requestWaitSeconds = 0;  // no limit: only Ctrl-C ends the wait
    streams_.interruptAfter = "waiting up to";
    EXPECT_EQ(Outcome::UserAbort, Run());
    EXPECT_NE(std::string::npos, streams_.Error().find("127.0.0.1: Upgrade Failed: User Abort\n"));
    EXPECT_NE(std::string::npos, streams_.Error().find("(exit status 3)"));
}

}  // namespace
