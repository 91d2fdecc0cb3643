// Fuzzes what the TFTP listener and the session make of a received datagram.
// The first 8 input bytes choose the sender's address and port and the
// session's expected block; the rest is the datagram, at most 1,024 bytes
// as the receive stores it, in a buffer of exactly that size.
#include <cstring>

#include "tests/fuzz/fuzz_support.h"
#include "tftp/tftp_packets.h"

namespace {
const char kUpgradeFileName[kUpgradeFileNameSize] = "/qev1a2b.bi1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    SocketAddress peer = {kAddressFamilyIPv4, {0xC3, 0x4B}, {127, 0, 0, 1}};
    SocketAddress sender = {kAddressFamilyIPv4, {data[0], data[1]}, {127, 0, 0, data[2]}};
    std::uint32_t nextBlock = static_cast<std::uint32_t>(data[3]) << 24 | data[4] << 16 | data[5] << 8 | data[6];
    (void)data[7];
    data += 8;
    size -= 8;
    int length = size > kTftpDatagramSize ? kTftpDatagramSize : static_cast<int>(size);
    std::uint8_t* datagram = new std::uint8_t[kTftpDatagramSize];  // ASan sees any read past it
    std::memcpy(datagram, data, static_cast<std::size_t>(length));

    char requested[kTftpFileNameSize];
    ListenerDatagram kind = ExamineListenerDatagram(datagram, length, kUpgradeFileName, requested);
    FUZZ_CHECK(Terminated(requested));
    if (kind == kListenerRequestMatches) {
        // Only the exact name with its terminator inside the datagram.
        FUZZ_CHECK(length >= 2 + 13 && std::memcmp(datagram, "\0\1/qev1a2b.bi1", 15) == 0);
        FUZZ_CHECK(std::strcmp(requested, kUpgradeFileName) == 0);
    }
    if (length < 2) FUZZ_CHECK(kind == kListenerNoOpcode);

    SessionDatagram verdict = ExamineSessionDatagram(datagram, length, sender, peer, nextBlock);
    if (verdict == kSessionExpectedAck) {
        FUZZ_CHECK(std::memcmp(&sender.port, &peer.port, 2) == 0 && sender.address[3] == 1);
        FUZZ_CHECK(length >= 4 && datagram[0] == 0 && datagram[1] == 4);
        FUZZ_CHECK(nextBlock <= 0xFFFF && (datagram[2] << 8 | datagram[3]) == static_cast<int>(nextBlock));
    }
    delete[] datagram;
    return 0;
}
