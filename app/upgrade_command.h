// The upgrade command, the request that tells the device to fetch the
// upgrade file by TFTP from this PC's listener, and the random file name it
// names.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/upgrade_view.h"
#include "common/outcome.h"
#include "http/device_session.h"
#include "tftp/stage_handover.h"

// Room for the longest command path: "/admin/upgrade?tftp://" (22), a dotted
// quad (15), ":" and a port (6) and an upgrade file name (12), and a terminator.
constexpr int kUpgradeCommandPathSize = 64;

// Forms "/admin/upgrade?tftp://A.B.C.D:PORT/NAME" from the local address
// (host order, most significant byte first), the listener's port and the
// upgrade file name, which brings its own leading "/".
void FormUpgradeCommandPath(char* path, std::size_t capacity, std::uint32_t localAddress, std::uint16_t port,
                            const char* upgradeFileName);

// Forms the upgrade file name "/qev%x.bi%d" from a fresh random number's low
// 16 bits and the stage digit, and publishes it to the listener.
void MakeUpgradeFileName(StageHandOver* handOver, int stageDigit);

// Where the command goes and what it names.
struct UpgradeCommand {
    std::uint32_t localAddress;  // host order
    std::uint32_t deviceAddress;
    std::uint16_t listenerPort;
    unsigned replyLimitMs;       // how long the answer is waited for; 0: until the listener moves on
};

// Sends the upgrade command for the current upgrade file name as a device
// query. What the device answers is not looked at, and its answer is no
// longer waited for once the listener has moved the stage on or ended (a
// device may fetch first and answer late, or never). Continue, or the
// query's UserAbort and socket failures.
Outcome SendUpgradeCommand(DeviceSession* session, const UpgradeCommand& command, StageHandOver* handOver,
                           UpgradeView& view);
