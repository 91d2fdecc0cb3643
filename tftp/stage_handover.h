// The hand-over between the main thread, which tells the device what to
// fetch, and the TFTP listener thread, which serves it: the stage flag, the
// upgrade file name, and the listener's end. The main thread writes the
// name and waits for the listener's news; the listener reads the name,
// moves the stage on and says when it has ended.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

constexpr int kUpgradeFileNameSize = 128;

struct StageHandOver {
    // 1: the target image is served next; 0: the transition image first.
    // Only ever goes from 0 to 1.
    std::atomic<std::int32_t> stageFlag{1};
    // The TFTP file name the device is told to fetch. The main thread may
    // rewrite it while the listener compares a request with it, so it is
    // double-buffered: a writer fills the buffer not in use, then publishes it.
    char upgradeFileNames[2][kUpgradeFileNameSize] = {};
    std::atomic<int> currentUpgradeFileName{0};
    // Set by the main thread when its own part failed while the listener
    // runs: the listener stops at its next wake (a modal dialog it shows
    // first runs to its end).
    std::atomic<bool> stopRequested{false};
    // The listener's news for the main thread: the stage moved on, or the
    // listener has ended.
    std::mutex lock;
    std::condition_variable changed;
    bool listenerEnded = false;  // guarded by lock
};

// The upgrade file name as last published: always a whole name.
const char* CurrentUpgradeFileName(const StageHandOver& handOver);
// Publishes a new upgrade file name (at most kUpgradeFileNameSize - 1
// characters) into the buffer not in use. A reader of the name before must
// be done with it by the next publication, which refills its buffer.
void PublishUpgradeFileName(StageHandOver* handOver, const char* name);
// The listener thread: the transition stage is over, the target image is next.
void MoveToTargetStage(StageHandOver* handOver);
// The listener thread: it has ended, its outcome is ready.
void NoteListenerEnded(StageHandOver* handOver);
bool ListenerHasEnded(StageHandOver* handOver);
// The main thread: asks the listener to stop.
void RequestListenerStop(StageHandOver* handOver);
inline bool ListenerStopRequested(const StageHandOver& handOver) { return handOver.stopRequested.load(); }
// The main thread: waits until the stage flag is 1 or the listener ended,
// whichever comes first (no time limit).
void WaitForTargetStageOrEnd(StageHandOver* handOver);
// The main thread: waits until the listener ended.
void WaitForListenerEnd(StageHandOver* handOver);
