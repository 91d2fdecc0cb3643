// The transfer session against a scripted client over the fake transport,
// whose clock moves only when the session waits: the image sizes, every ACK
// fault, the retransmission interval, the reboot wait across the clock's
// wrap, and the waiting dialog's bar, shown through the dialog set over the
// fake user interface.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/text.h"
#include "tests/support/fake_tftp_transport.h"
#include "tests/support/fake_ui.h"
#include "tests/support/scripted_tftp_client.h"
#include "tests/support/loopback_http_server.h"
#include "tftp/reboot_wait.h"
#include "tftp/tftp_listener.h"
#include "tftp/tftp_session.h"
#include "ui/dialog_view.h"
#include "ui/resource_ids.h"

namespace {

using namespace scripted_tftp;

constexpr std::uint16_t kListenerPort = 69;
const char kFileName[] = "/qev1a2b.bi1";
const char kImageVersion[] = "3.1.24(QE)";

class TftpSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_ui::Reset();
        fake_tftp::Reset();
        UseImage(774248);
        ViewFacts facts{};
        CopyText(facts.deviceAddressText, sizeof facts.deviceAddressText, "192.0.2.55");
        view_.Describe(facts);
    }

    // The image: a 128-byte header with the version, then a pattern that
    // differs from block to block.
    void UseImage(std::size_t size) {
        image_.assign(size, 0);
        for (std::size_t i = 0; i < size; ++i) image_[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
        std::memset(firmware_.header.bytes, 0, sizeof firmware_.header.bytes);
        CopyText(reinterpret_cast<char*>(firmware_.header.bytes + kVersionTextOffset),
                 kImageHeaderSize - kVersionTextOffset, kImageVersion);
        std::size_t headerBytes = size < kImageHeaderSize ? size : kImageHeaderSize;
        std::memcpy(image_.data(), firmware_.header.bytes, headerBytes);
        firmware_.location = image_.data();
        firmware_.size = static_cast<std::uint32_t>(size);
    }

    Outcome Serve(ScriptedClient* client) {
        fake_tftp::SetPeer([client](const fake_tftp::SentPacket& sent) { (*client)(sent); });
        TftpSessionRequest request = {kInvalidSocket, kLoopbackAddress, kListenerPort, kLoopbackAddress, kClientPort,
                                      kFileName,      &handOver_};
        return RunTftpSession(request, firmware_, true, view_);
    }

    // The packets sent of one kind, and how often each DATA block went out.
    static std::vector<fake_tftp::SentPacket> SentOf(int opcode) {
        std::vector<fake_tftp::SentPacket> some;
        for (const fake_tftp::SentPacket& sent : fake_tftp::Sent())
            if (Opcode(sent) == opcode) some.push_back(sent);
        return some;
    }
    static int TimesSent(unsigned block) {
        int times = 0;
        for (const fake_tftp::SentPacket& sent : SentOf(3)) times += Block(sent) == block;
        return times;
    }
    std::vector<std::uint8_t> image_;
    FirmwareImage firmware_{};
    StageHandOver handOver_;
    DialogView view_{nullptr};
};

TEST_F(TftpSessionTest, OptionAckForTheSampleImageSizeIsTheFixedTwentyFiveBytes) {
    ScriptedClient client;
    Serve(&client);
    std::vector<fake_tftp::SentPacket> oacks = SentOf(6);
    ASSERT_EQ(1u, oacks.size());
    EXPECT_EQ(Bytes({0x00, 0x06, 0x74, 0x73, 0x69, 0x7A, 0x65, 0x00, 0x37, 0x37, 0x34, 0x32, 0x34, 0x38, 0x00,
                     0x74, 0x69, 0x6D, 0x65, 0x6F, 0x75, 0x74, 0x00, 0x35, 0x00}),
              oacks[0].bytes);
    EXPECT_EQ(kLoopbackAddress, oacks[0].address);
    EXPECT_EQ(kClientPort, oacks[0].port);
}

// Size, DATA packets expected (blocks 1.. with the last one's length).
struct ImageCase {
    std::size_t size;
    unsigned blocks;
    std::size_t lastDataLength;
};

