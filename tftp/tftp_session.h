// The TFTP transfer session: serves one firmware image to the host whose
// read request the listener accepted, stop-and-wait in 512-byte blocks from
// the listener's own socket, then waits for the device's reboot and checks
// the version it reports (tftp/reboot_and_verify.h).
#pragma once

#include <cstdint>

#include "common/socket_address.h"
#include "platform/platform.h"
#include "tftp/tftp_packets.h"

// One session, allocated zero-filled when it starts and freed when it returns.
struct TftpSession {
    char requestedFileName[kTftpFileNameSize];  // the accepted request's name
    TftpPacket packet;           // receives each datagram; OACK and DATA are built here too
    std::uint32_t localAddress;  // host order; the local end of the verification queries
    std::uint32_t peerAddress;   // host order; the only address served, then queried
    std::uint16_t localPort;
    std::uint16_t peerPort;      // with the peer address, the only source accepted
    SocketHandle socket;         // the listener's; the session does not close it
    std::uint32_t nextBlock;     // the block whose ACK is expected; 0 while the OACK is outstanding
    std::uint32_t imageSize;
    std::uint32_t blockCount;    // imageSize / 512 + 1: the last block is short, maybe empty
    std::uint32_t bytesAcknowledged;
    std::uint32_t lastBlockLength;  // imageSize % 512
    std::uint32_t sentLength;       // data length of the DATA packet last sent
};

// The retransmission clock of one outstanding packet. An interval ends when
// kTftpPollsPerInterval idle polls have passed and the clock shows at least
// kTftpIntervalMinimumMs since it began. Each idle poll waits up to 1 ms but
// ends early when a datagram or a window message comes, so counting polls
// alone would let a moving mouse or a stray sender shorten the interval;
// counting time alone would let a coarse clock do so. Both together keep
// the interval at 100 polls and at least 100 ms, as with a plain 1 ms sleep.
struct TftpRetransmission {
    unsigned idlePolls;           // 0 to 100
    std::uint32_t intervalStart;  // the clock when the current interval began
    unsigned intervals;           // intervals ended without the expected ACK, 0 to 30
};

constexpr unsigned kTftpPollsPerInterval = 100;
constexpr std::uint32_t kTftpIntervalMinimumMs = 100;
constexpr unsigned kTftpMaxIntervals = 30;

// Serves the image of the current stage to the peer (addresses and ports in
// host order), then the reboot wait and the verification. Returns 1 when the
// transfer completed, 0 when it failed; nothing depends on it. Does not
// return when the user cancels or the record cannot be allocated.
int RunTftpSession(SocketHandle socket, std::uint32_t localAddress, std::uint16_t localPort,
                   std::uint32_t peerAddress, std::uint16_t peerPort, const char* requestedFileName);

// Builds the option acknowledgement in the packet buffer and sends it.
void SendTftpOptionAck(SocketHandle socket, TftpPacket packet, const SocketAddress& peer, std::uint32_t imageSize);
// Builds DATA (the low 16 bits of block, dataLength bytes from data) in the
// packet buffer and sends its 4 + dataLength bytes.
void SendTftpData(SocketHandle socket, TftpPacket packet, const std::uint8_t* data, int dataLength,
                  std::uint32_t block, const SocketAddress& peer);
