// The firmware images embedded by the two-stage configuration.
#include <gtest/gtest.h>

#include <cstring>

#include "image/product_table.h"
#include "image/startup.h"
#include "ui/resource_ids.h"

namespace {

TEST(FirmwareImage, TargetImageIsTheGeneratedSample) {
    FirmwareImage image = LoadFirmwareImage(IDR_TARGET_FIRMWARE);
    ASSERT_NE(nullptr, image.location);
    EXPECT_EQ(774248u, image.size);
    EXPECT_EQ(0, std::memcmp(image.header.bytes, image.location, kImageHeaderSize));
    EXPECT_STREQ("3.1.24(QE)", HeaderVersionText(image.header));
    IdentifyProduct(image.header);
    EXPECT_STREQ("QEV-1040", g_upgrade.displayName);
}

TEST(FirmwareImage, TransitionImageIsTheSecondResource) {
    FirmwareImage image = LoadFirmwareImage(IDR_TRANSITION_FIRMWARE);
    ASSERT_NE(nullptr, image.location);
    EXPECT_EQ(301113u, image.size);
    EXPECT_STREQ("2.5.0(QT)", HeaderVersionText(image.header));
}

TEST(FirmwareImage, MissingResourceGivesAnEmptyRecord) {
    FirmwareImage image = LoadFirmwareImage(999);
    EXPECT_EQ(nullptr, image.location);
    EXPECT_EQ(0u, image.size);
    for (unsigned char byte : image.header.bytes) ASSERT_EQ(0, byte);
}

}  // namespace
