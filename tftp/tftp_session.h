// The TFTP transfer session: serves one firmware image to the host whose
// read request the listener accepted, stop-and-wait in 512-byte blocks from
// the listener's own socket, then waits for the device's reboot
// (tftp/reboot_wait.h). What the device then runs is checked by the
// upgrade sequence (app/verification.h).
#pragma once

#include <cstdint>

#include "common/outcome.h"
#include "common/socket_address.h"
#include "image/firmware_image.h"
#include "platform/platform.h"
#include "tftp/stage_handover.h"
#include "tftp/tftp_packets.h"
#include "tftp/transfer_view.h"

// One session, allocated zero-filled when it starts and freed when it returns.
struct TftpSession {
    char requestedFileName[kTftpFileNameSize];  // the accepted request's name
    TftpPacket packet;           // receives each datagram; OACK and DATA are built here too
    std::uint32_t localAddress;  // host order
    std::uint32_t peerAddress;   // host order; the only address served
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

// Where a session serves: the listener's socket and its local end, the
// accepted request's sender (host order) and name, and the hand-over whose
// stop request ends it early.
struct TftpSessionRequest {
    SocketHandle socket;
    std::uint32_t localAddress;
    std::uint16_t localPort;
    std::uint32_t peerAddress;
    std::uint16_t peerPort;
    const char* requestedFileName;
    const StageHandOver* handOver;
};

// How far a session got, for the front ends' hints and the run's record.
struct TftpSessionReport {
    std::uint32_t blockCount;         // the image's blocks
    std::uint32_t blocksAcknowledged;
    std::uint32_t bytesAcknowledged;  // the image bytes the peer confirmed
    std::uint32_t transferMs;         // from the request to the last ACK, or to the giving up
    std::uint32_t rebootWaitMs;       // the wait that followed; 0 when it was cut short
};

// Serves the image to the peer, then the reboot wait (after a completed and
// after a failed transfer alike). Continue when every block was
// acknowledged; UploadIncomplete when the expected ACK did not come within
// kTftpMaxIntervals intervals; UserAbort when the user cancelled the upload
// dialog (the reboot wait is then cut short) or the main thread asked the
// listener to stop; SessionMemory when the record could not be allocated.
// The report, when given, says how far it got.
Outcome RunTftpSession(const TftpSessionRequest& request, const FirmwareImage& image, bool targetStage,
                       TransferView& view, TftpSessionReport* report = nullptr);

// Builds the option acknowledgement in the packet buffer and sends it.
void SendTftpOptionAck(SocketHandle socket, TftpPacket packet, const SocketAddress& peer, std::uint32_t imageSize);
// Builds DATA (the low 16 bits of block, dataLength bytes from data) in the
// packet buffer and sends its 4 + dataLength bytes.
void SendTftpData(SocketHandle socket, TftpPacket packet, const std::uint8_t* data, int dataLength,
                  std::uint32_t block, const SocketAddress& peer);
