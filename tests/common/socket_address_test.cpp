// Host-order values become network-order bytes and back.
#include <gtest/gtest.h>

#include "common/socket_address.h"

namespace {

TEST(SocketAddress, FillsNetworkOrderAndReadsBack) {
    SocketAddress address;
    FillSocketAddress(0x0A010203u, 23456, &address);
    EXPECT_EQ(kAddressFamilyIPv4, address.family);
    EXPECT_EQ(10, address.address[0]);
    EXPECT_EQ(3, address.address[3]);
    EXPECT_EQ(23456 >> 8, address.port[0]);
    EXPECT_EQ(23456 & 0xFF, address.port[1]);
    std::uint32_t host = 0;
    std::uint16_t port = 0;
    ReadSocketAddress(address, &host, &port);
    EXPECT_EQ(0x0A010203u, host);
    EXPECT_EQ(23456, port);
    FillSocketAddress(0, 69, &address);  // wildcard
    EXPECT_EQ(0, address.address[0] | address.address[1] | address.address[2] | address.address[3]);
}

}  // namespace
