// The TFTP listener: the bind, and the waiting dialog's poll loop.
#include "tftp/tftp_listener.h"

#include "common/socket_address.h"
#include "common/trace.h"
#include "tftp/tftp_transport.h"

namespace {

void ShowWaitingDialog(TftpListener* listener, TransferView& view) {
    view.WaitingStarted();
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

Outcome OpenTftpListener(std::uint32_t localAddress, TftpListener* listener) {
    SocketHandle socket = OpenUdpSocket();
    if (socket == kInvalidSocket) return Outcome::ListenerSocket;

    std::uint16_t port = 0;
    for (int attempt = 0; attempt < kTftpPortAttempts && port == 0; ++attempt) {
        SocketAddress address;
        std::uint16_t candidate = static_cast<std::uint16_t>(kTftpFirstPort + attempt);
        FillSocketAddress(localAddress, candidate, &address);
        if (BindSocket(socket, address)) port = candidate;
    }
    if (port == 0) {
        CloseSocket(socket);
        return Outcome::ListenerBind;
    }
    listener->localAddress = localAddress;
    listener->port = port;
    listener->socket = socket;
    return Outcome::Continue;
}

void CloseTftpListener(TftpListener* listener) {
    if (listener->socket == kInvalidSocket) return;
    CloseSocket(listener->socket);
    listener->socket = kInvalidSocket;
}

Outcome WaitForMatchingRequest(TftpListener* listener, const StageHandOver& handOver, TransferView& view,
                               TftpRequest* request) {
    SetSocketNonBlocking(listener->socket);
    ShowWaitingDialog(listener, view);
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
            if (RedrawDue(&listener->waitingBarRedraw, TftpClock())) view.WaitingActivity(listener->waitingBarPosition);
            if (((woken & kWaitInput) != 0 && !view.TakeTransferInput(true)) || ListenerStopRequested(handOver)) {
                view.WaitingEnded();
                return Outcome::UserAbort;
            }
            continue;
        }

        // Datagrams back to back are read without waiting in between. The
        // name is compared with the published copy, always a whole name.
        const char* upgradeFileName = CurrentUpgradeFileName(handOver);
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
        view.WaitingEnded();
        return Outcome::Continue;
    }
}
