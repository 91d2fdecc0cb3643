// The platform layer's UDP sockets on the loopback interface: a datagram and
// its sender, nothing waiting, a datagram longer than the buffer, and the
// wait for a datagram, already waiting or arriving during it.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "common/socket_address.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;
constexpr unsigned kLongWaitMs = 30000;

class Datagrams : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartSocketLibrary());
        receiver_ = OpenBound(&receiverPort_);
        sender_ = OpenBound(&senderPort_);
        ASSERT_NE(kInvalidSocket, receiver_);
        ASSERT_NE(kInvalidSocket, sender_);
        ASSERT_TRUE(SetSocketNonBlocking(receiver_));
        FillSocketAddress(kLoopback, receiverPort_, &receiverAddress_);
    }
    void TearDown() override {
        if (receiver_ != kInvalidSocket) CloseSocket(receiver_);
        if (sender_ != kInvalidSocket) CloseSocket(sender_);
    }

    // A UDP socket bound to the first free loopback port of a small range.
    static SocketHandle OpenBound(std::uint16_t* port) {
        for (std::uint16_t candidate = 47100; candidate < 47400; ++candidate) {
            SocketHandle socket = OpenUdpSocket();
            if (socket == kInvalidSocket) return kInvalidSocket;
            SocketAddress address;
            FillSocketAddress(kLoopback, candidate, &address);
            if (BindSocket(socket, address)) {
                *port = candidate;
                return socket;
            }
            CloseSocket(socket);
        }
        return kInvalidSocket;
    }

    void Send(const char* text) {
        int length = static_cast<int>(std::strlen(text));
        ASSERT_EQ(length, SendDatagram(sender_, text, length, receiverAddress_));
    }

    SocketHandle receiver_ = kInvalidSocket;
    SocketHandle sender_ = kInvalidSocket;
    std::uint16_t receiverPort_ = 0;
    std::uint16_t senderPort_ = 0;
    SocketAddress receiverAddress_;
};

TEST_F(Datagrams, NothingWaitingGivesMinusOneAtOnce) {
    char buffer[16];
    SocketAddress from;
    EXPECT_EQ(-1, ReceiveDatagram(receiver_, buffer, sizeof buffer, &from));
}

TEST_F(Datagrams, WaitEndsWithTheDatagramWhichCarriesItsSender) {
    Send("block");
    // Every wait ends at once while the datagram waits, not only the first.
    for (int wait = 0; wait < 2; ++wait) {
        std::uint32_t start = MillisecondClock();
        EXPECT_EQ(kWaitDatagram, WaitForSocketOrInput(receiver_, kLongWaitMs));
        EXPECT_LT(MillisecondClock() - start, kLongWaitMs / 2) << "wait " << wait << " did not end with the datagram";
    }

    char buffer[16];
    SocketAddress from;
    std::memset(&from, 0, sizeof from);
    ASSERT_EQ(5, ReceiveDatagram(receiver_, buffer, sizeof buffer, &from));
    EXPECT_EQ(0, std::memcmp(buffer, "block", 5));
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    ReadSocketAddress(from, &address, &port);
    EXPECT_EQ(kLoopback, address);
    EXPECT_EQ(senderPort_, port);
    EXPECT_EQ(-1, ReceiveDatagram(receiver_, buffer, sizeof buffer, &from)) << "one datagram, taken once";
}

// A datagram that arrives during a wait ends it: again and again on one
// socket, and on each of a run of sockets opened and closed in turn (what a
// socket needs for its waits is freed with it).
TEST_F(Datagrams, DatagramArrivingDuringAWaitEndsIt) {
    for (int socketIndex = 0; socketIndex < 12; ++socketIndex) {
        SocketHandle socket = receiver_;
        if (socketIndex > 0) {
            std::uint16_t port = 0;
            socket = OpenBound(&port);
            ASSERT_NE(kInvalidSocket, socket);
            ASSERT_TRUE(SetSocketNonBlocking(socket));
            FillSocketAddress(kLoopback, port, &receiverAddress_);
        }
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(testing::Message() << "socket " << socketIndex << ", datagram " << round);
            std::thread late([this] {
                SleepMilliseconds(20);
                Send("late");
            });
            std::uint32_t start = MillisecondClock();
            WaitForSocketOrInput(socket, kLongWaitMs);
            std::uint32_t waited = MillisecondClock() - start;
            late.join();
            ASSERT_LT(waited, kLongWaitMs / 2) << "the wait did not end with the datagram";
            char buffer[16];
            SocketAddress from;
            ASSERT_EQ(4, ReceiveDatagram(socket, buffer, sizeof buffer, &from));
        }
        if (socketIndex > 0) CloseSocket(socket);
    }
}

TEST_F(Datagrams, WaitWithNothingArrivingLastsItsTime) {
    std::uint32_t start = MillisecondClock();
    EXPECT_EQ(0, WaitForSocketOrInput(receiver_, 60)) << "a wait that ran out says so";
    EXPECT_GE(MillisecondClock() - start, 40u) << "the wait returned without a datagram or input";
}

TEST_F(Datagrams, LongerDatagramIsDroppedWithoutOverrunningTheBufferOrBlockingTheNext) {
    char longText[600];
    std::memset(longText, 'x', sizeof longText);
    ASSERT_EQ(600, SendDatagram(sender_, longText, sizeof longText, receiverAddress_));
    Send("short");

    // Capacity 512 in a larger buffer: the bytes after it must stay as they are.
    unsigned char buffer[520];
    std::memset(buffer, 0xA5, sizeof buffer);
    SocketAddress from;
    WaitForSocketOrInput(receiver_, kLongWaitMs);
    // Longer than the capacity: a receive error that drops it, on every system.
    EXPECT_EQ(-1, ReceiveDatagram(receiver_, buffer, 512, &from));
    for (int i = 512; i < 520; ++i) ASSERT_EQ(0xA5, buffer[i]) << "byte " << i << " overwritten";

    // The short datagram behind it still arrives.
    char next[16];
    int length = -1;
    for (int i = 0; i < 100 && length == -1; ++i) {
        WaitForSocketOrInput(receiver_, 100);
        length = ReceiveDatagram(receiver_, next, sizeof next, &from);
    }
    ASSERT_EQ(5, length);
    EXPECT_EQ(0, std::memcmp(next, "short", 5));
}

TEST(LocalAddresses, StayWithinTheCapacityInAStableOrder) {
    ASSERT_TRUE(StartSocketLibrary());
    std::uint32_t all[8];
    int count = ListLocalAddresses(all, 8);
    ASSERT_GE(count, 0);
    ASSERT_LE(count, 8);
    for (int i = 0; i < count; ++i) EXPECT_NE(0u, all[i]) << "slot " << i;

    std::uint32_t first[2] = {0, 0xDEADBEEF};
    int one = ListLocalAddresses(first, 1);
    EXPECT_EQ(count > 0 ? 1 : 0, one);
    if (one == 1) {
        EXPECT_EQ(all[0], first[0]);
    }
    EXPECT_EQ(0xDEADBEEFu, first[1]) << "wrote beyond the capacity";
}

}  // namespace
