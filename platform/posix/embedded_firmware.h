// The firmware images linked into a POSIX program (generated per build
// configuration by cmake/Firmware.cmake).
#pragma once

#include <cstdint>

struct EmbeddedFirmware {
    int identifier;
    const std::uint8_t* begin;
    const std::uint8_t* end;
};

extern const EmbeddedFirmware kEmbeddedFirmware[];
extern const int kEmbeddedFirmwareCount;
