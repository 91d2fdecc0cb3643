// The products of the device family (rows in image/product_table.def),
// recognised by the tag at the start of the firmware image header.
#pragma once

#include <cstdint>

#include "common/upgrade_state.h"

struct ProductEntry {
    const char* tag;
    int compareLength;  // equal to the tag's length
    const char* displayName;
    std::int32_t deviceClass;
};

constexpr int kProductTableSize = 15;
extern const ProductEntry kProductTable[kProductTableSize];
extern const char kFallbackDisplayName[];  // for a tag no row names

// Sets the display name and the device class from the header's product tag.
void IdentifyProduct(const ImageHeader& header);
