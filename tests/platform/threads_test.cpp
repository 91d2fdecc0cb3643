// The platform layer's threads: a thread's result whatever its value, ended
// or still running, waiting for its end, and a thread let go on alone.
#include <gtest/gtest.h>

#include <atomic>

#ifdef _WIN32
#include "platform/win32/windows_headers.h"
#endif

#include "platform/platform.h"

namespace {

constexpr unsigned kLongWaitMs = 60000;

int ReturnTheArgument(void* argument) { return *static_cast<int*>(argument); }

std::atomic<bool> g_release{false};
std::atomic<int> g_finished{0};
#ifdef _WIN32
std::atomic<DWORD> g_runnerId{0};
#endif

int RunUntilReleased(void*) {
#ifdef _WIN32
    g_runnerId.store(::GetCurrentThreadId());
#endif
    while (!g_release.load()) SleepMilliseconds(1);
    g_finished.fetch_add(1);
    return 7;
}

// Waits for the thread's end through the platform's own wait, for at most
// about 30 seconds.
int ResultOf(ThreadHandle thread) {
    int result = 0;
    for (int i = 0; i < 300; ++i) {
        if (ThreadHasEnded(thread, &result)) return result;
        WaitForThreadOrInput(thread, 100);
    }
    ADD_FAILURE() << "the thread never counted as ended";
    return -12345;
}

TEST(Threads, EndedThreadGivesItsResultWhateverTheValue) {
    // 259 is the value Windows uses to say "still active": a thread that
    // returns it has ended all the same.
    for (int value : {0, 1, -1, 259, 0x7FFFFFFF}) {
        SCOPED_TRACE(value);
        int argument = value;
        ThreadHandle thread = StartThread(ReturnTheArgument, &argument);
        ASSERT_NE(nullptr, thread);
        EXPECT_EQ(value, ResultOf(thread));
        int again = 0;
        EXPECT_TRUE(ThreadHasEnded(thread, &again));
        EXPECT_EQ(value, again);
        ReleaseThread(thread);
    }
}

TEST(Threads, RunningThreadHasNotEndedUntilItReturns) {
    g_release.store(false);
    ThreadHandle thread = StartThread(RunUntilReleased, nullptr);
    ASSERT_NE(nullptr, thread);
    int result = -5;
    EXPECT_FALSE(ThreadHasEnded(thread, &result));
    EXPECT_EQ(-5, result) << "no result while the thread runs";
    WaitForThreadOrInput(thread, 20);  // times out: the thread still runs
    EXPECT_FALSE(ThreadHasEnded(thread, &result));

    g_release.store(true);
    std::uint32_t start = MillisecondClock();
    WaitForThreadOrInput(thread, kLongWaitMs);
    // The wait ended with the thread, long before its time limit.
    EXPECT_LT(MillisecondClock() - start, kLongWaitMs / 2);
    EXPECT_EQ(7, ResultOf(thread));
    ReleaseThread(thread);
}

TEST(Threads, DetachedThreadRunsToItsEnd) {
    g_release.store(false);
    g_finished.store(0);
    ThreadHandle thread = StartThread(RunUntilReleased, nullptr);
    ASSERT_NE(nullptr, thread);
    DetachThread(thread);
    g_release.store(true);
    for (int i = 0; i < 10000 && g_finished.load() == 0; ++i) SleepMilliseconds(1);
    EXPECT_EQ(1, g_finished.load());
#ifdef _WIN32
    // Under Wine, a process that ends while its last other thread is still
    // on its way out can hang in the C library's loader lock, and the Wine
    // server then kills it: the test ends only once the thread has.
    HANDLE runner = ::OpenThread(SYNCHRONIZE, FALSE, g_runnerId.load());
    if (runner != nullptr) {  // none: the thread is gone already
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(runner, kLongWaitMs));
        ::CloseHandle(runner);
    }
#endif
}

TEST(Clock, AdvancesAcrossASleep) {
    std::uint32_t before = MillisecondClock();
    SleepMilliseconds(50);
    // Unsigned difference: correct across the clock's wrap.
    EXPECT_GE(MillisecondClock() - before, 40u);
}

}  // namespace
