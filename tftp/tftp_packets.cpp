// Building and reading TFTP packets, byte by byte.
#include "tftp/tftp_packets.h"

#include <cstring>

namespace {

// The option names and the fixed value of the option acknowledgement, each
// written with its terminator.
const char kTsizeOption[] = "tsize";
const char kTimeoutOption[] = "timeout";
const char kTimeoutValue[] = "5";

int PutText(std::uint8_t* at, const char* text) {
    int length = static_cast<int>(std::strlen(text)) + 1;
    std::memcpy(at, text, static_cast<std::size_t>(length));
    return length;
}

void PutShort(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

std::uint16_t ReadShort(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] << 8 | at[1]); }

bool SameSender(const SocketAddress& a, const SocketAddress& b) {
    return std::memcmp(a.address, b.address, sizeof a.address) == 0 && std::memcmp(a.port, b.port, sizeof a.port) == 0;
}

}  // namespace

int ReadTftpOpcode(const std::uint8_t* datagram, int length) { return length < 2 ? -1 : ReadShort(datagram); }

int BuildTftpOptionAck(TftpPacket packet, std::uint32_t imageSize) {
    PutShort(packet, kTftpOpcodeOptionAck);
    int length = 2;
    length += PutText(packet + length, kTsizeOption);
    // The size in decimal, no sign, no leading zeros: at most 10 digits.
    char digits[11];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + imageSize % 10);
        imageSize /= 10;
    } while (imageSize != 0);
    while (count > 0) packet[length++] = static_cast<std::uint8_t>(digits[--count]);
    packet[length++] = 0;
    length += PutText(packet + length, kTimeoutOption);
    length += PutText(packet + length, kTimeoutValue);
    return length;
}

int BuildTftpData(TftpPacket packet, std::uint32_t block, const std::uint8_t* data, int dataLength) {
    if (dataLength < 0) dataLength = 0;
    if (dataLength > kTftpBlockSize) dataLength = kTftpBlockSize;
    PutShort(packet, kTftpOpcodeData);
    PutShort(packet + 2, block & 0xFFFFu);
    if (dataLength > 0) std::memcpy(packet + kTftpDataHeaderSize, data, static_cast<std::size_t>(dataLength));
    return kTftpDataHeaderSize + dataLength;
}

ListenerDatagram ExamineListenerDatagram(const std::uint8_t* datagram, int length, const char* upgradeFileName,
                                         char (&requestedName)[kTftpFileNameSize]) {
    requestedName[0] = '\0';
    switch (ReadTftpOpcode(datagram, length)) {
        case kTftpOpcodeReadRequest: break;
        case kTftpOpcodeWriteRequest: return kListenerWriteRequest;
        case kTftpOpcodeData: return kListenerData;
        case kTftpOpcodeAck: return kListenerAck;
        case kTftpOpcodeError: return kListenerError;
        default: return kListenerNoOpcode;
    }
    // The name starts at the third byte; its terminator must be a byte that
    // was received, not whatever the buffer held before.
    const std::uint8_t* name = datagram + 2;
    int available = length - 2;
    const void* terminator = std::memchr(name, 0, static_cast<std::size_t>(available));
    int nameLength = terminator != nullptr ? static_cast<int>(static_cast<const std::uint8_t*>(terminator) - name)
                                           : available;
    int kept = nameLength < kTftpFileNameSize - 1 ? nameLength : kTftpFileNameSize - 1;
    std::memcpy(requestedName, name, static_cast<std::size_t>(kept));
    requestedName[kept] = '\0';

    // Equal terminator included: the same length and the same bytes.
    bool matches = terminator != nullptr && std::strlen(upgradeFileName) == static_cast<std::size_t>(nameLength) &&
                   std::memcmp(name, upgradeFileName, static_cast<std::size_t>(nameLength)) == 0;
    return matches ? kListenerRequestMatches : kListenerRequestRefused;
}

SessionDatagram ExamineSessionDatagram(const std::uint8_t* datagram, int length, const SocketAddress& sender,
                                       const SocketAddress& peer, std::uint32_t nextBlock) {
    if (!SameSender(sender, peer)) return kSessionOtherSource;
    if (length < kTftpDataHeaderSize || ReadTftpOpcode(datagram, length) != kTftpOpcodeAck) return kSessionNotAck;
    return ReadShort(datagram + 2) == nextBlock ? kSessionExpectedAck : kSessionOtherAck;
}
