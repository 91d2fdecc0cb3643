// The hints after a run, one test per kind: each must name what the record
// says happened and what to check.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cli/hints.h"
#include "common/text.h"

namespace {

class Hints : public ::testing::Test {
protected:
    Hints() {
        std::memset(&record_, 0, sizeof record_);
        record_.deviceAddress = 0xC0000237;
        CopyText(record_.deviceAddressText, sizeof record_.deviceAddressText, "192.0.2.55");
        record_.localAddress = 0xC0000201;
        record_.fit = NetworkFit{SubnetFit::Same, 0xFFFFFF00};
        record_.listenerPort = 69;
        CopyText(record_.imageVersion, sizeof record_.imageVersion, "3.1.24(QE)");
        record_.imageSize = 774248;
        record_.blockCount = 1513;
    }

    // The one hint of the outcome: its kind, then its text.
    std::string Only(Outcome outcome) {
        Hint hints[kMaxHints];
        int count = FormHints(record_, outcome, hints);
        if (count != 1) return "hints: " + std::to_string(count);
        return std::string(hints[0].kind) + ": " + hints[0].text;
    }

    RunRecord record_;
};

TEST_F(Hints, RefusedConnectionSaysNothingListens) {
    record_.connectFailure = ConnectFailure::Refused;
    EXPECT_EQ("no_response: 192.0.2.55 refused the connection to its port 80: nothing listens there. Check that "
              "192.0.2.55 is the device's address and that the device has finished starting.",
              Only(Outcome::NoResponse));
}

TEST_F(Hints, TimedOutConnectionSaysNothingAnswered) {
    record_.connectFailure = ConnectFailure::TimedOut;
    EXPECT_NE(std::string::npos, Only(Outcome::NoResponse).find("The connection to 192.0.2.55 port 80 timed out"));
}

TEST_F(Hints, NoRouteNamesThisPCsAddressAndItsSettings) {
    record_.connectFailure = ConnectFailure::Unreachable;
    EXPECT_EQ("no_response: There is no route from this PC (192.0.2.1) to 192.0.2.55. Check the address, and this "
              "PC's network settings: its address, mask and gateway.",
              Only(Outcome::NoResponse));
}

TEST_F(Hints, DeviceThatNeverAskedIsToldTheAddressThePortTheSubnetAndTheFirewall) {
    record_.fit = NetworkFit{SubnetFit::Different, 0xFFFFFF00};
    record_.commandSent = true;
    EXPECT_EQ("never_asked: 192.0.2.55 was told to fetch the firmware by TFTP from 192.0.2.1, UDP port 69, and "
              "never asked for it. 192.0.2.1 is NOT on the device's subnet (mask 255.255.255.0): choose an "
              "address of this PC on it. A firewall on this PC must let UDP to port 69 through. A device fetches "
              "only when it is idle: hang up its phones.",
              Only(Outcome::NoRequest));
}

TEST_F(Hints, CancelWhileWaitingForTheRequestGetsTheSameHint) {
    record_.commandSent = true;
    EXPECT_EQ(0u, Only(Outcome::UserAbort).find("never_asked: "));
    record_.requestReceived = true;  // cancelled during the upload: nothing to explain
    EXPECT_EQ("hints: 0", Only(Outcome::UserAbort));
}

TEST_F(Hints, StoppedTransferNamesTheBlockAndTheBytes) {
    record_.requestReceived = true;
    record_.blocksAcknowledged = 49;
    record_.bytesAcknowledged = 49 * 512;
    EXPECT_EQ("transfer_stopped: The transfer stopped at block 50 of 1513 (25088 of 774248 bytes acknowledged): "
              "192.0.2.55 stopped acknowledging. Check the network between this PC and the device, then upgrade "
              "again.",
              Only(Outcome::UploadIncomplete));
}

TEST_F(Hints, DeviceNotHeardFromMayStillBeUpgradedAndShowsItsVersionOnItsPage) {
    EXPECT_EQ("not_verified: 192.0.2.55 was not heard from after its reboot: the upgrade may still have worked. "
              "Once the device is back, its status page shows its version (Software Version): "
              "http://192.0.2.55/admin/advanced",
              Only(Outcome::NotVerified));
}

TEST_F(Hints, EndsThatExplainThemselvesHaveNone) {
    for (Outcome outcome : {Outcome::Upgraded, Outcome::Declined, Outcome::ListenerBind})
        EXPECT_EQ("hints: 0", Only(outcome));
}

}  // namespace
