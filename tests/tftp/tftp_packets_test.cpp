// TFTP packets from canned bytes: the option acknowledgement and DATA as
// built, and what the listener and the session make of received datagrams.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/socket_address.h"
#include "tftp/tftp_packets.h"

namespace {

std::string Built(const TftpPacket packet, int length) { return std::string(reinterpret_cast<const char*>(packet), length); }

TEST(TftpPackets, OptionAckSpellsTheSizeInDecimalWithoutLeadingZeros) {
    TftpPacket packet;
    const std::string head("\0\6tsize\0", 8), tail("\0timeout\0" "5\0", 11);
    EXPECT_EQ(head + "0" + tail, Built(packet, BuildTftpOptionAck(packet, 0)));
    EXPECT_EQ(head + "512" + tail, Built(packet, BuildTftpOptionAck(packet, 512)));
    EXPECT_EQ(head + "4294967295" + tail, Built(packet, BuildTftpOptionAck(packet, 4294967295u)));
}

TEST(TftpPackets, DataCarriesTheLowSixteenBitsOfTheBlockAndItsBytes) {
    TftpPacket packet;
    const std::uint8_t data[] = {'a', 'b', 'c'};
    EXPECT_EQ(std::string("\0\3\0\1abc", 7), Built(packet, BuildTftpData(packet, 65537, data, 3)));
    EXPECT_EQ(std::string("\0\3\xFF\xFF", 4), Built(packet, BuildTftpData(packet, 65535, data, 0)));
}

const char kName[] = "/qev1a2b.bi1";

ListenerDatagram Examine(const std::string& bytes) {
    // Filled with zeros beyond the datagram: a terminator there must not count.
    TftpPacket buffer;
    std::memset(buffer, 0, sizeof buffer);
    std::memcpy(buffer, bytes.data(), bytes.size());
    char name[kTftpFileNameSize];
    return ExamineListenerDatagram(buffer, static_cast<int>(bytes.size()), kName, name);
}

std::string Rrq(const std::string& name) { return std::string("\0\1", 2) + name + std::string("\0octet\0", 7); }

TEST(TftpPackets, ListenerMatchesOnlyTheExactNameTerminatedWithinTheDatagram) {
    EXPECT_EQ(kListenerRequestMatches, Examine(Rrq(kName)));
    EXPECT_EQ(kListenerRequestMatches, Examine(std::string("\0\1/qev1a2b.bi1\0netascii\0tsize\0" "0\0", 29)));
    std::string full = Rrq(kName);
    full.resize(kTftpDatagramSize, 'x');  // exactly 1,024 bytes: read whole
    EXPECT_EQ(kListenerRequestMatches, Examine(full));

    EXPECT_EQ(kListenerRequestRefused, Examine(Rrq("/QEV1A2B.bi1")));
    EXPECT_EQ(kListenerRequestRefused, Examine(Rrq("qev1a2b.bi1")));
    EXPECT_EQ(kListenerRequestRefused, Examine(Rrq("/qev1a2b.bi1x")));
    EXPECT_EQ(kListenerRequestRefused, Examine(Rrq("/qev1a2b.bi")));
    EXPECT_EQ(kListenerRequestRefused, Examine(std::string("\0\1/qev1a2b.bi1", 14)));
    EXPECT_EQ(kListenerRequestRefused, Examine(std::string("\0\1", 2)));
    std::string unterminated("\0\1", 2);
    unterminated.resize(kTftpDatagramSize, 'q');
    EXPECT_EQ(kListenerRequestRefused, Examine(unterminated));
}

TEST(TftpPackets, ListenerDropsEveryOtherOpcodeAndDatagramsWithoutOne) {
    EXPECT_EQ(kListenerNoOpcode, Examine(std::string()));
    EXPECT_EQ(kListenerNoOpcode, Examine(std::string("\0", 1)));
    EXPECT_EQ(kListenerWriteRequest, Examine(std::string("\0\2/qev1a2b.bi1\0octet\0", 21)));
    EXPECT_EQ(kListenerData, Examine(std::string("\0\3\0\1", 4)));
    EXPECT_EQ(kListenerAck, Examine(std::string("\0\4\0\0", 4)));
    EXPECT_EQ(kListenerError, Examine(std::string("\0\5\0\1x\0", 6)));
    EXPECT_EQ(kListenerNoOpcode, Examine(std::string("\0\6tsize\0", 8)));
    EXPECT_EQ(kListenerNoOpcode, Examine(std::string("\1\1/qev1a2b.bi1\0", 15)));
    EXPECT_EQ(kListenerNoOpcode, Examine(std::string("\0\0", 2)));
}

TEST(TftpPackets, SessionTakesOnlyTheExpectedAckFromThePeersAddressAndPort) {
    SocketAddress peer, otherPort, otherHost;
    FillSocketAddress(0x7F000001, 50123, &peer);
    FillSocketAddress(0x7F000001, 50124, &otherPort);
    FillSocketAddress(0x7F000002, 50123, &otherHost);
    auto examine = [&](const std::string& bytes, const SocketAddress& sender, std::uint32_t nextBlock) {
        return ExamineSessionDatagram(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<int>(bytes.size()),
                                      sender, peer, nextBlock);
    };
    const std::string ack7("\0\4\0\7", 4);
    EXPECT_EQ(kSessionExpectedAck, examine(ack7, peer, 7));
    EXPECT_EQ(kSessionExpectedAck, examine(ack7 + "extra", peer, 7));
    EXPECT_EQ(kSessionOtherAck, examine(ack7, peer, 8));
    EXPECT_EQ(kSessionOtherAck, examine(std::string("\0\4\0\0", 4), peer, 65536));
    EXPECT_EQ(kSessionOtherSource, examine(ack7, otherPort, 7));
    EXPECT_EQ(kSessionOtherSource, examine(ack7, otherHost, 7));
    EXPECT_EQ(kSessionNotAck, examine(std::string("\0\4\0", 3), peer, 7));
    EXPECT_EQ(kSessionNotAck, examine(std::string("\0\5\0\7", 4), peer, 7));
}

}  // namespace
