// The TFTP listener: the bind, the waiting dialog and its poll loop, and the
// hand-over from the transition stage to the target stage.
#include "tftp/tftp_listener.h"

#include <new>

#include "common/socket_address.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/upgrade_state.h"
#include "platform/platform_ui.h"
#include "tftp/tftp_session.h"
#include "tftp/tftp_transport.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

[[noreturn]] void FailListener(const char* message) {
    ShowUpgradeError(message, nullptr);
    EndProcess(0);
}

void ShowWaitingDialog(TftpListener* listener) {
    g_upgrade.waitingDialog = CreateModelessDialog(g_upgrade.instance, IDD_WAITING, ProgressDialogProc);
    ShowDialog(g_upgrade.waitingDialog);
    SetProgressRange(g_upgrade.waitingDialog, IDC_PROGRESS, kWaitingBarSteps);
    SetProgressPosition(g_upgrade.waitingDialog, IDC_PROGRESS, 0);
    // Set at every showing: the second one, of the two-stage configuration,
    // would otherwise show an empty text.
    SetControlText(g_upgrade.waitingDialog, IDC_WAITING_TEXT, kWaitingText);
    listener->waitingBarPosition = 0;
    listener->waitingBarRedraw = RedrawPace{false, 0};
}

void TraceIgnored(ListenerDatagram kind) {
    switch (kind) {
        case kListenerWriteRequest: Trace("TFTP Rx WRQ?\n"); break;
        case kListenerData: Trace("TFTP Rx Data?\n"); break;
        case kListenerAck: Trace("TFTP Rx ACK?\n"); break;
        case kListenerError: Trace("TFTP Rx Error?\n"); break;
        default: break;
    }
}

}  // namespace

std::uint16_t StartTftpListener(std::uint32_t localAddress) {
    TftpListener* listener = new (std::nothrow) TftpListener();  // zero-filled
    if (listener == nullptr) FailListener(kFailListenerMemory);
    SocketHandle socket = OpenUdpSocket();
    if (socket == kInvalidSocket) FailListener(kFailListenerSocket);

    // Bound before the thread starts: a request that comes early is queued.
    std::uint16_t port = 0;
    for (int attempt = 0; attempt < kTftpPortAttempts && port == 0; ++attempt) {
        SocketAddress address;
        std::uint16_t candidate = static_cast<std::uint16_t>(kTftpFirstPort + attempt);
        FillSocketAddress(localAddress, candidate, &address);
        if (BindSocket(socket, address)) port = candidate;
    }
    if (port == 0) FailListener(kFailListenerBind);

    listener->localAddress = localAddress;
    listener->port = port;
    listener->socket = socket;
    ThreadHandle thread = StartThread(TftpListenerThread, listener);
    // Without the thread nothing would ever answer the device.
    if (thread == nullptr) FailListener(kFailListenerThread);
    DetachThread(thread);
    return port;
}

void WaitForMatchingRequest(TftpListener* listener, TftpRequest* request) {
    SetSocketNonBlocking(listener->socket);
    ShowWaitingDialog(listener);
    // A receive is tried, and the dialog pumped, only as the last wait says
    // there may be something: each look costs a call into the system, which
    // a thousand idle polls a second make dear under Wine.
    bool receiveDue = true;
    for (;;) {
        SocketAddress sender;
        int length = receiveDue ? ReceiveTftpDatagram(listener->socket, listener->datagram, &sender) : -1;
        if (length < 0) {
            // An idle poll (a receive error counts as one): the bar moves a step.
            int woken = WaitForTftpIdlePoll(listener->socket);
            receiveDue = (woken & kWaitDatagram) != 0;
            listener->waitingBarPosition = (listener->waitingBarPosition + 1) % kWaitingBarSteps;
            if (RedrawDue(&listener->waitingBarRedraw, TftpClock())) {
                SetProgressPosition(g_upgrade.waitingDialog, IDC_PROGRESS, listener->waitingBarPosition);
            }
            if (woken & kWaitInput) PumpAllMessages(g_upgrade.waitingDialog);  // Cancel ends the process here
            continue;
        }

        // Datagrams back to back are read without waiting in between. The
        // name is compared with the published copy, always a whole name.
        const char* upgradeFileName = CurrentUpgradeFileName();
        ListenerDatagram kind = ExamineListenerDatagram(listener->datagram, length, upgradeFileName, request->fileName);
        if (kind != kListenerRequestMatches && kind != kListenerRequestRefused) {
            TraceIgnored(kind);
            continue;
        }
        ReadSocketAddress(sender, &request->address, &request->port);
        Trace("%s %s\n", upgradeFileName, request->fileName);
        if (kind == kListenerRequestRefused) {
            Trace("+++ Bad TFTP RRQ filename %s\n", request->fileName);
            continue;
        }
        DestroyDialog(g_upgrade.waitingDialog);
        return;
    }
}

int TftpListenerThread(void* argument) {
    TftpListener* listener = static_cast<TftpListener*>(argument);
    for (;;) {
        TftpRequest request;
        WaitForMatchingRequest(listener, &request);
        // Whoever sent the right name is served, and queried afterwards.
        RunTftpSession(listener->socket, listener->localAddress, listener->port, request.address, request.port,
                       request.fileName);
        if (g_upgrade.stageFlag.load() != 0) {
            CloseSocket(listener->socket);
            EndProcess(0);
        }
        // The transition image has been served: the target image is next.
        // The main thread sees the flag and publishes the new name.
        g_upgrade.stageFlag.store(1);
    }
}
