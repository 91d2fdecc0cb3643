// The transfer of one TFTP session: option acknowledgement, DATA blocks built
// straight from the image, ACKs matched against the expected block only,
// retransmission of the outstanding packet, and the upload dialog's progress.
#include "tftp/tftp_session.h"

#include <cstring>
#include <new>

#include "common/text.h"
#include "common/trace.h"
#include "common/upgrade_state.h"
#include "platform/platform_ui.h"
#include "tftp/reboot_and_verify.h"
#include "tftp/redraw_pace.h"
#include "tftp/tftp_transport.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

// A progress bar's bounds are 16 bits: an image of more blocks than that
// (which never completes, see ExamineSessionDatagram) keeps its bar full.
constexpr std::uint32_t kProgressLimit = 65535;

std::uint32_t ProgressValue(std::uint32_t value) { return value < kProgressLimit ? value : kProgressLimit; }

void StartInterval(TftpRetransmission* timer) {
    timer->idlePolls = 0;
    timer->intervalStart = TftpClock();
}

// Counts one idle poll; true when it ends an interval, which is then counted
// and the next one begun.
bool IdlePollEndsInterval(TftpRetransmission* timer) {
    if (timer->idlePolls < kTftpPollsPerInterval) ++timer->idlePolls;
    if (timer->idlePolls < kTftpPollsPerInterval) return false;
    // Unsigned difference: right across the clock's 32-bit wrap.
    if (TftpClock() - timer->intervalStart < kTftpIntervalMinimumMs) return false;
    ++timer->intervals;
    StartInterval(timer);
    return true;
}

void ShowUploadProgress(const TftpSession& session, const char* stageName) {
    SetProgressPosition(g_upgrade.uploadDialog, IDC_PROGRESS, ProgressValue(session.nextBlock));
    char title[kUploadTitleSize];
    FormatText(title, sizeof title, kUploadTitleFormat, stageName, g_upgrade.deviceAddressText,
               static_cast<int>(session.bytesAcknowledged), static_cast<int>(session.imageSize));
    SetWindowTitle(g_upgrade.uploadDialog, title);
}

// Serves the image; true when every block was acknowledged, false after
// kTftpMaxIntervals intervals without the expected ACK.
bool TransferImage(TftpSession* session, const std::uint8_t* image, const char* stageName) {
    g_upgrade.uploadDialog = CreateModelessDialog(g_upgrade.instance, IDD_UPLOAD, ProgressDialogProc);
    ShowDialog(g_upgrade.uploadDialog);
    SetProgressRange(g_upgrade.uploadDialog, IDC_PROGRESS, ProgressValue(session->blockCount));
    SetSocketNonBlocking(session->socket);  // it already is, from the listener

    SocketAddress peer;
    FillSocketAddress(session->peerAddress, session->peerPort, &peer);
    SendTftpOptionAck(session->socket, session->packet, peer, session->imageSize);
    TftpRetransmission timer = {0, 0, 0};
    StartInterval(&timer);
    RedrawPace redraw = {false, 0};
    const std::uint8_t* data = image;  // where the outstanding block begins
    // A receive is tried only where it may find something, and the dialog
    // pumped only where there is something for it: not straight after a send
    // (the answer cannot be there yet; if it is, the wait ends at once), and
    // as the wait that ended the last poll says. Each look costs a call into
    // the system, dear under Wine; the polls and their counts stay the same.
    bool receiveDue = false;

    for (;;) {
        SocketAddress sender;
        int length = receiveDue ? ReceiveTftpDatagram(session->socket, session->packet, &sender) : -1;
        if (length >= 0) {
            switch (ExamineSessionDatagram(session->packet, length, sender, peer, session->nextBlock)) {
                case kSessionOtherSource: {
                    std::uint32_t address = 0;
                    std::uint16_t port = 0;
                    ReadSocketAddress(sender, &address, &port);
                    Trace("Unknown source request in session: %x:%u", address, port);
                    break;
                }
                case kSessionNotAck:
                    break;
                case kSessionOtherAck:
                    continue;  // a duplicate or stray ACK costs no poll and no retransmission
                case kSessionExpectedAck: {
                    ++session->nextBlock;
                    session->bytesAcknowledged += session->sentLength;
                    timer.intervals = 0;
                    StartInterval(&timer);
                    bool allAcknowledged = session->nextBlock > session->blockCount;
                    if (RedrawDue(&redraw, TftpClock()) || allAcknowledged) ShowUploadProgress(*session, stageName);
                    if (allAcknowledged) {
                        Trace("All blocks ack'd\n");
                        return true;
                    }
                    int dataLength = session->nextBlock == session->blockCount
                                         ? static_cast<int>(session->lastBlockLength)
                                         : kTftpBlockSize;
                    data = image + static_cast<std::size_t>(session->nextBlock - 1) * kTftpBlockSize;
                    session->sentLength = static_cast<std::uint32_t>(dataLength);
                    SendTftpData(session->socket, session->packet, data, dataLength, session->nextBlock, peer);
                    Trace("Send block %d (%d)\n", static_cast<int>(session->nextBlock), dataLength);
                    receiveDue = false;
                    continue;
                }
            }
        }

        // An idle poll: nothing for us arrived.
        int woken = WaitForTftpIdlePoll(session->socket);
        receiveDue = (woken & kWaitDatagram) != 0;
        // Cancel ends the process in these pumps. Input that came is taken
        // whole; a wait that ran out takes one message an earlier pump left.
        if (woken & kWaitInput) {
            PumpAllMessages(g_upgrade.uploadDialog);
        } else if (woken == 0) {
            PumpOneMessage(g_upgrade.uploadDialog);
        }
        if (!IdlePollEndsInterval(&timer)) continue;
        if (timer.intervals >= kTftpMaxIntervals) {
            Trace("Timeout for ack; upgrade failed\n");
            return false;
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

int RunTftpSession(SocketHandle socket, std::uint32_t localAddress, std::uint16_t localPort,
                   std::uint32_t peerAddress, std::uint16_t peerPort, const char* requestedFileName) {
    TftpSession* session = new (std::nothrow) TftpSession();  // zero-filled
    if (session == nullptr) {
        ShowUpgradeError(kFailSessionMemory, nullptr);
        EndProcess(0);
    }
    session->socket = socket;
    session->localAddress = localAddress;
    session->localPort = localPort;
    session->peerAddress = peerAddress;
    session->peerPort = peerPort;
    CopyText(session->requestedFileName, sizeof session->requestedFileName, requestedFileName);

    // The stage flag changes only between sessions: read once.
    bool targetStage = g_upgrade.stageFlag.load() != 0;
    const FirmwareImage& image = targetStage ? g_upgrade.targetImage : g_upgrade.transitionImage;
    const char* stageName = targetStage ? kTargetStageName : kTransitionStageName;
    session->imageSize = image.size;
    session->blockCount = image.size / kTftpBlockSize + 1;
    session->lastBlockLength = image.size % kTftpBlockSize;
    Trace("++++size %d, %d, %d\n", static_cast<int>(session->imageSize), static_cast<int>(session->lastBlockLength),
          static_cast<int>(session->blockCount));

    bool completed = TransferImage(session, image.location, stageName);
    WaitForDeviceReboot(g_upgrade.uploadDialog, stageName);
    if (completed) {
        VerifyUpgrade(session->localAddress, session->peerAddress, image.header, targetStage);
    } else {
        ShowUpgradeError(kFailUploadIncomplete, nullptr);
    }
    delete session;
    return completed ? 1 : 0;
}
