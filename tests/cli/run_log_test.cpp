// The record's line for a run, member by member, written out here.
#include <gtest/gtest.h>

#include <cstring>

#include "cli/run_log.h"
#include "common/text.h"

namespace {

TEST(RunLog, LineOfAnUpgradeHoldsEveryMember) {
    RunRecord record;
    std::memset(&record, 0, sizeof record);
    record.deviceAddress = 0x7F000002;
    CopyText(record.deviceAddressText, sizeof record.deviceAddressText, "127.0.0.2");
    record.localAddress = 0x7F000001;
    record.deviceAnswered = true;
    CopyText(record.before.productName, kPageFieldSize, "QEV-1040");
    CopyText(record.before.macAddress, kPageFieldSize, "00:00:5E:00:53:10");
    CopyText(record.before.softwareVersion, kPageFieldSize, "2.9.1(QE)");
    CopyText(record.before.hardwareVersion, kPageFieldSize, "1.0.2");
    CopyText(record.before.serialNumber, kPageFieldSize, "QA10400012345");
    record.heardAfterReboot = true;
    CopyText(record.versionAfter, sizeof record.versionAfter, "3.1.24(QE)");
    CopyText(record.imageVersion, sizeof record.imageVersion, "3.1.24(QE)");
    record.imageSize = 774248;
    record.bytesAcknowledged = 774248;
    record.queryMs = 12;
    record.transferMs = 2345;
    record.rebootMs = 31000;
    JsonLine line;
    FormRunLine(record, Outcome::Upgraded, "2026-12-08T01:32:05Z", &line);
    EXPECT_STREQ(
        "{\"time\":\"2026-12-08T01:32:05Z\",\"device\":\"127.0.0.2\",\"local_address\":\"127.0.0.1\","
        "\"before\":{\"product_name\":\"QEV-1040\",\"mac_address\":\"00:00:5E:00:53:10\","
        "\"software_version\":\"2.9.1(QE)\",\"hardware_version\":\"1.0.2\",\"serial_number\":\"QA10400012345\"},"
        "\"version_after\":\"3.1.24(QE)\",\"image\":{\"version\":\"3.1.24(QE)\",\"size\":774248},"
        "\"bytes_sent\":774248,\"durations_ms\":{\"query\":12,\"transfer\":2345,\"reboot_wait\":31000},"
        "\"outcome\":\"upgraded\",\"exit_status\":0,\"text\":\"Upgraded\"}\n",
        line.Finish());
}

TEST(RunLog, RunEndedBeforeAnyDeviceHasNullsAndItsReason) {
    RunRecord record;
    std::memset(&record, 0, sizeof record);
    JsonLine line;
    FormRunLine(record, Outcome::Declined, "t", &line);
    std::string text = line.Finish();
    EXPECT_NE(std::string::npos, text.find("\"device\":null,\"local_address\":null,\"before\":null,"
                                           "\"version_after\":null"));
    EXPECT_NE(std::string::npos, text.find("\"outcome\":\"declined\",\"exit_status\":3"));
}

}  // namespace
