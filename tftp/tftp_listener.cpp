// The TFTP listener: the bind, and the waiting dialog's poll loop.
#include "tftp/tftp_listener.h"

#include "common/socket_address.h"
#include "common/trace.h"
#include "tftp/tftp_transport.h"

namespace {

void ShowWaitingDialog(TftpListener* listener, TransferView& view) {
    view.WaitingStarted();
    listener->waitingBarPosition = 0;
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
                               TftpRequest* request, std::uint32_t limitMs) {
    SetSocketNonBlocking(listener->socket);
    ShowWaitingDialog(listener, view);
    std::uint32_t start = TftpClock();
    std::uint32_t lastRedraw = start - kWaitingRedrawMs;  // the first redraw is due at once
    // A receive is tried only as the last wait says there may be something:
    // each look costs a call into the system, dear under Wine.
    bool receiveDue = true;
    unsigned burst = 0;  // datagrams taken back to back since the last look at the input and the clock
    for (;;) {
        if (receiveDue) {
            SocketAddress sender;
            int length = ReceiveTftpDatagram(listener->socket, listener->datagram, &sender);
            if (length < 0) {
                receiveDue = false;
            } else {
                // The name is compared with the published copy, always a whole name.
                const char* upgradeFileName = CurrentUpgradeFileName(handOver);
                ListenerDatagram kind =
                    ExamineListenerDatagram(listener->datagram, length, upgradeFileName, request->fileName);
                if (kind == kListenerRequestMatches || kind == kListenerRequestRefused) {
                    ReadSocketAddress(sender, &request->address, &request->port);
                    Trace("%s %s\n", upgradeFileName, request->fileName);
                    if (kind == kListenerRequestMatches) {
                        view.WaitingEnded();
                        return Outcome::Continue;
                    }
                    Trace("+++ Bad TFTP RRQ filename %s\n", request->fileName);
                } else {
                    TraceIgnored(kind);
                }
                // Datagrams back to back are read without waiting in between;
                // a flood of them still leaves room for the user's input and the bar.
                if (++burst < kDatagramsBetweenLooks) continue;
                burst = 0;
            }
        }

        // The bar moves a step a millisecond (as it moved one per idle poll
        // of 1 ms), shown at its redraw pace.
        std::uint32_t now = TftpClock();
        if (limitMs != 0 && now - start >= limitMs) {
            view.WaitingEnded();
            return Outcome::NoRequest;
        }
        std::uint32_t sinceRedraw = now - lastRedraw;
        if (sinceRedraw >= kWaitingRedrawMs) {
            listener->waitingBarPosition = (now - start) % kWaitingBarSteps;
            view.WaitingActivity(listener->waitingBarPosition);
            lastRedraw = now;
            sinceRedraw = 0;
        }
        // Sleeps until a datagram, the user's input or the next redraw; with
        // datagrams still waiting, it only looks at the input.
        std::uint32_t timeout = receiveDue ? 0 : kWaitingRedrawMs - sinceRedraw;
        if (limitMs != 0 && limitMs - (now - start) < timeout) timeout = limitMs - (now - start);
        int woken = WaitForTftpEvent(listener->socket, timeout);
        if ((woken & kWaitDatagram) != 0) receiveDue = true;
        if (((woken & kWaitInput) != 0 && !view.TakeTransferInput(true)) || ListenerStopRequested(handOver)) {
            view.WaitingEnded();
            return Outcome::UserAbort;
        }
    }
}
