// The TFTP listener over real loopback sockets: the port search from 69, and
// the datagrams it drops unanswered before the one request it accepts. The
// ports below 1024 need a network namespace of the tests' own, as root
// (tools/in_private_network.sh).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>


#include "platform/platform.h"
#include "tests/support/fake_ui.h"
#include "tftp/tftp_listener.h"
#include "ui/dialog_texts.h"
#include "ui/dialog_view.h"
#include "ui/resource_ids.h"

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;
const char kFileName[] = "/qev1a2b.bi1";

SocketHandle BoundUdpSocket(std::uint32_t address, std::uint16_t port) {
    SocketHandle socket = OpenUdpSocket();
    SocketAddress bound;
    FillSocketAddress(address, port, &bound);
    if (socket != kInvalidSocket && !BindSocket(socket, bound)) {
        CloseSocket(socket);
        return kInvalidSocket;
    }
    return socket;
}

// A UDP socket on the first free loopback port from first; *port tells which.
SocketHandle OnFreePort(std::uint16_t first, std::uint16_t* port) {
    for (*port = first; *port < first + 100; ++*port) {
        SocketHandle socket = BoundUdpSocket(kLoopback, *port);
        if (socket != kInvalidSocket) return socket;
    }
    return kInvalidSocket;
}

// Holds ports first..last on the loopback address, opens the listener and
// gives back what it came to, with the port it bound.
Outcome OpenWithPortsTaken(std::uint16_t first, std::uint16_t last, std::uint16_t* port) {
    std::vector<SocketHandle> taken;
    for (unsigned candidate = first; candidate <= last; ++candidate) {
        SocketHandle socket = BoundUdpSocket(kLoopback, static_cast<std::uint16_t>(candidate));
        EXPECT_NE(kInvalidSocket, socket) << "could not take port " << candidate;
        taken.push_back(socket);
    }
    TftpListener listener = {};
    Outcome opened = OpenTftpListener(kLoopback, &listener);
    *port = listener.port;
    if (opened == Outcome::Continue) CloseTftpListener(&listener);
    for (SocketHandle socket : taken) CloseSocket(socket);
    return opened;
}

class TftpListenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartSocketLibrary());
        fake_ui::Reset();
        PublishUpgradeFileName(&handOver_, kFileName);
    }

    StageHandOver handOver_;
};

TEST_F(TftpListenerTest, TakesTheFirstFreePortFrom69To168AndNoneAbove) {
    std::uint16_t port = 0;
    EXPECT_EQ(Outcome::Continue, OpenWithPortsTaken(69, 69, &port));
    EXPECT_EQ(70, port);
    EXPECT_EQ(Outcome::Continue, OpenWithPortsTaken(69, 167, &port));
    EXPECT_EQ(168, port);
    // 169 stays free: the listener must not take it.
    EXPECT_EQ(Outcome::ListenerBind, OpenWithPortsTaken(69, 168, &port));
}

TEST_F(TftpListenerTest, DropsEveryOtherDatagramUnansweredAndAcceptsTheNameFromAnySender) {
    // The request is taken from whoever sends it, not only from the device.
    TftpListener listener = {kLoopback, 0, kInvalidSocket, {}, 0};
    std::uint16_t devicePort = 0, requesterPort = 0;
    listener.socket = OnFreePort(47600, &listener.port);
    SocketHandle device = OnFreePort(47700, &devicePort);
    SocketHandle requester = OnFreePort(47800, &requesterPort);
    ASSERT_NE(kInvalidSocket, listener.socket);
    ASSERT_NE(kInvalidSocket, device);
    ASSERT_NE(kInvalidSocket, requester);
    ASSERT_TRUE(SetSocketNonBlocking(device));
    ASSERT_TRUE(SetSocketNonBlocking(requester));

    auto rrq = [](const std::string& name) { return std::string("\0\1", 2) + name + std::string("\0octet\0", 7); };
    std::string rightNameTooLong = rrq(kFileName);
    rightNameTooLong.resize(1025, 'x');
    std::string noTerminator("\0\1", 2);
    noTerminator.resize(1024, 'q');
    const std::vector<std::string> dropped = {
        std::string("\0\2/qev1a2b.bi1\0octet\0", 21),  // WRQ
        std::string("\0\3\0\1data", 8),                 // DATA
        std::string("\0\4\0\0", 4),                      // ACK
        std::string("\0\5\0\1oops\0", 9),               // ERROR
        std::string("\0\x09/qev1a2b.bi1\0", 15),         // no such opcode
        std::string(), std::string("\1", 1), noTerminator, rightNameTooLong, std::string(4000, '\1'),
        rrq("/QEV1A2B.bi1"), rrq("qev1a2b.bi1"), rrq("/qev1a2b.bi1x"), std::string("\0\1/qev1a2b.bi1", 14)};
    SocketAddress to;
    FillSocketAddress(kLoopback, listener.port, &to);
    for (const std::string& bytes : dropped)
        ASSERT_EQ(static_cast<int>(bytes.size()), SendDatagram(device, bytes.data(), static_cast<int>(bytes.size()), to));
    std::string accepted = rrq(kFileName);
    ASSERT_EQ(static_cast<int>(accepted.size()), SendDatagram(requester, accepted.data(), static_cast<int>(accepted.size()), to));

    TftpRequest request;
    DialogView view(nullptr);
    EXPECT_EQ(Outcome::Continue, WaitForMatchingRequest(&listener, handOver_, view, &request));
    EXPECT_EQ(kLoopback, request.address);
    EXPECT_EQ(requesterPort, request.port);
    EXPECT_STREQ(kFileName, request.fileName);

    fake_ui::DialogRecord waiting = fake_ui::LastDialog(IDD_WAITING);
    EXPECT_EQ(kWaitingText, waiting.Text(IDC_WAITING_TEXT));
    EXPECT_TRUE(waiting.destroyed);
    char reply[16];
    SocketAddress from;
    EXPECT_EQ(-1, ReceiveDatagram(device, reply, sizeof reply, &from)) << "a dropped datagram was answered";
    EXPECT_EQ(-1, ReceiveDatagram(requester, reply, sizeof reply, &from)) << "the listener itself answers nothing";
    CloseSocket(device);
    CloseSocket(requester);
    CloseSocket(listener.socket);
}

}  // namespace