TEST_F(TftpSessionTest, ImagesOfEachSizeArriveWholeWithTheirLastBlockShort) {
    const ImageCase cases[] = {{774248, 1513, 104}, {1024, 3, 0}, {300, 1, 300}};
    for (const ImageCase& c : cases) {
        SCOPED_TRACE(c.size);
        fake_ui::Reset();
        fake_tftp::Reset();
        UseImage(c.size);
        ScriptedClient client;
        EXPECT_EQ(Outcome::Continue, Serve(&client));
        EXPECT_TRUE(client.received == image_) << "received " << client.received.size() << " bytes";

        std::vector<fake_tftp::SentPacket> data = SentOf(3);
        ASSERT_EQ(c.blocks, data.size());
        EXPECT_EQ(c.blocks, Block(data.back()));
        EXPECT_EQ(4 + c.lastDataLength, data.back().bytes.size());
        EXPECT_EQ(0u, fake_tftp::InputWaitStarts().front()) << "no ACK was waited for: no time passed";

        fake_ui::DialogRecord upload = fake_ui::LastDialog(IDD_UPLOAD);
        EXPECT_TRUE(upload.destroyed);
        EXPECT_EQ(std::vector<unsigned>({c.blocks, kRebootTicks}), upload.progressRanges[IDC_PROGRESS]);
        // The bar and the title count every ACK but are redrawn at most every
        // 50 ms, and always at the end: here, where no ACK waits, the first
        // and the last (block count + 1), then the reboot wait's.
        const std::vector<unsigned>& positions = upload.progressPositions[IDC_PROGRESS];
        ASSERT_GT(positions.size(), 2u);
        EXPECT_EQ(1u, positions[0]);
        EXPECT_EQ(c.blocks + 1, positions[1]);
        ASSERT_EQ(3u, upload.titlesSet.size());
        EXPECT_EQ("Uploading Target Firmware to QEV@192.0.2.55 0/" + std::to_string(c.size) + " Bytes",
                  upload.titlesSet[0]);
        EXPECT_EQ("Uploading Target Firmware to QEV@192.0.2.55 " + std::to_string(c.size) + "/" +
                      std::to_string(c.size) + " Bytes",
                  upload.titlesSet[1]);
        EXPECT_EQ("Updating Target Firmware to QEV@192.0.2.55", upload.titlesSet.back());
    }
}

TEST_F(TftpSessionTest, LostAcksAreAnsweredByOneRetransmissionEach) {
    ScriptedClient client;
    client.loseFirstAck = {0, 7, 1513};
    EXPECT_EQ(Outcome::Continue, Serve(&client));
    EXPECT_TRUE(client.received == image_);
    EXPECT_EQ(2u, SentOf(6).size());
    EXPECT_EQ(2, TimesSent(7));
    EXPECT_EQ(2, TimesSent(1513 & 0xFFFF));
    EXPECT_EQ(1, TimesSent(8));
}

TEST_F(TftpSessionTest, DuplicateAndHigherAcksAreIgnoredWithoutRetransmission) {
    ScriptedClient client;
    client.duplicateAcks = true;  // ACK 0 twice too: block 1 still goes out once
    client.higherAckBefore = 5;   // ACK 6 arrives before ACK 5
    EXPECT_EQ(Outcome::Continue, Serve(&client));
    EXPECT_TRUE(client.received == image_);
    EXPECT_EQ(1u, SentOf(6).size());
    EXPECT_EQ(1513u, SentOf(3).size()) << "every block exactly once";
    // One look after each packet sent (the OACK and 1,513 blocks), which
    // finds the ACK at once: the ignored ACKs cost no wait.
    EXPECT_EQ(1514u, fake_tftp::Waits());
}

TEST_F(TftpSessionTest, AckFromTheRightAddressButAnotherPortIsIgnored) {
    ScriptedClient client;
    client.otherPortFirstAckOf = 3;
    EXPECT_EQ(Outcome::Continue, Serve(&client));
    EXPECT_TRUE(client.received == image_);
    EXPECT_EQ(2, TimesSent(3)) << "only the retransmission's ACK from the right port counts";
    for (const fake_tftp::SentPacket& sent : fake_tftp::Sent()) EXPECT_EQ(kClientPort, sent.port);
}

// A lost packet goes again after 100 ms; each later interval doubles, up to
// 1.75 s; the 30th interval without the ACK ends the transfer 46.85 s after
// the first sending, and the whole reboot wait follows.
TEST_F(TftpSessionTest, SilentClientGetsTheOptionAckThirtyTimesBackingOffThenTheRebootWait) {
    ScriptedClient client;
    client.lastAcknowledged = -1;
    EXPECT_EQ(Outcome::UploadIncomplete, Serve(&client));
    std::vector<fake_tftp::SentPacket> oacks = SentOf(6);
    ASSERT_EQ(30u, oacks.size());
    EXPECT_TRUE(SentOf(3).empty());
    std::vector<std::uint32_t> gaps;
    for (std::size_t i = 1; i < oacks.size(); ++i) gaps.push_back(oacks[i].time - oacks[i - 1].time);
    std::vector<std::uint32_t> expected = {100, 200, 400, 800, 1600};
    expected.resize(29, 1750);
    EXPECT_EQ(expected, gaps);
    EXPECT_EQ(46850u, fake_tftp::InputWaitStarts().front()) << "the reboot wait begins when the last interval ends";
    EXPECT_EQ(kRebootTicks, fake_tftp::InputWaitStarts().size());
    EXPECT_TRUE(fake_ui::LastDialog(IDD_UPLOAD).destroyed);
}

