// qev-tftp-serve: a development aid, not part of the product. Runs the real
// TFTP listener on the embedded target image with the real front end, as the
// upgrade does once the user has confirmed, for the tests with real TFTP
// clients and for the benchmark (bench/tftp_benchmark.sh):
//
//   qev-tftp-serve ADDRESS FILE_NAME
//
// It binds the first free UDP port from 69 on ADDRESS, prints "port N" on
// standard error when the listener is running (standard output belongs to
// the front end, whose lines would run into it), then waits like the main
// thread. The listener serves FILE_NAME, waits for the reboot, queries the
// requester for its status page and ends, as in a real upgrade.
#include <cstdio>
#include <cstring>

#include "app/failure_texts.h"
#include "app/listener_thread.h"
#include "common/text.h"
#include "http/device_session.h"
#include "image/startup.h"
#include "platform/platform.h"
#include "ui/address_entry.h"
#include "ui/dialog_view.h"

int main(int argc, char** argv) {
    std::uint32_t address = 0;
    if (argc != 3 || ParseIPv4(argv[1], &address) != kIPv4Accepted || argv[2][0] == '\0') {
        std::fprintf(stderr, "usage: qev-tftp-serve ADDRESS FILE_NAME\n");
        return 2;
    }
    static DialogView view(nullptr);  // the program's own module
    static StartupFacts facts;
    if (!view.Open() || InitializeUpgrade(nullptr, &facts) != Outcome::Continue) {
        std::fprintf(stderr, "qev-tftp-serve: no front end or no socket library\n");
        return 1;
    }
    static ViewFacts shown;
    CopyText(shown.displayName, sizeof shown.displayName, facts.product.displayName);
    shown.deviceClass = facts.product.deviceClass;
    CopyHeaderVersion(shown.targetVersion, facts.targetImage.header);
    CopyText(shown.deviceAddressText, sizeof shown.deviceAddressText, argv[1]);
    view.Describe(shown);

    static StageHandOver handOver;
    handOver.stageFlag.store(1);
    PublishUpgradeFileName(&handOver, argv[2]);
    static DeviceSession session;
    static ListenerRun run;
    run.handOver = &handOver;
    run.session = &session;
    run.facts = &facts;
    run.view = &view;
    std::uint16_t port = 0;
    Outcome started = StartListener(&run, address, &port);
    if (started != Outcome::Continue) {
        std::fprintf(stderr, "qev-tftp-serve: the listener did not start\n");
        return 1;
    }
    std::fprintf(stderr, "port %u\n", static_cast<unsigned>(port));
    ReportOutcome(view, FinishListener(&run));
    EndProcess(0);
}
