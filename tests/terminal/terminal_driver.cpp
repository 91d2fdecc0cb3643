// qev-terminal-driver: drives the terminal front end through what the
// gallery cannot show, two modeless dialogs owned by two threads, the way
// the upgrade has them: the waiting dialog of the TFTP listener thread and
// the connecting dialog of the main thread's upgrade command, both pumped
// by their own thread with the real dialog procedures.
//
//   qev-terminal-driver DIRECTORY [stall]
//
// Each dialog closes when the file close-waiting or close-connecting
// appears in DIRECTORY and then writes waiting-closed or connecting-closed
// there; the process ends when the file end appears. Cancel in either
// dialog takes the real abort path. With "stall" the main thread shows the
// connecting dialog and then never pumps it again, as a program that hangs.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "app/failure_texts.h"
#include "platform/platform.h"
#include "platform/platform_ui.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

std::string g_directory;
const char kDeviceAddressText[] = "192.0.2.55";
// Set once the listener thread's dialog is on the screen.
std::atomic<bool> g_waitingShown{false};

// Cancel in a dialog ends the process as it ends the upgrade.
void EndIfCancelled(const ProgressDialogData& data) {
    if (!data.cancelled) return;
    ShowUpgradeError(kFailUserAbort, nullptr);
    EndProcess(0);
}

bool Exists(const char* name) { return ::access((g_directory + "/" + name).c_str(), F_OK) == 0; }

void Mark(const char* name) {
    std::FILE* file = std::fopen((g_directory + "/" + name).c_str(), "w");
    if (file != nullptr) std::fclose(file);
}

// The listener thread's part: the waiting dialog with its bar cycling one
// step per idle poll, as the listener moves it.
int WaitingThread(void*) {
    ProgressDialogData data = {kDeviceAddressText, false};
    WindowHandle dialog = CreateModelessDialog(nullptr, IDD_WAITING, ProgressDialogProc, &data);
    ShowDialog(dialog);
    SetProgressRange(dialog, IDC_PROGRESS, 1000);
    SetProgressPosition(dialog, IDC_PROGRESS, 0);
    SetControlText(dialog, IDC_WAITING_TEXT, kWaitingText);
    g_waitingShown.store(true);
    unsigned position = 0;
    while (!Exists("close-waiting")) {
        position = (position + 1) % 1000;
        SetProgressPosition(dialog, IDC_PROGRESS, position);
        PumpAllMessages(dialog);
        EndIfCancelled(data);
        SleepMilliseconds(1);
    }
    DestroyDialog(dialog);
    Mark("waiting-closed");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool stall = argc == 3 && std::string(argv[2]) == "stall";
    if (argc != 2 && !stall) {
        std::fputs("usage: qev-terminal-driver DIRECTORY [stall]\n", stderr);
        EndProcess(2);
    }
    g_directory = argv[1];
    RegisterProgramWindowClass(nullptr);
    ProgressDialogData data = {kDeviceAddressText, false};
    if (stall) {
        ShowDialog(CreateModelessDialog(nullptr, IDD_CONNECTING, ConnectingDialogProc, &data));
        for (;;) SleepMilliseconds(1000);
    }

    ThreadHandle listener = StartThread(WaitingThread, nullptr);
    // The upgrade command's query starts once the listener's dialog is up:
    // its own dialog is on top.
    while (!g_waitingShown.load()) SleepMilliseconds(1);
    WindowHandle dialog = CreateModelessDialog(nullptr, IDD_CONNECTING, ConnectingDialogProc, &data);
    ShowDialog(dialog);
    unsigned polls = 0, position = 0;
    while (!Exists("close-connecting")) {
        PumpOneMessage(dialog);
        EndIfCancelled(data);
        SleepMilliseconds(1);
        if (++polls == 10) {
            SetProgressPosition(dialog, IDC_PROGRESS, position);
            position = position == 100 ? 0 : position + 1;
            polls = 0;
        }
    }
    DestroyDialog(dialog);
    Mark("connecting-closed");
    int result = 0;
    while (!ThreadHasEnded(listener, &result)) SleepMilliseconds(5);
    ReleaseThread(listener);
    while (!Exists("end")) SleepMilliseconds(5);
    EndProcess(0);
}
