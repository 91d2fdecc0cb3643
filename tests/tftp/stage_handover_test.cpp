// The hand-over between the main thread and the listener thread: the
// upgrade file name is read whole while it is rewritten, and the main
// thread's waits end on the listener's news.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "common/text.h"
#include "tftp/stage_handover.h"

namespace {

// A reader compares the name with the two that the writer publishes in turn.
// The writer publishes again once the reader has seen its last name, the
// program's order too: the listener starts after the first name and reads
// while the second is written. Written in place, the names would tear.
TEST(UpgradeFileName, PublishedNameIsReadWhole) {
    StageHandOver handOver;
    const char* const names[2] = {"/qev0.bi0", "/qevffff.bi1"};
    PublishUpgradeFileName(&handOver, names[0]);
    std::atomic<int> seen{0}, torn{0};
    std::atomic<bool> done{false};
    std::thread reader([&] {
        char name[kUpgradeFileNameSize];
        while (!done.load()) {
            CopyText(name, sizeof name, CurrentUpgradeFileName(handOver));
            int which = std::strcmp(name, names[0]) == 0 ? 0 : std::strcmp(name, names[1]) == 0 ? 1 : -1;
            if (which < 0) ++torn;
            else seen.store(which);
        }
    });
    for (int i = 1; i <= 2000 && torn.load() == 0; ++i) {
        PublishUpgradeFileName(&handOver, names[i % 2]);
        while (seen.load() != i % 2 && torn.load() == 0) std::this_thread::yield();
    }
    done.store(true);
    reader.join();
    EXPECT_EQ(0, torn.load());
}

TEST(StageHandOver, MainThreadWakesForTheStageAndForTheEnd) {
    StageHandOver handOver;
    handOver.stageFlag.store(0);
    std::thread listener([&] {
        MoveToTargetStage(&handOver);
        NoteListenerEnded(&handOver);
    });
    WaitForTargetStageOrEnd(&handOver);
    EXPECT_EQ(1, handOver.stageFlag.load());
    WaitForListenerEnd(&handOver);
    EXPECT_TRUE(ListenerHasEnded(&handOver));
    listener.join();
}

}  // namespace
