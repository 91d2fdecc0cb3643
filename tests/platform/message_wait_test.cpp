// The Win32 waits against the thread's message queue, with the real message
// pump (this program links the Win32 user interface, not the fake one, and
// posts its messages with user32 directly). A message the dialog's pump never
// takes, a thread message or one for a second, hidden window of the thread,
// ends the wait it is new to, and no wait after the pump has looked at the
// queue: otherwise the device query's and the TFTP session's polling loops
// would spin at full speed for as long as it stays there.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/platform.h"
#include "platform/platform_ui.h"
#include "platform/win32/windows_headers.h"

namespace {

constexpr unsigned kLongWaitMs = 30000;
constexpr int kWaits = 20;
constexpr unsigned kWaitMs = 20;

std::atomic<bool> g_release{false};

int RunUntilReleased(void*) {
    while (!g_release.load()) SleepMilliseconds(1);
    return 0;
}

HWND HiddenWindow() {
    return ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, ::GetModuleHandleA(nullptr),
                             nullptr);
}

class StrayMessages : public ::testing::Test {
protected:
    void SetUp() override {
        dialog_ = HiddenWindow();
        other_ = HiddenWindow();
        ASSERT_NE(nullptr, dialog_);
        ASSERT_NE(nullptr, other_);
        PumpAllMessages(Dialog());
    }
    void TearDown() override {
        ::DestroyWindow(other_);
        ::DestroyWindow(dialog_);
    }

    WindowHandle Dialog() const { return reinterpret_cast<WindowHandle>(dialog_); }

    // Pumps once, then posts the messages the pump does not take: the next
    // wait must end at once for them, being new to the thread.
    template <typename Wait>
    void ExpectStrayMessagesToEndTheNextWait(Wait wait) {
        PumpOneMessage(Dialog());
        ASSERT_TRUE(::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0));
        ASSERT_TRUE(::PostMessageA(other_, WM_APP, 0, 0));
        std::uint32_t start = MillisecondClock();
        wait(kLongWaitMs);
        EXPECT_LT(MillisecondClock() - start, kLongWaitMs / 2) << "new input did not end the wait";
    }

    // The query loop's steps, kWaits times: pump one message of the dialog,
    // then wait. Gives the number of waits that ended long before their time.
    template <typename Wait>
    int EarlyEnds(Wait wait) {
        int early = 0;
        for (int i = 0; i < kWaits; ++i) {
            PumpOneMessage(Dialog());
            std::uint32_t start = MillisecondClock();
            wait(kWaitMs);
            if (MillisecondClock() - start < kWaitMs / 2) ++early;
        }
        return early;
    }

    HWND dialog_ = nullptr;
    HWND other_ = nullptr;
};

TEST_F(StrayMessages, EndOneThreadWaitNotEveryOne) {
    g_release.store(false);
    ThreadHandle worker = StartThread(RunUntilReleased, nullptr);
    ASSERT_NE(nullptr, worker);
    auto wait = [&](unsigned timeoutMs) { WaitForThreadOrInput(worker, timeoutMs); };
    ExpectStrayMessagesToEndTheNextWait(wait);
    EXPECT_EQ(0, EarlyEnds(wait)) << "of " << kWaits << " waits";
    g_release.store(true);
    ReleaseThread(worker);
}

TEST_F(StrayMessages, EndOneSocketWaitNotEveryOne) {
    ASSERT_TRUE(StartSocketLibrary());
    SocketHandle socket = OpenUdpSocket();
    ASSERT_NE(kInvalidSocket, socket);
    ASSERT_TRUE(SetSocketNonBlocking(socket));
    auto wait = [&](unsigned timeoutMs) { WaitForSocketOrInput(socket, timeoutMs); };
    ExpectStrayMessagesToEndTheNextWait(wait);
    EXPECT_EQ(0, EarlyEnds(wait)) << "of " << kWaits << " waits";
    CloseSocket(socket);
}

}  // namespace
