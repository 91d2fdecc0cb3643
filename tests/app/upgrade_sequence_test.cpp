// The pieces of the upgrade sequence that are pure: version numbers for the
// stage decision and the upgrade command path.
#include <gtest/gtest.h>

#include "app/upgrade_command.h"
#include "app/version_number.h"

namespace {

TEST(VersionNumber, ReadsUpToThreeNumbersAsStrtoulDoes) {
    const struct {
        const char* text;
        std::int32_t number;
    } cases[] = {
        {"1.4.9", 10409}, {"1.4.9(XY)", 10409}, {"1.4", 104}, {"1.4.9.7", 10409}, {"R1.4", 104},
        {"1.010.2", 10802}, {"0x1A.2", 2602}, {" 3.1.24(QE)", 30124}, {"", 0},
        // "0" then "x" skipped; "." reads nothing and is skipped: 0, 0, 5
        {"0x.5", 5},
        // a minus sign negates modulo 2^32: 200 + 4294967295 wraps to 199
        {"2.-1", 199},
        // an overflow reads as 4294967295: times 100 plus 1 wraps to -99
        {"99999999999.1", -99},
    };
    for (const auto& c : cases) EXPECT_EQ(c.number, ParseVersionNumber(c.text)) << c.text;
}

TEST(VersionNumber, StageDecisionFollowsTheMarkAndTheNumber) {
    EXPECT_FALSE(DeviceSkipsTransitionStage("9.9.9(NT)", "2.5.0(QT)"));  // marked: transition first
    EXPECT_TRUE(DeviceSkipsTransitionStage("2.5.0(QE)", "2.5.0(QT)"));   // equal number skips it
    EXPECT_FALSE(DeviceSkipsTransitionStage("2.4.99", "2.5.0(QT)"));
    EXPECT_FALSE(DeviceSkipsTransitionStage("", "2.5.0(QT)"));           // nothing reported
}

TEST(UpgradeCommand, PathCarriesAddressPortAndName) {
    char path[kUpgradeCommandPathSize];
    FormUpgradeCommandPath(path, sizeof path, 0x0A010203, 70, "/qev1a2b.bi1");
    EXPECT_STREQ("/admin/upgrade?tftp://10.1.2.3:70/qev1a2b.bi1", path);
    FormUpgradeCommandPath(path, sizeof path, 0xFFFFFFFF, 65535, "/qevffff.bi1");
    EXPECT_STREQ("/admin/upgrade?tftp://255.255.255.255:65535/qevffff.bi1", path);  // the longest: 55
}

}  // namespace
