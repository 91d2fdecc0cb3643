// The embedded firmware image records.
#include <cstring>

#include "image/startup.h"
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
