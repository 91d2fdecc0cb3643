// Product identification: the rows of image/product_table.def, tried in
// their order against the image header's tag.
#include "image/product_table.h"

#include "common/text.h"

#define QEV_CLASS_ADAPTER kDeviceAdapter
#define QEV_CLASS_PHONE kDevicePhone

// The compare length is the tag's length.
const ProductEntry kProductTable[kProductTableSize] = {
#define QEV_PRODUCT(tag, name, kind) {tag, static_cast<int>(sizeof(tag) - 1), name, QEV_CLASS_##kind},
#define QEV_FALLBACK_NAME(name)
#include "image/product_table.def"
#undef QEV_PRODUCT
#undef QEV_FALLBACK_NAME
};

// Fewer rows than kProductTableSize would leave empty rows at the end unnoticed.
namespace {
constexpr int kRowsInTableFile = 0
#define QEV_PRODUCT(tag, name, kind) +1
#define QEV_FALLBACK_NAME(name)
#include "image/product_table.def"
#undef QEV_PRODUCT
#undef QEV_FALLBACK_NAME
    ;
}  // namespace
static_assert(kRowsInTableFile == kProductTableSize, "kProductTableSize is the row count of product_table.def");

#define QEV_PRODUCT(tag, name, kind)
#define QEV_FALLBACK_NAME(name) const char kFallbackDisplayName[] = name;
#include "image/product_table.def"
#undef QEV_PRODUCT
#undef QEV_FALLBACK_NAME

namespace {

// ASCII letters folded to one case; other bytes unchanged (no locale).
unsigned char FoldCase(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

bool TagMatches(const ProductEntry& entry, const ImageHeader& header) {
    for (int i = 0; i < entry.compareLength; ++i) {
        unsigned char have = header.bytes[i];
        if (have == 0) return false;  // the header's tag ended early
        if (FoldCase(have) != FoldCase(static_cast<unsigned char>(entry.tag[i]))) return false;
    }
    return true;
}

}  // namespace

ProductIdentity IdentifyProduct(const ImageHeader& header) {
    ProductIdentity identity;
    identity.deviceClass = kDeviceAdapter;
    for (const ProductEntry& entry : kProductTable) {
        if (!TagMatches(entry, header)) continue;
        CopyText(identity.displayName, sizeof identity.displayName, entry.displayName);
        identity.deviceClass = entry.deviceClass;
        return identity;
    }
    CopyText(identity.displayName, sizeof identity.displayName, kFallbackDisplayName);
    return identity;
}