TEST_F(TftpSessionTest, PauseBeforeTheFirstAckShorterThanTheGiveUpEndsWhole) {
    // A device that erases its flash before it acknowledges the OACK: 4 s,
    // which the OACK's own timeout of 5 s allows.
    ScriptedClient client;
    client.neverAcknowledged = 0;
    fake_tftp::DeliverAt(4000, Ack(0), kLoopbackAddress, kClientPort);
    EXPECT_EQ(Outcome::Continue, Serve(&client));
    EXPECT_TRUE(client.received == image_);
    std::vector<fake_tftp::SentPacket> oacks = SentOf(6);
    ASSERT_EQ(6u, oacks.size());  // at 0, 100, 300, 700, 1500 and 3100 ms
    EXPECT_EQ(3100u, oacks.back().time);
    EXPECT_EQ(4000u, SentOf(3).front().time);
}

TEST_F(TftpSessionTest, ClientThatStopsMidTransferGetsTheOutstandingBlockThirtyTimes) {
    ScriptedClient client;
    client.lastAcknowledged = 40;
    EXPECT_EQ(Outcome::UploadIncomplete, Serve(&client));
    EXPECT_EQ(30, TimesSent(41));
    EXPECT_EQ(0, TimesSent(42));
}

TEST_F(TftpSessionTest, EarlyWakeUpsDoNotShortenTheRetransmissionInterval) {
    // Window messages end 500 waits at once (no time passes): the first
    // retransmission still comes 100 ms after the OACK, after one more wait
    // of the whole interval.
    ScriptedClient client;
    client.loseFirstAck = {0};
    fake_tftp::WakeEarly(500);
    EXPECT_EQ(Outcome::Continue, Serve(&client));
    std::vector<fake_tftp::SentPacket> oacks = SentOf(6);
    ASSERT_EQ(2u, oacks.size());
    EXPECT_EQ(100u, oacks[1].time - oacks[0].time);
    EXPECT_EQ(501u, oacks[1].waitsBefore - oacks[0].waitsBefore);
}

// A host on the LAN that floods the server with stray datagrams, a
// millisecond apart, for 60 s: the retransmissions keep their times and the
// give-up its moment.
TEST_F(TftpSessionTest, FloodOfStrayDatagramsKeepsTheRetransmissionsAndTheGiveUp) {
    ScriptedClient client;
    client.lastAcknowledged = -1;
    for (std::uint32_t time = 0; time < 60000; ++time)
        fake_tftp::DeliverAt(time, time % 2 == 0 ? Ack(time) : Bytes({0xDE, 0xAD}), kLoopbackAddress, kClientPort + 7);
    EXPECT_EQ(Outcome::UploadIncomplete, Serve(&client));
    std::vector<fake_tftp::SentPacket> oacks = SentOf(6);
    ASSERT_EQ(30u, oacks.size());
    EXPECT_EQ(100u, oacks[1].time);
    EXPECT_EQ(45100u, oacks[29].time);
    EXPECT_EQ(46850u, fake_tftp::InputWaitStarts().front());
}

TEST_F(TftpSessionTest, CancelIsTakenInTheMiddleOfAFlood) {
    ScriptedClient client;
    client.lastAcknowledged = -1;
    for (int i = 0; i < 10000; ++i) fake_tftp::Deliver(Bytes({0, 4, 0x12, 0x34}), kLoopbackAddress, kClientPort + 7);
    fake_ui::ScriptModeless(IDD_UPLOAD, 5, fake_ui::Press(kCommandCancel));
    EXPECT_EQ(Outcome::UserAbort, Serve(&client));
    EXPECT_EQ(1u, SentOf(6).size()) << "cancelled before the first retransmission";
}

TEST_F(TftpSessionTest, MoreThan65535BlocksEndAsATimeoutAfterBlock65535) {
    UseImage(65535u * 512u);  // 65,536 blocks, the last one empty
    ScriptedClient client;
    EXPECT_EQ(Outcome::UploadIncomplete, Serve(&client));
    std::vector<fake_tftp::SentPacket> data = SentOf(3);
    ASSERT_EQ(65535u + 30u, data.size());
    EXPECT_EQ(65535u, Block(data[65534]));
    // Block 65,536 goes out as block 0, and its ACK (of block 0) never matches.
    for (std::size_t i = 65535; i < data.size(); ++i) EXPECT_EQ(Bytes({0, 3, 0, 0}), data[i].bytes);
    EXPECT_EQ(65535u, fake_ui::LastDialog(IDD_UPLOAD).progressRanges[IDC_PROGRESS].front()) << "the bar's bound is 16 bits";
}

