// Product identification from the image header's tag.
#include <gtest/gtest.h>

#include <cstring>

#include "image/product_table.h"

namespace {

ImageHeader HeaderWithTag(const char* tag) {
    ImageHeader header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(header.bytes, tag, std::strlen(tag));
    return header;
}

void Identify(const char* tag) {
    std::memset(g_upgrade.displayName, 'x', sizeof g_upgrade.displayName);
    g_upgrade.deviceClass = 7;
    IdentifyProduct(HeaderWithTag(tag));
}

TEST(ProductTable, KeepsTheShapeOfTheFamilyTable) {
    // compare length, display name length, class, row by row
    const int expected[kProductTableSize][3] = {{7, 8, 0},  {7, 13, 0}, {7, 8, 0},  {7, 15, 1}, {7, 7, 1},
                                                {7, 14, 1}, {7, 7, 1},  {6, 7, 1},  {7, 8, 0},  {7, 8, 0},
                                                {7, 8, 0},  {8, 7, 0},  {7, 8, 0},  {7, 4, 0},  {8, 5, 0}};
    for (int row = 0; row < kProductTableSize; ++row) {
        SCOPED_TRACE(row + 1);
        const ProductEntry& entry = kProductTable[row];
        EXPECT_EQ(static_cast<int>(std::strlen(entry.tag)), entry.compareLength);
        EXPECT_EQ(expected[row][0], entry.compareLength);
        EXPECT_EQ(expected[row][1], static_cast<int>(std::strlen(entry.displayName)));
        EXPECT_EQ(expected[row][2], entry.deviceClass);
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
    Identify(kProductTable[11].tag);  // row 12, although row 13's tag matches too
    EXPECT_STREQ(kProductTable[11].displayName, g_upgrade.displayName);
    EXPECT_EQ(kDeviceAdapter, g_upgrade.deviceClass);

    Identify(kProductTable[3].tag);  // row 4, not row 8
    EXPECT_STREQ(kProductTable[3].displayName, g_upgrade.displayName);
    EXPECT_EQ(kDevicePhone, g_upgrade.deviceClass);

    Identify(kProductTable[6].tag);  // row 7, not row 8
    EXPECT_STREQ(kProductTable[6].displayName, g_upgrade.displayName);

    Identify(kProductTable[7].tag);
    EXPECT_STREQ(kProductTable[7].displayName, g_upgrade.displayName);
    EXPECT_EQ(kDevicePhone, g_upgrade.deviceClass);
}

TEST(ProductTable, IgnoresLetterCaseOnly) {
    Identify("qat2020");
    EXPECT_STREQ(kProductTable[1].displayName, g_upgrade.displayName);
    Identify("qPh2110");
    EXPECT_STREQ(kProductTable[4].displayName, g_upgrade.displayName);
    EXPECT_EQ(kDevicePhone, g_upgrade.deviceClass);
}

TEST(ProductTable, UnknownOrShortTagsFallBack) {
    for (const char* tag : {"", "ZZZ9999", "QAT104", "QPH30"}) {  // the last two end early at a NUL
        SCOPED_TRACE(tag);
        Identify(tag);
        EXPECT_STREQ("ODM-Product", g_upgrade.displayName);
        EXPECT_EQ(kDeviceAdapter, g_upgrade.deviceClass);
    }
    // Characters beyond the compare length do not matter.
    Identify("QAT1040-extra");
    EXPECT_STREQ(kProductTable[0].displayName, g_upgrade.displayName);
}

}  // namespace
