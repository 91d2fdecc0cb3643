// The upgrade command path and its sending.
#include "app/upgrade_command.h"

#include "common/text.h"
#include "common/upgrade_state.h"
#include "http/device_query.h"

void FormUpgradeCommandPath(char* path, std::size_t capacity, std::uint32_t localAddress, std::uint16_t port,
                            const char* upgradeFileName) {
    FormatText(path, capacity, "/admin/upgrade?tftp://%u.%u.%u.%u:%u%s", (localAddress >> 24) & 0xFFu,
               (localAddress >> 16) & 0xFFu, (localAddress >> 8) & 0xFFu, localAddress & 0xFFu,
               static_cast<unsigned>(port), upgradeFileName);
}

void SendUpgradeCommand(std::uint16_t listenerPort) {
    char path[kUpgradeCommandPathSize];
    FormUpgradeCommandPath(path, sizeof path, g_upgrade.chosenLocalAddress, listenerPort, CurrentUpgradeFileName());
    // No reply is no failure: the listener keeps waiting for the device's request.
    QueryDevice(g_upgrade.chosenLocalAddress, g_upgrade.deviceAddress, path);
}