TEST_F(TftpSessionTest, RebootWaitLastsItsTicksAcrossTheClockWrapWithoutGoingBack) {
    fake_tftp::Reset(0xFFFFFFFFu - 10000);  // wraps some 10 s into the wait
    UseImage(300);
    ScriptedClient client;
    Serve(&client);
    std::vector<std::uint32_t> sleeps = fake_tftp::InputWaitStarts();
    ASSERT_EQ(kRebootTicks, sleeps.size());
    EXPECT_GT(sleeps.front(), sleeps.back()) << "the clock did not wrap during the wait";
    fake_ui::DialogRecord upload = fake_ui::LastDialog(IDD_UPLOAD);
    const std::vector<unsigned>& positions = upload.progressPositions[IDC_PROGRESS];
    ASSERT_GE(positions.size(), kRebootTicks + 2);
    std::vector<unsigned> wait(positions.end() - (kRebootTicks + 1), positions.end());
    for (unsigned tick = 0; tick <= kRebootTicks; ++tick) ASSERT_EQ(tick, wait[tick]);
}

TEST_F(TftpSessionTest, CancelDuringTheTransferEndsItAtOnceWithoutTheRebootWait) {
    ScriptedClient client;
    client.lastAcknowledged = 20;
    fake_ui::ScriptModeless(IDD_UPLOAD, 50, fake_ui::Press(kCommandCancel));
    EXPECT_EQ(Outcome::UserAbort, Serve(&client));
    EXPECT_TRUE(fake_tftp::InputWaitStarts().empty());
    EXPECT_TRUE(fake_ui::LastDialog(IDD_UPLOAD).destroyed);
    EXPECT_TRUE(fake_ui::MessageBoxes().empty()) << "the message is the upgrade's to show";
}

// ---- the listener thread -------------------------------------------------------

TEST_F(TftpSessionTest, WaitingBarCyclesAStepAMillisecondUntilTheRequestComes) {
    PublishUpgradeFileName(&handOver_, kFileName);
    fake_tftp::DeliverAt(1500, ReadRequest(kFileName), kLoopbackAddress, kClientPort);
    TftpListener listener = {kLoopbackAddress, kListenerPort, kInvalidSocket, {}, 0};
    TftpRequest request;
    EXPECT_EQ(Outcome::Continue, WaitForMatchingRequest(&listener, handOver_, view_, &request));
    EXPECT_EQ(kClientPort, request.port);
    EXPECT_STREQ(kFileName, request.fileName);

    fake_ui::DialogRecord waiting = fake_ui::LastDialog(IDD_WAITING);
    EXPECT_TRUE(waiting.shown && waiting.destroyed);
    EXPECT_EQ(std::vector<unsigned>({1000}), waiting.progressRanges[IDC_PROGRESS]);
    // 0 when it appears; the position moves a step a millisecond (as it did
    // per idle poll of 1 ms) and is redrawn every 100 ms, with the listener
    // asleep in between: at 0, 100, ..., 1400 ms, wrapping at 1000.
    const std::vector<unsigned> expected = {0, 0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 0, 100, 200, 300, 400};
    EXPECT_EQ(expected, waiting.progressPositions[IDC_PROGRESS]);
    EXPECT_EQ(15u, fake_tftp::Waits());
    EXPECT_EQ(15, waiting.pumps);
    EXPECT_TRUE(fake_tftp::Sent().empty());
}

TEST_F(TftpSessionTest, WaitingDialogsCancelIsTakenInTheMiddleOfAFlood) {
    PublishUpgradeFileName(&handOver_, kFileName);
    for (int i = 0; i < 10000; ++i) fake_tftp::Deliver(Bytes({0, 2, 'x', 0}), kLoopbackAddress, kClientPort);
    fake_ui::ScriptModeless(IDD_WAITING, 3, fake_ui::Press(kCommandCancel));
    TftpListener listener = {kLoopbackAddress, kListenerPort, kInvalidSocket, {}, 0};
    TftpRequest request;
    EXPECT_EQ(Outcome::UserAbort, WaitForMatchingRequest(&listener, handOver_, view_, &request));
    EXPECT_EQ(3, fake_ui::LastDialog(IDD_WAITING).pumps);
}

}  // namespace
