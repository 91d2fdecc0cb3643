// Start-up: everything the rest of the upgrade reads as fixed facts.
#include <cstring>

#include "common/random_draws.h"
#include "common/trace.h"
#include "image/product_table.h"
#include "image/startup.h"
#include "platform/platform.h"
#include "platform/platform_ui.h"
#include "ui/dialog_texts.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

// The address as a socket layer delivers it, for the trace: network order.
std::uint32_t NetworkOrder(std::uint32_t address) {
    return (address >> 24) | ((address >> 8) & 0xFF00u) | ((address << 8) & 0xFF0000u) | (address << 24);
}

}  // namespace

void InitializeUpgrade() {
    if (!StartSocketLibrary()) {
        ShowUpgradeError(kFailWinsockInit, nullptr);
        EndProcess(0);
    }

    std::memset(g_upgrade.localAddresses, 0, sizeof g_upgrade.localAddresses);
    int count = ListLocalAddresses(g_upgrade.localAddresses, kMaxLocalAddresses);
    for (int i = 0; i < count; ++i) Trace("Client IP = %x\n", NetworkOrder(g_upgrade.localAddresses[i]));
    g_upgrade.chosenLocalAddress = g_upgrade.localAddresses[0];

    std::memset(&g_upgrade.digest, 0, sizeof g_upgrade.digest);
    SeedRandomDraws(MillisecondClock());
    RegisterCommonControls();

    g_upgrade.targetImage = LoadFirmwareImage(IDR_TARGET_FIRMWARE);
    if (g_upgrade.stageFlag.load() == 0) g_upgrade.transitionImage = LoadFirmwareImage(IDR_TRANSITION_FIRMWARE);
    IdentifyProduct(g_upgrade.targetImage.header);
}
