// Start-up: everything the rest of the upgrade reads as fixed facts.
#include "image/startup.h"

#include <cstring>

#include "common/trace.h"
#include "platform/platform.h"

namespace {

// The address as a socket layer delivers it, for the trace: network order.
std::uint32_t NetworkOrder(std::uint32_t address) {
    return (address >> 24) | ((address >> 8) & 0xFF00u) | ((address << 8) & 0xFF0000u) | (address << 24);
}

}  // namespace

Outcome InitializeUpgrade(InstanceHandle instance, StartupFacts* facts) {
    std::memset(facts, 0, sizeof *facts);
    facts->instance = instance;
    if (!StartSocketLibrary()) return Outcome::SocketLibrary;

    facts->localAddressCount = ListLocalAddresses(facts->localAddresses, kMaxLocalAddresses);
    for (int i = 0; i < facts->localAddressCount; ++i)
        Trace("Client IP = %x\n", NetworkOrder(facts->localAddresses[i]));

    facts->twoStage = kInitialStageFlag == 0;
    facts->targetImage = LoadFirmwareImage(kTargetFirmwareResource);
    if (facts->twoStage) facts->transitionImage = LoadFirmwareImage(kTransitionFirmwareResource);
    facts->product = IdentifyProduct(facts->targetImage.header);
    return Outcome::Continue;
}
