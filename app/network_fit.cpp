// The local address's fit with the device's subnet, and its warning.
#include "app/network_fit.h"

#include "common/text.h"
#include "platform/platform.h"

NetworkFit JudgeNetworkFit(std::uint32_t localAddress, std::uint32_t deviceAddress) {
    std::uint32_t mask = 0;
    if (!LocalAddressMask(localAddress, &mask)) return NetworkFit{SubnetFit::Unknown, 0};
    bool same = (localAddress & mask) == (deviceAddress & mask);
    return NetworkFit{same ? SubnetFit::Same : SubnetFit::Different, mask};
}

void FormatSubnetWarning(char* text, std::size_t capacity, std::uint32_t localAddress, std::uint32_t mask,
                         std::uint32_t deviceAddress) {
    char local[kDottedQuadSize], shownMask[kDottedQuadSize], device[kDottedQuadSize];
    FormatDottedQuad(local, sizeof local, localAddress);
    FormatDottedQuad(shownMask, sizeof shownMask, mask);
    FormatDottedQuad(device, sizeof device, deviceAddress);
    FormatText(text, capacity,
               "Warning: this PC's address %s (mask %s) is not on the subnet of the device at %s: the device "
               "may not reach it to fetch the firmware; choose an address of this PC on the device's subnet.",
               local, shownMask, device);
}
