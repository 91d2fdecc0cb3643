// The transfer of one TFTP session: option acknowledgement, DATA blocks built
// straight from the image, ACKs matched against the expected block only,
// retransmission of the outstanding packet, and the upload dialog's progress.
#include "tftp/tftp_session.h"

#include <cstring>
#include <new>

#include "common/text.h"
#include "common/trace.h"
#include "tftp/reboot_wait.h"
#include "tftp/redraw_pace.h"
#include "tftp/retransmission.h"
#include "tftp/tftp_transport.h"

namespace {

void ShowUploadProgress(const TftpSession& session, bool targetStage, TransferView& view) {
    view.UploadProgress(targetStage, session.nextBlock, session.bytesAcknowledged, session.imageSize);
}

// Serves the image: Continue when every block was acknowledged,
// UploadIncomplete after kTftpMaxIntervals intervals without the expected
// ACK (tftp/retransmission.h), UserAbort when the user cancelled.
Outcome TransferImage(TftpSession* session, const std::uint8_t* image, bool targetStage, TransferView& view,
                      const StageHandOver& handOver) {
    view.UploadStarted(targetStage, session->blockCount);
    SetSocketNonBlocking(session->socket);  // it already is, from the listener

    SocketAddress peer;
    FillSocketAddress(session->peerAddress, session->peerPort, &peer);
    SendTftpOptionAck(session->socket, session->packet, peer, session->imageSize);
    TftpRetransmission timer = {0, 0};
    NoteSending(&timer, TftpClock());
    RedrawPace redraw = {false, 0};
    const std::uint8_t* data = image;  // where the outstanding block begins
    // A receive is tried only where it may find something: not straight
    // after a send (the answer cannot be there yet; if it is, the wait ends
    // at once), and as the last wait says. Each look costs a call into the
    // system, dear under Wine.
    bool receiveDue = false;
    unsigned burst = 0;  // datagrams taken back to back since the last look at the input and the clock

    for (;;) {
        if (receiveDue) {
            SocketAddress sender;
            int length = ReceiveTftpDatagram(session->socket, session->packet, &sender);
            if (length < 0) {
                receiveDue = false;
            } else {
                switch (ExamineSessionDatagram(session->packet, length, sender, peer, session->nextBlock)) {
                    case kSessionOtherSource: {
                        std::uint32_t address = 0;
                        std::uint16_t port = 0;
                        ReadSocketAddress(sender, &address, &port);
                        Trace("Unknown source request in session: %x:%u", address, port);
                        break;
                    }
                    case kSessionNotAck:
                    case kSessionOtherAck:  // a duplicate or stray ACK: no retransmission
                        break;
                    case kSessionExpectedAck: {
                        ++session->nextBlock;
                        session->bytesAcknowledged += session->sentLength;
                        bool allAcknowledged = session->nextBlock > session->blockCount;
                        if (RedrawDue(&redraw, TftpClock()) || allAcknowledged)
                            ShowUploadProgress(*session, targetStage, view);
                        if (allAcknowledged) {
                            Trace("All blocks ack'd\n");
                            return Outcome::Continue;
                        }
                        int dataLength = session->nextBlock == session->blockCount
                                             ? static_cast<int>(session->lastBlockLength)
                                             : kTftpBlockSize;
                        data = image + static_cast<std::size_t>(session->nextBlock - 1) * kTftpBlockSize;
                        session->sentLength = static_cast<std::uint32_t>(dataLength);
                        SendTftpData(session->socket, session->packet, data, dataLength, session->nextBlock, peer);
                        Trace("Send block %d (%d)\n", static_cast<int>(session->nextBlock), dataLength);
                        timer = TftpRetransmission{0, 0};
                        NoteSending(&timer, TftpClock());
                        receiveDue = false;
                        break;
                    }
                }
                // Datagrams back to back are taken without waiting in
                // between; a flood of them still leaves room to look at the
                // user's input and the clock.
                if (receiveDue && ++burst < kDatagramsBetweenLooks) continue;
                burst = 0;
            }
        }

        std::uint32_t left = IntervalLeftMs(timer, TftpClock());
        if (left == 0) {
            if (timer.sends >= kTftpMaxIntervals) {
                Trace("Timeout for ack; upgrade failed\n");
                return Outcome::UploadIncomplete;
            }
            if (session->nextBlock == 0) {
                Trace("ReSend option ack\n");
                SendTftpOptionAck(session->socket, session->packet, peer, session->imageSize);
            } else {
                // Rebuilt from the image: the packet buffer has received datagrams since.
                Trace("ReSend block %d\n", static_cast<int>(session->nextBlock));
                SendTftpData(session->socket, session->packet, data, static_cast<int>(session->sentLength),
                             session->nextBlock, peer);
            }
            NoteSending(&timer, TftpClock());
            continue;
        }

        // Sleeps until a datagram, the user's input or the retransmission is
        // due; with datagrams still waiting, it only looks at the input.
        unsigned timeout = receiveDue ? 0 : left;
        int woken = WaitForTftpEvent(session->socket, timeout);
        if ((woken & kWaitDatagram) != 0) receiveDue = true;
        // Input that came is taken whole; a wait that ran out takes one
        // message an earlier pump left.
        if ((woken & kWaitInput) != 0 || (woken == 0 && timeout > 0)) {
            if (!view.TakeTransferInput((woken & kWaitInput) != 0)) return Outcome::UserAbort;
        }
        if (ListenerStopRequested(handOver)) return Outcome::UserAbort;
    }
}

}  // namespace

