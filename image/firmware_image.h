// The firmware images a program carries: each image's location, size and a
// copy of its 128-byte header, whose version text is the only part read.
#pragma once

#include <cstdint>

constexpr int kImageHeaderSize = 128;
constexpr int kVersionTextOffset = 92;
// Room for a header's version text: at most the 36 bytes from offset 92 to
// the end of the header, and a terminator.
constexpr int kVersionTextSize = kImageHeaderSize - kVersionTextOffset + 1;

// The program's resources of type "QEV_FIRMWARE" (cmake/Firmware.cmake
// writes the same numbers into the resource script and the POSIX table).
constexpr int kTargetFirmwareResource = 112;
constexpr int kTransitionFirmwareResource = 319;

struct ImageHeader {
    std::uint8_t bytes[kImageHeaderSize];
};

struct FirmwareImage {
    const std::uint8_t* location;  // the resource's bytes; never copied or freed; null when absent
    std::uint32_t size;            // the whole resource, header included
    ImageHeader header;            // copy of the first 128 bytes
};

// Finds the firmware resource of that identifier and records its location,
// its size and a copy of its header. A resource that is missing (or shorter
// than its header) gives an empty record, or a header padded with zeros;
// the build validates the images it embeds, so neither happens in a program.
FirmwareImage LoadFirmwareImage(int resourceId);

// Copies the version text of a header, never reading past the header even
// when its version text is not terminated.
void CopyHeaderVersion(char (&version)[kVersionTextSize], const ImageHeader& header);
