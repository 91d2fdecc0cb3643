// The upgrade sequence of the main thread: start-up, warning, address entry,
// the first query of the device, the stage decision, the confirmation, the
// TFTP listener and the upgrade command; then it waits for the listener
// thread, which serves the image and verifies it, and reports the outcome.
#include "app/upgrade_main.h"

#include <cstring>
#include <new>

#include "app/failure_texts.h"
#include "app/listener_thread.h"
#include "app/upgrade_command.h"
#include "app/version_number.h"
#include "common/text.h"
#include "common/trace.h"
#include "http/device_query.h"
#include "http/device_session.h"
#include "image/startup.h"
#include "platform/platform.h"
#include "tftp/stage_handover.h"

namespace {

ViewFacts FactsForView(const StartupFacts& facts) {
    ViewFacts view;
    std::memset(&view, 0, sizeof view);
    CopyText(view.displayName, sizeof view.displayName, facts.product.displayName);
    view.deviceClass = facts.product.deviceClass;
    CopyHeaderVersion(view.targetVersion, facts.targetImage.header);
    if (facts.twoStage) CopyHeaderVersion(view.transitionVersion, facts.transitionImage.header);
    view.localAddressCount = facts.localAddressCount;
    for (int i = 0; i < facts.localAddressCount; ++i) view.localAddresses[i] = facts.localAddresses[i];
    return view;
}

// The two-stage program: a device that reports a version at or above the
// transition image's, and not marked "(NT", goes straight to the target.
void DecideStage(const char* softwareVersion, const StartupFacts& facts, StageHandOver* handOver) {
    char transitionVersion[kVersionTextSize];
    CopyHeaderVersion(transitionVersion, facts.transitionImage.header);
    if (DeviceSkipsTransitionStage(softwareVersion, transitionVersion)) handOver->stageFlag.store(1);
}

// The main thread's part of the record while the listener runs (the
// listener writes other fields of it), and the view's news of the command.
void RecordCommand(RunRecord* record, const StageHandOver& handOver, Outcome commanded, UpgradeView& view) {
    CopyText(record->upgradeFileName, sizeof record->upgradeFileName, CurrentUpgradeFileName(handOver));
    record->commandSent = commanded == Outcome::Continue;
    if (record->commandSent) view.CommandSent(record->localAddress, record->listenerPort);
}

// From the start of the listener on: the upgrade command (two of them in the
// two-stage program), then the listener's outcome.
Outcome CommandAndServe(ListenerRun* run, const AddressChoice& device, UpgradeView& view) {
    StageHandOver* handOver = run->handOver;
    RunRecord* record = run->record;
    std::uint16_t port = 0;
    Outcome started = StartListener(run, device.localAddress, &port);
    if (started != Outcome::Continue) return started;
    record->listenerPort = port;

    // The listener runs before the command goes out: a request that comes
    // while the command's exchange is still under way is served.
    UpgradeCommand command = {device.localAddress, device.deviceAddress, port, run->replyLimitMs};
    bool transitionFirst = handOver->stageFlag.load() == 0;
    Outcome commanded = SendUpgradeCommand(run->session, command, handOver, view);
    RecordCommand(record, *handOver, commanded, view);
    if (commanded == Outcome::Continue && transitionFirst) {
        // The listener serves the transition image, then moves the stage on;
        // the target image then gets a command with a fresh name.
        WaitForTargetStageOrEnd(handOver);
        if (!ListenerHasEnded(handOver)) {
            MakeUpgradeFileName(handOver, 1);
            commanded = SendUpgradeCommand(run->session, command, handOver, view);
            RecordCommand(record, *handOver, commanded, view);
        }
    }
    // The main thread's own failure ends the upgrade: the listener stops too.
    if (commanded != Outcome::Continue) RequestListenerStop(handOver);
    Outcome listened = FinishListener(run);
    return commanded != Outcome::Continue ? commanded : listened;
}

// The device as chosen, and how the chosen local address fits its subnet.
void RecordDevice(RunRecord* record, const AddressChoice& device) {
    record->deviceAddress = device.deviceAddress;
    CopyText(record->deviceAddressText, sizeof record->deviceAddressText, device.deviceAddressText);
    record->localAddress = device.localAddress;
    record->fit = JudgeNetworkFit(device.localAddress, device.deviceAddress);
}

void RecordStatus(RunRecord* record, const DeviceQueryResult& status, std::uint32_t startedMs) {
    record->queryMs = MillisecondClock() - startedMs;
    record->deviceAnswered = status.bytes >= 1;
    record->connectFailure = status.connectFailure;
    if (record->deviceAnswered) record->before = status.fields;
}

// The image the first stage serves.
void RecordFirstImage(RunRecord* record, const StartupFacts& facts, bool transitionFirst) {
    const FirmwareImage& image = transitionFirst ? facts.transitionImage : facts.targetImage;
    CopyHeaderVersion(record->imageVersion, image.header);
    record->imageSize = image.size;
}

// Before the command: a device off this PC's subnet may never reach back.
void WarnIfOffSubnet(const RunRecord& record, UpgradeView& view) {
    if (record.fit.fit != SubnetFit::Different) return;
    char warning[kSubnetWarningSize];
    FormatSubnetWarning(warning, sizeof warning, record.localAddress, record.fit.mask, record.deviceAddress);
    view.ShowWarning(warning);
}

Outcome RunUpgrade(InstanceHandle instance, UpgradeView& view, UpgradeView& listenerView,
                   const UpgradeSettings& settings, RunRecord* record) {
    if (!view.Open()) return Outcome::NoFrontEnd;
    StartupFacts facts;
    Outcome started = InitializeUpgrade(instance, &facts);
    if (started != Outcome::Continue) return started;
    ViewFacts shown = FactsForView(facts);
    view.Describe(shown);
    RecordFirstImage(record, facts, facts.twoStage);

    StageHandOver handOver;
    handOver.stageFlag.store(kInitialStageFlag);
    if (!view.ConfirmWarning()) return Outcome::Declined;
    AddressChoice device;
    std::memset(&device, 0, sizeof device);
    device.localAddress = facts.localAddressCount > 0 ? facts.localAddresses[0] : 0;
    if (!view.ChooseDevice(&device) || device.deviceAddress == 0) return Outcome::Declined;
    RecordDevice(record, device);
    MakeUpgradeFileName(&handOver, handOver.stageFlag.load());
    Trace("+++ using %x\n", device.localAddress);
    CopyText(shown.deviceAddressText, sizeof shown.deviceAddressText, device.deviceAddressText);
    view.Describe(shown);
    listenerView.Describe(shown);

    // Any reply counts as a response; a challenge is answered inside the query.
    DeviceSession session;
    DeviceQueryResult status;
    std::uint32_t queryStarted = MillisecondClock();
    Outcome queried = QueryDevice(&session, device.localAddress, device.deviceAddress, kStatusPagePath, view, &status,
                                  settings.replyLimitMs);
    RecordStatus(record, status, queryStarted);
    if (queried == Outcome::Continue && status.bytes < 1) queried = Outcome::NoResponse;
    if (queried == Outcome::Continue) {
        if (handOver.stageFlag.load() == 0) DecideStage(status.fields.softwareVersion, facts, &handOver);
        RecordFirstImage(record, facts, handOver.stageFlag.load() == 0);
        if (!view.ConfirmUpgrade(status.fields, handOver.stageFlag.load() == 0)) queried = Outcome::UserAbort;
    }
    if (queried != Outcome::Continue) return queried;
    WarnIfOffSubnet(*record, view);

    ListenerRun* run = new (std::nothrow) ListenerRun();  // zero-filled
    if (run == nullptr) return Outcome::ListenerMemory;
    run->handOver = &handOver;
    run->session = &session;
    run->facts = &facts;
    run->view = &listenerView;
    run->requestWaitMs = settings.requestWaitMs;
    run->replyLimitMs = settings.replyLimitMs;
    run->record = record;
    Outcome outcome = CommandAndServe(run, device, view);
    delete run;
    return outcome;
}

}  // namespace

Outcome UpgradeMain(InstanceHandle instance, UpgradeView& view, UpgradeView& listenerView,
                    const UpgradeSettings& settings, RunRecord* record) {
    RunRecord ignored;
    if (record == nullptr) record = &ignored;
    std::memset(record, 0, sizeof *record);
    Outcome outcome = RunUpgrade(instance, view, listenerView, settings, record);
    ReportOutcome(view, outcome);
    return outcome;
}
