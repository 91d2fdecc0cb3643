// The firmware images linked into the POSIX program; nothing is read from
// disk at run time.
#include "platform/platform.h"
#include "platform/posix/embedded_firmware.h"

bool FindFirmwareResource(int identifier, const std::uint8_t** data, std::uint32_t* size) {
    for (int i = 0; i < kEmbeddedFirmwareCount; ++i) {
        if (kEmbeddedFirmware[i].identifier != identifier) continue;
        *data = kEmbeddedFirmware[i].begin;
        *size = static_cast<std::uint32_t>(kEmbeddedFirmware[i].end - kEmbeddedFirmware[i].begin);
        return true;
    }
    return false;
}
