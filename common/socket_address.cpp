// Conversion between host-order IPv4 values and socket addresses, and their text.
#include "common/socket_address.h"

#include "common/text.h"

void FillSocketAddress(std::uint32_t address, std::uint16_t port, SocketAddress* socketAddress) {
    socketAddress->family = kAddressFamilyIPv4;
    socketAddress->port[0] = static_cast<std::uint8_t>(port >> 8);
    socketAddress->port[1] = static_cast<std::uint8_t>(port);
    for (int i = 0; i < 4; ++i)
        socketAddress->address[i] = static_cast<std::uint8_t>(address >> (24 - 8 * i));
}

void ReadSocketAddress(const SocketAddress& socketAddress, std::uint32_t* address, std::uint16_t* port) {
    *port = static_cast<std::uint16_t>(socketAddress.port[0] << 8 | socketAddress.port[1]);
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | socketAddress.address[i];
    *address = value;
}

void FormatDottedQuad(char* text, std::size_t capacity, std::uint32_t address) {
    FormatText(text, capacity, "%u.%u.%u.%u", (address >> 24) & 0xFFu, (address >> 16) & 0xFFu,
               (address >> 8) & 0xFFu, address & 0xFFu);
}
