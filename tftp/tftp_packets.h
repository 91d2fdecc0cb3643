// TFTP packets as bytes (RFC 1350, options of RFC 2347 and 2349): building
// the option acknowledgement and DATA packets, reading the opcode, an ACK's
// block number and a read request's file name, and deciding what a received
// datagram means to the listener and to the session. Pure procedures over
// byte buffers; every field is read and written byte by byte, big-endian.
#pragma once

#include <cstdint>

#include "common/socket_address.h"
#include "tftp/stage_handover.h"

// The most of any datagram that is ever stored: the listener's datagram
// buffer and the session's packet buffer.
constexpr int kTftpDatagramSize = 1024;
constexpr int kTftpBlockSize = 512;
constexpr int kTftpDataHeaderSize = 4;  // opcode and block number
constexpr int kTftpFileNameSize = kUpgradeFileNameSize;

constexpr int kTftpOpcodeReadRequest = 1;
constexpr int kTftpOpcodeWriteRequest = 2;
constexpr int kTftpOpcodeData = 3;
constexpr int kTftpOpcodeAck = 4;
constexpr int kTftpOpcodeError = 5;
constexpr int kTftpOpcodeOptionAck = 6;

typedef std::uint8_t TftpPacket[kTftpDatagramSize];

// The opcode of a datagram, or -1 when it has fewer than 2 bytes.
int ReadTftpOpcode(const std::uint8_t* datagram, int length);

// Builds the option acknowledgement: "tsize" with the image size in decimal
// and "timeout" 5, whatever the request asked for. Returns its length,
// 19 + the number of digits.
int BuildTftpOptionAck(TftpPacket packet, std::uint32_t imageSize);

// Builds a DATA packet: the low 16 bits of the block number, then dataLength
// (0 to 512) bytes of data. Returns its length, 4 + dataLength.
int BuildTftpData(TftpPacket packet, std::uint32_t block, const std::uint8_t* data, int dataLength);

// What a datagram is to the waiting listener.
enum ListenerDatagram {
    kListenerNoOpcode,        // fewer than 2 bytes, or an opcode outside 1 to 5
    kListenerWriteRequest,    // these four are traced and dropped
    kListenerData,
    kListenerAck,
    kListenerError,
    kListenerRequestRefused,  // a read request for any other name
    kListenerRequestMatches,  // a read request for exactly the upgrade file name
};

// Reads a received datagram as the listener does. For a read request the
// requested name is copied into requestedName, cut to fit and terminated
// (for the trace even when it does not match). It matches only when its
// terminator lies within the datagram and it equals upgradeFileName byte
// for byte, terminator included.
ListenerDatagram ExamineListenerDatagram(const std::uint8_t* datagram, int length, const char* upgradeFileName,
                                         char (&requestedName)[kTftpFileNameSize]);

// What a datagram is to the session that waits for the ACK of nextBlock.
enum SessionDatagram {
    kSessionOtherSource,   // not from the peer's address and port: an idle poll
    kSessionNotAck,        // from the peer but no ACK of at least 4 bytes: an idle poll
    kSessionOtherAck,      // an ACK of another block: ignored at once, no poll counted
    kSessionExpectedAck,   // the ACK of nextBlock
};

// The sender is compared with the peer as address and port together. The
// ACK's 16-bit block number is compared with the whole of nextBlock, so
// nothing past block 65,535 is ever acknowledged.
SessionDatagram ExamineSessionDatagram(const std::uint8_t* datagram, int length, const SocketAddress& sender,
                                       const SocketAddress& peer, std::uint32_t nextBlock);
