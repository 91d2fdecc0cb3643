// The scripted fake user interface itself: the rules other tests rely on.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <thread>

#include "tests/support/fake_ui.h"
#include "ui/resource_ids.h"

namespace {

std::intptr_t CountingDialogProc(WindowHandle window, unsigned message, std::uintptr_t wordParam, std::intptr_t) {
    if (message != kMessageCommand) return 0;
    if ((wordParam & 0xFFFF) == kCommandOk) EndModalDialog(window, 1);
    if ((wordParam & 0xFFFF) == kCommandCancel) EndModalDialog(window, 0);
    return 1;
}

// For modeless dialogs, which are never ended with EndModalDialog.
std::intptr_t CountingModelessProc(WindowHandle, unsigned message, std::uintptr_t, std::intptr_t) {
    return message == kMessageCommand ? 1 : 0;
}

std::intptr_t IdleDialogProc(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) { return 0; }

TEST(FakeUi, ModelessEntriesGoToSuccessiveDialogsAtTheirPump) {
    fake_ui::Reset();
    fake_ui::ScriptModelessQuiet(IDD_CONNECTING);
    fake_ui::ScriptModeless(IDD_CONNECTING, 3, fake_ui::Press(kCommandOk));
    WindowHandle first = CreateModelessDialog(nullptr, IDD_CONNECTING, CountingModelessProc, nullptr);
    WindowHandle second = CreateModelessDialog(nullptr, IDD_CONNECTING, CountingModelessProc, nullptr);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(PumpOneMessage(first));
    EXPECT_FALSE(PumpOneMessage(second));
    EXPECT_FALSE(PumpOneMessage(second));
    EXPECT_TRUE(PumpOneMessage(second));
    EXPECT_FALSE(PumpOneMessage(second));
    std::vector<fake_ui::DialogRecord> dialogs = fake_ui::DialogsOf(IDD_CONNECTING);
    ASSERT_EQ(2u, dialogs.size());
    EXPECT_TRUE(dialogs[0].commands.empty());
    ASSERT_EQ(1u, dialogs[1].commands.size());
    EXPECT_EQ(static_cast<std::uintptr_t>(kCommandOk), dialogs[1].commands[0].wordParam);
    EXPECT_EQ(0, fake_ui::UnusedActions());
    DestroyDialog(first);
    DestroyDialog(second);
}

TEST(FakeUi, EnterPressesTheFocusedPushButtonElseTheDefault) {
    fake_ui::Reset();
    // Template 139: Cancel is the default push button, Continue is not.
    fake_ui::Script(IDD_WARNING, {fake_ui::Enter()});
    EXPECT_EQ(0, RunModalDialog(nullptr, IDD_WARNING, CountingDialogProc, nullptr));
    EXPECT_EQ(0, fake_ui::LastDialog(IDD_WARNING).focus);
    fake_ui::Script(IDD_WARNING, {fake_ui::Enter()});
    DialogProcedure focusContinue = [](WindowHandle window, unsigned message, std::uintptr_t wordParam,
                                       std::intptr_t longParam) -> std::intptr_t {
        if (message == kMessageInitDialog) FocusControl(window, kCommandOk);
        return CountingDialogProc(window, message, wordParam, longParam);
    };
    EXPECT_EQ(1, RunModalDialog(nullptr, IDD_WARNING, focusContinue, nullptr));
    // With the focus in an edit box, Enter presses the default push button, OK.
    fake_ui::Script(IDD_PASSWORD, {fake_ui::Type(IDC_PASSWORD, "x"), fake_ui::Enter()});
    EXPECT_EQ(1, RunModalDialog(nullptr, IDD_PASSWORD, CountingDialogProc, nullptr));
}

TEST(FakeUi, MisuseIsATestFailure) {
    fake_ui::Reset();
    WindowHandle window = CreateModelessDialog(nullptr, IDD_CONNECTING, IdleDialogProc, nullptr);
    EXPECT_NONFATAL_FAILURE(SetControlText(window, IDC_TEXT, "x"), "has no control 1007");
    EXPECT_NONFATAL_FAILURE(AddListEntry(window, IDC_PROGRESS, "x"), "of another kind");
    EXPECT_NONFATAL_FAILURE(SetProgressRange(window, IDC_PROGRESS, 70000), "16 bits");
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(std::thread([window] { DestroyDialog(window); }).join(),
                                           "other than the one that created it");
    DestroyDialog(window);
    EXPECT_NONFATAL_FAILURE(SetWindowTitle(window, "x"), "after it was destroyed");
}

TEST(FakeUiDeathTest, ModalScriptRunningDryEndsTheTestProgram) {
    EXPECT_DEATH(
        {
            fake_ui::Reset();
            fake_ui::Script(IDD_SUCCESS, {fake_ui::Press(1004)});
            RunModalDialog(nullptr, IDD_SUCCESS, CountingDialogProc, nullptr);
        },
        "script of modal dialog 111 ran out");
}

// A modal dialog on this thread while another thread creates, pumps and
// destroys its own modeless dialogs: the record stays consistent.
TEST(FakeUi, ThreadsKeepTheirOwnDialogs) {
    fake_ui::Reset();
    constexpr int kWorkerDialogs = 50;
    for (int i = 0; i < kWorkerDialogs; ++i) fake_ui::ScriptModeless(IDD_WAITING, 2, fake_ui::Press(kCommandOk));
    std::thread::id workerId;
    std::thread worker([&workerId] {
        workerId = std::this_thread::get_id();
        for (int i = 0; i < kWorkerDialogs; ++i) {
            WindowHandle window = CreateModelessDialog(nullptr, IDD_WAITING, CountingModelessProc, nullptr);
            SetProgressPosition(window, IDC_PROGRESS, static_cast<unsigned>(i));
            PumpAllMessages(window);
            PumpAllMessages(window);
            DestroyDialog(window);
        }
    });
    for (int i = 0; i < kWorkerDialogs; ++i) {
        fake_ui::Script(IDD_PASSWORD, {fake_ui::Type(IDC_USER, "u"), fake_ui::Press(kCommandCancel)});
        EXPECT_EQ(0, RunModalDialog(nullptr, IDD_PASSWORD, CountingDialogProc, nullptr));
    }
    worker.join();
    std::vector<fake_ui::DialogRecord> waiting = fake_ui::DialogsOf(IDD_WAITING);
    ASSERT_EQ(static_cast<std::size_t>(kWorkerDialogs), waiting.size());
    for (const fake_ui::DialogRecord& dialog : waiting) {
        EXPECT_EQ(workerId, dialog.thread);
        EXPECT_EQ(1u, dialog.commands.size());
        EXPECT_TRUE(dialog.destroyed);
    }
    for (const fake_ui::DialogRecord& dialog : fake_ui::DialogsOf(IDD_PASSWORD))
        EXPECT_EQ(std::this_thread::get_id(), dialog.thread);
    EXPECT_EQ(0, fake_ui::UnusedActions());
}

}  // namespace
