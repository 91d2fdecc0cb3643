// A scripted TFTP client for the tests that run the server over the fake
// transport (fake_tftp_transport.h): it fetches the image and acknowledges
// what it receives (every DATA block, a repeated one too, as RFC 1350
// clients do), with faults on request, and packet helpers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "tests/support/fake_tftp_transport.h"
#include "tests/support/loopback_http_server.h"

namespace scripted_tftp {

constexpr std::uint16_t kClientPort = 50123;

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (int value : values) bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

inline std::vector<std::uint8_t> Ack(unsigned block) { return Bytes({0, 4, static_cast<int>(block >> 8 & 0xFF), static_cast<int>(block & 0xFF)}); }

inline std::vector<std::uint8_t> ReadRequest(const std::string& name) {
    // Opcode 1, the name, the mode "octet", each text with its terminator.
    const std::string bytes = std::string("\0\1", 2) + name + std::string("\0octet\0", 7);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

inline int Opcode(const fake_tftp::SentPacket& sent) { return sent.bytes[0] << 8 | sent.bytes[1]; }
inline unsigned Block(const fake_tftp::SentPacket& sent) { return static_cast<unsigned>(sent.bytes[2] << 8 | sent.bytes[3]); }

// A client that fetches the image and acknowledges what it receives (every DATA
// block, a repeated one too, as RFC 1350 clients do), with faults on request.
// Blocks are named by their number on the wire; 0 is the OACK's ACK.
struct ScriptedClient {
    std::vector<std::uint8_t> received;
    unsigned expectedBlock = 1;      // wire number of the next new DATA block
    std::set<unsigned> loseFirstAck;  // the first ACK of these blocks is lost
    bool duplicateAcks = false;       // every ACK is sent twice
    int otherPortFirstAckOf = -1;     // the first ACK of this block comes from another port
    int higherAckBefore = -1;         // an ACK of the block after this one comes before its own ACK
    int lastAcknowledged = 1 << 30;   // no block after this one is acknowledged
    int neverAcknowledged = -1;       // this block is not acknowledged (the test delivers its ACK)
    std::set<unsigned> acknowledgedOnce;

    void operator()(const fake_tftp::SentPacket& sent) {
        unsigned block;
        if (Opcode(sent) == 6) {
            block = 0;
        } else {
            block = Block(sent);
            if (block == (expectedBlock & 0xFFFF)) {
                received.insert(received.end(), sent.bytes.begin() + 4, sent.bytes.end());
                ++expectedBlock;
            }
        }
        if (static_cast<int>(block) > lastAcknowledged || static_cast<int>(block) == neverAcknowledged) return;
        bool first = acknowledgedOnce.insert(block).second;
        if (first && loseFirstAck.count(block)) return;
        if (first && static_cast<int>(block) == otherPortFirstAckOf) {
            fake_tftp::Deliver(Ack(block), kLoopbackAddress, kClientPort + 1);
            return;
        }
        if (static_cast<int>(block) == higherAckBefore) fake_tftp::Deliver(Ack(block + 1), kLoopbackAddress, kClientPort);
        fake_tftp::Deliver(Ack(block), kLoopbackAddress, kClientPort);
        if (duplicateAcks) fake_tftp::Deliver(Ack(block), kLoopbackAddress, kClientPort);
    }
};

}  // namespace scripted_tftp
