// The firmware images embedded by the two-stage configuration.
#include <gtest/gtest.h>

#include <cstring>

#include "image/product_table.h"
#include "image/firmware_image.h"

namespace {

TEST(FirmwareImage, TargetImageIsTheGeneratedSample) {
    FirmwareImage image = LoadFirmwareImage(kTargetFirmwareResource);
    ASSERT_NE(nullptr, image.location);
    EXPECT_EQ(774248u, image.size);
    EXPECT_EQ(0, std::memcmp(image.header.bytes, image.location, kImageHeaderSize));
    char version[kVersionTextSize];
    CopyHeaderVersion(version, image.header);
    EXPECT_STREQ("3.1.24(QE)", version);
    EXPECT_STREQ("QEV-1040", IdentifyProduct(image.header).displayName);
}

TEST(FirmwareImage, TransitionImageIsTheSecondResource) {
    FirmwareImage image = LoadFirmwareImage(kTransitionFirmwareResource);
    ASSERT_NE(nullptr, image.location);
    EXPECT_EQ(301113u, image.size);
    char version[kVersionTextSize];
    CopyHeaderVersion(version, image.header);
    EXPECT_STREQ("2.5.0(QT)", version);
}

TEST(FirmwareImage, MissingResourceGivesAnEmptyRecord) {
    FirmwareImage image = LoadFirmwareImage(999);
    EXPECT_EQ(nullptr, image.location);
    EXPECT_EQ(0u, image.size);
    for (unsigned char byte : image.header.bytes) ASSERT_EQ(0, byte);
}

}  // namespace
