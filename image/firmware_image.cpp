// The embedded firmware image records.
#include "image/firmware_image.h"

#include <cstring>

#include "common/text.h"
#include "platform/platform.h"

FirmwareImage LoadFirmwareImage(int resourceId) {
    FirmwareImage image;
    std::memset(&image, 0, sizeof image);
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    if (!FindFirmwareResource(resourceId, &data, &size)) return image;
    image.location = data;
    image.size = size;
    std::memcpy(image.header.bytes, data, size < kImageHeaderSize ? size : kImageHeaderSize);
    // The version text always ends inside the header copy, whatever the image holds.
    image.header.bytes[kImageHeaderSize - 1] = 0;
    return image;
}

void CopyHeaderVersion(char (&version)[kVersionTextSize], const ImageHeader& header) {
    static_assert(kVersionTextOffset + kVersionTextSize - 1 == kImageHeaderSize,
                  "the version text runs to the end of the header");
    CopyText(version, sizeof version, reinterpret_cast<const char*>(header.bytes + kVersionTextOffset));
}
