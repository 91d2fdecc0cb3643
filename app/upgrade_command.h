// The upgrade command: the request that tells the device to fetch the
// upgrade file by TFTP from this PC's listener.
#pragma once

#include <cstddef>
#include <cstdint>

// Room for the longest command path: "/admin/upgrade?tftp://" (22), a dotted
// quad (15), ":" and a port (6) and an upgrade file name (12), and a terminator.
constexpr int kUpgradeCommandPathSize = 64;

// Forms "/admin/upgrade?tftp://A.B.C.D:PORT/NAME" from the local address
// (host order, most significant byte first), the listener's port and the
// upgrade file name, which brings its own leading "/".
void FormUpgradeCommandPath(char* path, std::size_t capacity, std::uint32_t localAddress, std::uint16_t port,
                            const char* upgradeFileName);

// Sends the upgrade command for the current upgrade file name to the device
// as a device query; what the device answers is not looked at.
void SendUpgradeCommand(std::uint16_t listenerPort);
