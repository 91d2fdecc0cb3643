// The products of the device family (rows in image/product_table.def),
// recognised by the tag at the start of the firmware image header.
#pragma once

#include <cstdint>

#include "image/firmware_image.h"

enum DeviceClass : std::int32_t { kDeviceAdapter = 0, kDevicePhone = 1 };

constexpr int kDisplayNameSize = 32;

struct ProductEntry {
    const char* tag;
    int compareLength;  // equal to the tag's length
    const char* displayName;
    std::int32_t deviceClass;
};

constexpr int kProductTableSize = 15;
extern const ProductEntry kProductTable[kProductTableSize];
extern const char kFallbackDisplayName[];  // for a tag no row names

// The product an image is meant for, as the user is shown it.
struct ProductIdentity {
    char displayName[kDisplayNameSize];
    std::int32_t deviceClass;  // a DeviceClass
};

// The display name and the device class from the header's product tag: the
// first row whose tag matches, else the fallback name for an adapter.
ProductIdentity IdentifyProduct(const ImageHeader& header);
