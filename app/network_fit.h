// Whether the address of this PC that the device is told to fetch from is
// on the device's own subnet, judged from the mask of the interface that
// holds it; and the warning a front end gives before the upgrade command
// when it is not (a device outside this PC's subnet needs a router between
// the two, and is often kept from reaching back).
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/socket_address.h"

enum class SubnetFit {
    Unknown,    // no mask is known for the address (not one of this PC's, or the system does not say)
    Same,       // the device's address is on the local address's subnet
    Different,  // it is not
};

struct NetworkFit {
    SubnetFit fit;
    std::uint32_t mask;  // the local address's interface mask; 0 when unknown
};

NetworkFit JudgeNetworkFit(std::uint32_t localAddress, std::uint32_t deviceAddress);

// The warning for a local address off the device's subnet, e.g. "Warning:
// this PC's address 192.0.2.1 (mask 255.255.255.0) is not on the subnet of
// the device at 10.1.0.13: the device may not reach it to fetch the
// firmware; choose an address of this PC on the device's subnet."
constexpr int kSubnetWarningSize = 320;
void FormatSubnetWarning(char* text, std::size_t capacity, std::uint32_t localAddress, std::uint32_t mask,
                         std::uint32_t deviceAddress);
