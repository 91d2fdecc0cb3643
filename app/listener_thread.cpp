// The TFTP listener thread's part of the upgrade (see listener_thread.h).
#include "app/listener_thread.h"

#include "app/failure_texts.h"
#include "app/verification.h"
#include "common/text.h"
#include "tftp/tftp_session.h"

namespace {

// A new stage begins: its image, nothing asked or sent yet.
void RecordStage(RunRecord* record, const FirmwareImage& image) {
    CopyHeaderVersion(record->imageVersion, image.header);
    record->imageSize = image.size;
    record->requestReceived = false;
    record->blockCount = record->blocksAcknowledged = record->bytesAcknowledged = 0;
    record->transferMs = record->rebootMs = 0;
    record->heardAfterReboot = false;
    record->versionAfter[0] = '\0';
}

void RecordSession(RunRecord* record, const TftpSessionReport& report) {
    record->blockCount = report.blockCount;
    record->blocksAcknowledged = report.blocksAcknowledged;
    record->bytesAcknowledged = report.bytesAcknowledged;
    record->transferMs = report.transferMs;
    record->rebootMs = report.rebootWaitMs;
}

// Serves the stages; returns what ended the listener.
Outcome ServeStages(ListenerRun* run) {
    RunRecord ignored;
    RunRecord* record = run->record != nullptr ? run->record : &ignored;
    for (;;) {
        // The stage flag changes only between sessions, here: read once.
        bool targetStage = run->handOver->stageFlag.load() != 0;
        const FirmwareImage& image = targetStage ? run->facts->targetImage : run->facts->transitionImage;
        RecordStage(record, image);

        TftpRequest request;
        Outcome waited =
            WaitForMatchingRequest(&run->listener, *run->handOver, *run->view, &request, run->requestWaitMs);
        if (waited != Outcome::Continue) return waited;
        record->requestReceived = true;

        // Whoever sent the right name is served, and queried afterwards.
        TftpSessionRequest session = {run->listener.socket, run->listener.localAddress, run->listener.port,
                                      request.address,      request.port,               request.fileName,
                                      run->handOver};
        TftpSessionReport served;
        Outcome stage = RunTftpSession(session, image, targetStage, *run->view, &served);
        RecordSession(record, served);
        if (stage == Outcome::Continue) {
            VerificationRequest verification = {run->listener.localAddress,     request.address, &image.header,
                                                run->facts->product.deviceClass, targetStage,     run->handOver,
                                                run->replyLimitMs};
            VerificationReport heard;
            std::uint32_t started = MillisecondClock();
            stage = VerifyUpgrade(run->session, verification, *run->view, &heard);
            record->rebootMs += MillisecondClock() - started;
            record->heardAfterReboot = heard.heard;
            CopyText(record->versionAfter, sizeof record->versionAfter, heard.version);
        }
        if (targetStage) return stage;

        // The transition stage is over: its failure is told, and the target
        // stage follows all the same; the main thread sends its command.
        switch (stage) {
            case Outcome::UploadIncomplete:
            case Outcome::VersionMismatch:
                ReportOutcome(*run->view, stage);
                break;
            case Outcome::Continue:
            case Outcome::NotVerified:
                break;
            default:
                return stage;
        }
        MoveToTargetStage(run->handOver);
    }
}

int ListenerThreadMain(void* argument) {
    ListenerRun* run = static_cast<ListenerRun*>(argument);
    run->outcome = ServeStages(run);
    NoteListenerEnded(run->handOver);
    return 0;
}

}  // namespace

Outcome StartListener(ListenerRun* run, std::uint32_t localAddress, std::uint16_t* port) {
    run->listener.socket = kInvalidSocket;
    Outcome opened = OpenTftpListener(localAddress, &run->listener);
    if (opened != Outcome::Continue) return opened;
    run->outcome = Outcome::Continue;
    run->thread = StartThread(ListenerThreadMain, run);
    // Without the thread nothing would ever answer the device.
    if (run->thread == nullptr) {
        CloseTftpListener(&run->listener);
        return Outcome::ListenerThread;
    }
    *port = run->listener.port;
    return Outcome::Continue;
}

Outcome FinishListener(ListenerRun* run) {
    WaitForListenerEnd(run->handOver);
    ReleaseThread(run->thread);
    run->thread = nullptr;
    CloseTftpListener(&run->listener);
    return run->outcome;
}
