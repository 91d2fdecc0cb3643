// The TFTP listener thread's part of the upgrade: it waits for the device's
// read request behind the waiting dialog, serves the image of the current
// stage, waits for the reboot and verifies the result, once in the program
// with the target image alone and twice (transition, then target) in the
// two-stage program. It owns the dialogs it shows (through its own view).
#pragma once

#include <cstdint>

#include "app/run_record.h"
#include "app/upgrade_view.h"
#include "common/outcome.h"
#include "http/device_session.h"
#include "image/startup.h"
#include "tftp/stage_handover.h"
#include "tftp/tftp_listener.h"

// One per run, owned by the main thread, which reads `outcome` only after
// the hand-over says the listener has ended.
struct ListenerRun {
    TftpListener listener;
    StageHandOver* handOver;
    DeviceSession* session;
    const StartupFacts* facts;
    UpgradeView* view;  // the listener thread's own view
    std::uint32_t requestWaitMs;  // how long each stage waits for the device's request; 0: until cancelled
    unsigned replyLimitMs;        // how long each verification attempt waits for its reply; 0: until cancelled
    // The record's part of the listener: the image of each stage, the
    // request, the transfer and what the device said after its reboot. The
    // main thread reads it once the listener has ended. May be null.
    RunRecord* record;
    ThreadHandle thread;
    Outcome outcome;    // the listener's last word: Upgraded, or what ended it
};

// Binds the listener's socket on the local address and starts its thread;
// the bound port goes into *port. ListenerSocket, ListenerBind or
// ListenerThread when that fails (nothing is left running then).
Outcome StartListener(ListenerRun* run, std::uint32_t localAddress, std::uint16_t* port);

// Waits until the listener thread has ended (without a time limit), then
// releases it and closes its socket; returns its outcome.
Outcome FinishListener(ListenerRun* run);