void SendTftpOptionAck(SocketHandle socket, TftpPacket packet, const SocketAddress& peer, std::uint32_t imageSize) {
    int length = BuildTftpOptionAck(packet, imageSize);
    SendTftpDatagram(socket, packet, length, peer);
}

void SendTftpData(SocketHandle socket, TftpPacket packet, const std::uint8_t* data, int dataLength,
                  std::uint32_t block, const SocketAddress& peer) {
    int length = BuildTftpData(packet, block, data, dataLength);
    SendTftpDatagram(socket, packet, length, peer);
}

Outcome RunTftpSession(const TftpSessionRequest& request, const FirmwareImage& image, bool targetStage,
                       TransferView& view, TftpSessionReport* report) {
    TftpSessionReport ignored;
    if (report == nullptr) report = &ignored;
    *report = TftpSessionReport{image.size / kTftpBlockSize + 1, 0, 0, 0, 0};
    TftpSession* session = new (std::nothrow) TftpSession();  // zero-filled
    if (session == nullptr) return Outcome::SessionMemory;
    session->socket = request.socket;
    session->localAddress = request.localAddress;
    session->localPort = request.localPort;
    session->peerAddress = request.peerAddress;
    session->peerPort = request.peerPort;
    CopyText(session->requestedFileName, sizeof session->requestedFileName, request.requestedFileName);

    session->imageSize = image.size;
    session->blockCount = image.size / kTftpBlockSize + 1;
    session->lastBlockLength = image.size % kTftpBlockSize;
    Trace("++++size %d, %d, %d\n", static_cast<int>(session->imageSize), static_cast<int>(session->lastBlockLength),
          static_cast<int>(session->blockCount));

    std::uint32_t started = TftpClock();
    Outcome transfer = TransferImage(session, image.location, targetStage, view, *request.handOver);
    std::uint32_t transferred = TftpClock();
    // nextBlock is the block awaited: those before it were acknowledged (the
    // OACK's ACK is block 0).
    report->blocksAcknowledged = session->nextBlock > 0 ? session->nextBlock - 1 : 0;
    if (report->blocksAcknowledged > session->blockCount) report->blocksAcknowledged = session->blockCount;
    report->bytesAcknowledged = session->bytesAcknowledged;
    report->transferMs = transferred - started;
    delete session;
    if (transfer == Outcome::UserAbort) {
        view.UploadEnded();
        return transfer;
    }
    // The reboot wait follows a failed transfer too, and is not shortened.
    Outcome reboot = WaitForDeviceReboot(view, targetStage, *request.handOver);
    if (reboot == Outcome::Continue) report->rebootWaitMs = TftpClock() - transferred;
    return reboot != Outcome::Continue ? reboot : transfer;
}
