// The hand-over between the main thread and the TFTP listener thread.
#include "tftp/stage_handover.h"

#include "common/text.h"

const char* CurrentUpgradeFileName(const StageHandOver& handOver) {
    return handOver.upgradeFileNames[handOver.currentUpgradeFileName.load(std::memory_order_acquire)];
}

void PublishUpgradeFileName(StageHandOver* handOver, const char* name) {
    // Only the main thread writes, at most twice in a run: at the address
    // entry, before the listener exists, and for the second stage, while the
    // listener may read the first name. So the buffer filled is never being read.
    int next = 1 - handOver->currentUpgradeFileName.load(std::memory_order_relaxed);
    CopyText(handOver->upgradeFileNames[next], sizeof handOver->upgradeFileNames[next], name);
    handOver->currentUpgradeFileName.store(next, std::memory_order_release);
}

void MoveToTargetStage(StageHandOver* handOver) {
    std::lock_guard<std::mutex> guard(handOver->lock);
    handOver->stageFlag.store(1);
    handOver->changed.notify_all();
}

void NoteListenerEnded(StageHandOver* handOver) {
    std::lock_guard<std::mutex> guard(handOver->lock);
    handOver->listenerEnded = true;
    handOver->changed.notify_all();
}

void RequestListenerStop(StageHandOver* handOver) { handOver->stopRequested.store(true); }

bool ListenerHasEnded(StageHandOver* handOver) {
    std::lock_guard<std::mutex> guard(handOver->lock);
    return handOver->listenerEnded;
}

void WaitForTargetStageOrEnd(StageHandOver* handOver) {
    std::unique_lock<std::mutex> lock(handOver->lock);
    handOver->changed.wait(lock, [handOver] { return handOver->stageFlag.load() != 0 || handOver->listenerEnded; });
}

void WaitForListenerEnd(StageHandOver* handOver) {
    std::unique_lock<std::mutex> lock(handOver->lock);
    handOver->changed.wait(lock, [handOver] { return handOver->listenerEnded; });
}
