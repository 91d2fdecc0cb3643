// What the front ends read of a run: the exit status of each kind of end,
// and how the local address fits the device's subnet (judged on POSIX from
// the loopback interface, 127.0.0.1/8, which every test machine has up;
// never judged on Windows).
#include <gtest/gtest.h>

#include "app/exit_status.h"
#include "app/network_fit.h"

namespace {

TEST(ExitStatus, EachKindOfEndHasItsOwn) {
    EXPECT_EQ(0, ExitStatus(Outcome::Upgraded));
    EXPECT_EQ(3, ExitStatus(Outcome::UserAbort));
    EXPECT_EQ(3, ExitStatus(Outcome::Declined));
    EXPECT_EQ(4, ExitStatus(Outcome::NotVerified));
    for (Outcome failed : {Outcome::NoResponse, Outcome::UploadIncomplete, Outcome::NoRequest,
                           Outcome::VersionMismatch, Outcome::ListenerBind, Outcome::PasswordMissing,
                           Outcome::PasswordRefused, Outcome::NoFrontEnd})
        EXPECT_EQ(1, ExitStatus(failed)) << OutcomeName(failed);
}

#if defined(_WIN32)

TEST(NetworkFit, WindowsDoesNotJudge) { EXPECT_EQ(SubnetFit::Unknown, JudgeNetworkFit(0x7F000001, 0xC0000237).fit); }

#else

TEST(NetworkFit, DeviceOnTheLoopbackSubnetFits) {
    NetworkFit fit = JudgeNetworkFit(0x7F000001, 0x7F000009);
    EXPECT_EQ(SubnetFit::Same, fit.fit);
    EXPECT_EQ(0xFF000000u, fit.mask);
}

TEST(NetworkFit, DeviceOutsideTheLocalAddressesSubnetDoesNot) {
    EXPECT_EQ(SubnetFit::Different, JudgeNetworkFit(0x7F000001, 0xC0000237).fit);
}

TEST(NetworkFit, AddressThatIsNoneOfThisPCsIsNotJudged) {
    EXPECT_EQ(SubnetFit::Unknown, JudgeNetworkFit(0xC00002C8, 0xC0000237).fit);  // 192.0.2.200
}

#endif

TEST(NetworkFit, WarningNamesBothAddressesAndTheMask) {
    char text[kSubnetWarningSize];
    FormatSubnetWarning(text, sizeof text, 0xC0000201, 0xFFFFFF00, 0x0A01000D);
    EXPECT_STREQ("Warning: this PC's address 192.0.2.1 (mask 255.255.255.0) is not on the subnet of the device at "
                 "10.1.0.13: the device may not reach it to fetch the firmware; choose an address of this PC on "
                 "the device's subnet.",
                 text);
}

}  // namespace
