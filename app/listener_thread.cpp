// The TFTP listener thread's part of the upgrade (see listener_thread.h).
#include "app/listener_thread.h"

#include "app/failure_texts.h"
#include "app/verification.h"
#include "tftp/tftp_session.h"

namespace {

// Serves the stages; returns what ended the listener.
Outcome ServeStages(ListenerRun* run) {
    for (;;) {
        TftpRequest request;
        Outcome waited = WaitForMatchingRequest(&run->listener, *run->handOver, *run->view, &request);
        if (waited != Outcome::Continue) return waited;

        // The stage flag changes only between sessions, here: read once.
        bool targetStage = run->handOver->stageFlag.load() != 0;
        const FirmwareImage& image = targetStage ? run->facts->targetImage : run->facts->transitionImage;
        // Whoever sent the right name is served, and queried afterwards.
        TftpSessionRequest session = {run->listener.socket, run->listener.localAddress, run->listener.port,
                                      request.address,      request.port,               request.fileName,
                                      run->handOver};
        Outcome stage = RunTftpSession(session, image, targetStage, *run->view);
        if (stage == Outcome::Continue) {
            VerificationRequest verification = {run->listener.localAddress, request.address, &image.header,
                                                run->facts->product.deviceClass, targetStage, run->handOver};
            stage = VerifyUpgrade(run->session, verification, *run->view);
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
