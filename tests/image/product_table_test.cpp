// Product identification from the image header's tag.
#include <gtest/gtest.h>

#include <cstring>

#include "image/product_table.h"

namespace {

// The family's table, written out apart from image/product_table.def, in its order.
struct WrittenOutRow {
    const char* tag;
    const char* name;
    std::int32_t deviceClass;
};
const WrittenOutRow kWrittenOutRows[kProductTableSize] = {
    {"QAT1040", "QEV-1040", kDeviceAdapter},  {"QAT2020", "QEV-2020 Plus", kDeviceAdapter},
    {"QAT1041", "QEV-1041", kDeviceAdapter},  {"QPH300E", "QEV-300E Deluxe", kDevicePhone},
    {"QPH2110", "QEV-211", kDevicePhone},     {"QPH2200", "QEV-220 Office", kDevicePhone},
    {"QPH300B", "QEV-30B", kDevicePhone},     {"QPH300", "QEV-300", kDevicePhone},
    {"QAT1050", "QEV-1050", kDeviceAdapter},  {"QAT1060", "QEV-1060", kDeviceAdapter},
    {"QAT1070", "QEV-1070", kDeviceAdapter},  {"QAT4000R", "QEV-4KR", kDeviceAdapter},
    {"QAT4000", "QEV-4000", kDeviceAdapter},  {"QGW5000", "QGW5", kDeviceAdapter},
    {"QGW6000S", "QGW-6", kDeviceAdapter},
};

ImageHeader HeaderWithTag(const char* tag) {
    ImageHeader header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(header.bytes, tag, std::strlen(tag));
    return header;
}

ProductIdentity Identify(const char* tag) { return IdentifyProduct(HeaderWithTag(tag)); }

TEST(ProductTable, KeepsTheShapeOfTheFamilyTable) {
    for (int row = 0; row < kProductTableSize; ++row) {
        SCOPED_TRACE(row + 1);
        const ProductEntry& entry = kProductTable[row];
        const WrittenOutRow& expected = kWrittenOutRows[row];
        EXPECT_STREQ(expected.tag, entry.tag);
        EXPECT_EQ(static_cast<int>(std::strlen(expected.tag)), entry.compareLength);
        EXPECT_STREQ(expected.name, entry.displayName);
        EXPECT_EQ(expected.deviceClass, entry.deviceClass);
    }
    // The prefix relations that make the order matter, and no others.
    auto isPrefix = [](const char* shorter, const char* longer) {
        for (; *shorter != 0; ++shorter, ++longer)
            if ((*shorter | 0x20) != (*longer | 0x20)) return false;
        return true;
    };
    for (int a = 0; a < kProductTableSize; ++a)
        for (int b = 0; b < kProductTableSize; ++b) {
            if (a == b) continue;
            bool expectedPrefix = (a == 7 && (b == 3 || b == 6)) || (a == 12 && b == 11);
            EXPECT_EQ(expectedPrefix, isPrefix(kProductTable[a].tag, kProductTable[b].tag)) << a + 1 << " " << b + 1;
        }
}

TEST(ProductTable, FirstMatchingRowInTableOrderWins) {
    ProductIdentity identity = Identify("QAT4000R");  // row 12, although row 13's tag matches too
    EXPECT_STREQ("QEV-4KR", identity.displayName);
    EXPECT_EQ(kDeviceAdapter, identity.deviceClass);

    identity = Identify("QPH300E");  // row 4, not row 8
    EXPECT_STREQ("QEV-300E Deluxe", identity.displayName);
    EXPECT_EQ(kDevicePhone, identity.deviceClass);

    identity = Identify("QPH300B");  // row 7, not row 8
    EXPECT_STREQ("QEV-30B", identity.displayName);

    identity = Identify("QPH300");
    EXPECT_STREQ("QEV-300", identity.displayName);
    EXPECT_EQ(kDevicePhone, identity.deviceClass);
}

TEST(ProductTable, IgnoresLetterCaseOnly) {
    EXPECT_STREQ("QEV-2020 Plus", Identify("qat2020").displayName);
    ProductIdentity identity = Identify("qPh2110");
    EXPECT_STREQ("QEV-211", identity.displayName);
    EXPECT_EQ(kDevicePhone, identity.deviceClass);
}

TEST(ProductTable, UnknownOrShortTagsFallBack) {
    for (const char* tag : {"", "ZZZ9999", "QAT104", "QPH30"}) {  // the last two end early at a NUL
        SCOPED_TRACE(tag);
        ProductIdentity identity = Identify(tag);
        EXPECT_STREQ("ODM-Product", identity.displayName);
        EXPECT_EQ(kDeviceAdapter, identity.deviceClass);
    }
    // Characters beyond the compare length do not matter.
    EXPECT_STREQ("QEV-1040", Identify("QAT1040-extra").displayName);
}

}  // namespace
