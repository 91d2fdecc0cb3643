// The pieces of the upgrade sequence that are pure: version numbers for the
// stage decision, the upgrade command path and file name, and the failure
// messages.
#include <gtest/gtest.h>

#include "app/failure_texts.h"
#include "app/upgrade_command.h"
#include "app/version_number.h"
#include "platform/platform.h"

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

// The draw's low 16 bits in lowercase hexadecimal without leading zeros, then the stage digit.
TEST(UpgradeFileName, IsTheDrawInHexAndTheStage) {
    StageHandOver handOver;
    ScriptRandomDraws({0x0, 0xa0, 0x7fff, 0x3abcdef});
    const char* const expected[] = {"/qev0.bi1", "/qeva0.bi0", "/qev7fff.bi1", "/qevcdef.bi0"};
    for (int i = 0; i < 4; ++i) {
        MakeUpgradeFileName(&handOver, i % 2 == 0 ? 1 : 0);
        EXPECT_STREQ(expected[i], CurrentUpgradeFileName(handOver));
    }
}

// Every failure message as the user reads it, from one table; the
// outcomes that end the run without a word have none.
TEST(FailureTexts, AreTheMessagesAsWritten) {
    const struct {
        Outcome outcome;
        const char* text;
    } texts[] = {
        {Outcome::SocketLibrary, "Upgrade Failed: Winsock init error"},
        {Outcome::HttpSocketOpen, "Upgrade Failed: Can't open HTTP socket"},
        {Outcome::HttpSocketBind, "Upgrade Failed: Can't bind HTTP socket"},
        {Outcome::NoResponse, "Upgrade Failed: No Response From QEV"},
        {Outcome::UserAbort, "Upgrade Failed: User Abort"},
        {Outcome::ListenerMemory, "Upgrade Failed: Can't malloc for TFTP listener"},
        {Outcome::ListenerSocket, "Upgrade Failed: Can't create TFTP listener socket"},
        {Outcome::ListenerBind, "Upgrade Failed: Can't bind TFTP listener socket"},
        {Outcome::SessionMemory, "Upgrade Failed: Can't malloc for TFTP session"},
        {Outcome::UploadIncomplete, "Upgrade Failed: Firmware Upload Incomplete"},
        {Outcome::VersionMismatch, "Upgrade Failed: Version not matching"},
        {Outcome::HttpThread, "Upgrade Failed: Can't start HTTP thread"},
        {Outcome::ListenerThread, "Upgrade Failed: Can't start TFTP listener thread"},
        {Outcome::NoRequest, "Upgrade Failed: Firmware Upload Incomplete"},
        {Outcome::PasswordMissing, "Upgrade Failed: The QEV asks for a password, and none was given"},
        {Outcome::PasswordRefused, "Upgrade Failed: The QEV refused the password"},
    };
    for (const auto& text : texts) EXPECT_STREQ(text.text, FailureText(text.outcome));
    for (Outcome silent : {Outcome::Continue, Outcome::Upgraded, Outcome::Declined, Outcome::NoFrontEnd,
                           Outcome::NotVerified})
        EXPECT_EQ(nullptr, FailureText(silent));
}

}  // namespace
