// The IPv4 socket address as the core sees it, and the two procedures that
// convert between it and the host-order values used everywhere else.
#pragma once

#include <cstddef>
#include <cstdint>

// Mirrors the family, port and address of an IPv4 socket address. Port and
// address are kept as network-order bytes, so the platform layer copies them
// into its own socket address unchanged.
struct SocketAddress {
    std::uint16_t family;     // kAddressFamilyIPv4 once filled
    std::uint8_t port[2];     // big-endian
    std::uint8_t address[4];  // big-endian; all zero is the wildcard address
};

constexpr std::uint16_t kAddressFamilyIPv4 = 2;

// Fills an IPv4 socket address from host-order values; an address of 0
// stands for any local address.
void FillSocketAddress(std::uint32_t address, std::uint16_t port, SocketAddress* socketAddress);
// The reverse: reads address and port back into host order.
void ReadSocketAddress(const SocketAddress& socketAddress, std::uint32_t* address, std::uint16_t* port);

// An address (host order) as "A.B.C.D", most significant byte first, each
// in decimal: the one form every address is shown and sent in.
constexpr int kDottedQuadSize = 16;
void FormatDottedQuad(char* text, std::size_t capacity, std::uint32_t address);
