// The product table and product identification. Rows are tested in order,
// and some tags begin with others (rows 4 and 7 with row 8's, row 12 with
// row 13's), so the longer tag must come first: the order is part of the data.
#include "image/product_table.h"

#include "common/text.h"

const ProductEntry kProductTable[kProductTableSize] = {
    {"QAT1040", 7, "QEV-1040", kDeviceAdapter},
    {"QAT2020", 7, "QEV-2020 Plus", kDeviceAdapter},
    {"QAT1041", 7, "QEV-1041", kDeviceAdapter},
    {"QPH300E", 7, "QEV-300E Deluxe", kDevicePhone},
    {"QPH2110", 7, "QEV-211", kDevicePhone},
    {"QPH2200", 7, "QEV-220 Office", kDevicePhone},
    {"QPH300B", 7, "QEV-30B", kDevicePhone},
    {"QPH300", 6, "QEV-300", kDevicePhone},
    {"QAT1050", 7, "QEV-1050", kDeviceAdapter},
    {"QAT1060", 7, "QEV-1060", kDeviceAdapter},
    {"QAT1070", 7, "QEV-1070", kDeviceAdapter},
    {"QAT4000R", 8, "QEV-4KR", kDeviceAdapter},
    {"QAT4000", 7, "QEV-4000", kDeviceAdapter},
    {"QGW5000", 7, "QGW5", kDeviceAdapter},
    {"QGW6000S", 8, "QGW-6", kDeviceAdapter},
};

const char kFallbackDisplayName[] = "ODM-Product";

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
