// qev-tftp-serve: a development aid, not part of the product. Runs the real
// TFTP listener on the embedded target image with the real front end, as the
// upgrade does once the user has confirmed, for the tests with real TFTP
// clients and for the benchmark (bench/tftp_benchmark.sh):
//
//   qev-tftp-serve ADDRESS FILE_NAME
//
// It binds the first free UDP port from 69 on ADDRESS, prints "port N" on
// standard error when the listener is running (standard output belongs to
// the front end, whose lines would run into it), then sleeps like the main
// thread. The listener
// serves FILE_NAME, waits for the reboot, queries ADDRESS (the requester) for
// its status page and ends the process, as in a real upgrade.
#include <cstdio>

#include "common/text.h"
#include "common/upgrade_state.h"
#include "image/product_table.h"
#include "image/startup.h"
#include "platform/platform.h"
#include "platform/platform_ui.h"
#include "tftp/tftp_listener.h"
#include "ui/address_entry.h"
#include "ui/resource_ids.h"

namespace {
constexpr unsigned kIdleSleepMs = 10;
}  // namespace

int main(int argc, char** argv) {
    std::uint32_t address = 0;
    if (argc != 3 || ParseIPv4(argv[1], &address) != kIPv4Accepted || argv[2][0] == '\0') {
        std::fprintf(stderr, "usage: qev-tftp-serve ADDRESS FILE_NAME\n");
        return 2;
    }
    if (!StartSocketLibrary()) {
        std::fprintf(stderr, "qev-tftp-serve: no socket library\n");
        return 1;
    }
    g_upgrade.instance = nullptr;  // the program's own module
    g_upgrade.stageFlag.store(1);
    RegisterProgramWindowClass(g_upgrade.instance);
    RegisterCommonControls();
    g_upgrade.targetImage = LoadFirmwareImage(IDR_TARGET_FIRMWARE);
    IdentifyProduct(g_upgrade.targetImage.header);
    g_upgrade.chosenLocalAddress = address;
    g_upgrade.deviceAddress = address;
    CopyText(g_upgrade.deviceAddressText, sizeof g_upgrade.deviceAddressText, argv[1]);
    PublishUpgradeFileName(argv[2]);

    std::fprintf(stderr, "port %u\n", static_cast<unsigned>(StartTftpListener(address)));
    for (;;) SleepMilliseconds(kIdleSleepMs);
}
