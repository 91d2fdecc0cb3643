// Centring on the screen, including windows larger than the screen.
#include <gtest/gtest.h>

#include "tests/support/fake_ui.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

namespace {

std::intptr_t DoNothingDialogProc(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) { return 0; }

struct CenterCase {
    int screenWidth, screenHeight;
    WindowRect before;
    int x, y;  // expected top left after centring
};

class CenterWindowTable : public ::testing::TestWithParam<CenterCase> {};

TEST_P(CenterWindowTable, MovesToTheCentreKeepingTheSize) {
    const CenterCase& c = GetParam();
    fake_ui::Reset();
    fake_ui::SetScreenSize(c.screenWidth, c.screenHeight);
    fake_ui::SetWindowRectangle(IDD_CONNECTING, c.before);
    WindowHandle window = CreateModelessDialog(nullptr, IDD_CONNECTING, DoNothingDialogProc, nullptr);

    CenterWindow(window);
    fake_ui::DialogRecord dialog = fake_ui::LastDialog(IDD_CONNECTING);
    EXPECT_EQ(1, dialog.moves);
    EXPECT_EQ(c.x, dialog.x);
    EXPECT_EQ(c.y, dialog.y);
    WindowRect after;
    ASSERT_TRUE(GetWindowRectangle(window, &after));
    EXPECT_EQ(c.before.right - c.before.left, after.right - after.left);
    EXPECT_EQ(c.before.bottom - c.before.top, after.bottom - after.top);
    DestroyDialog(window);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, CenterWindowTable,
    ::testing::Values(
        CenterCase{1280, 1024, {5, 7, 305, 207}, 490, 412},          // the old position does not matter
        CenterCase{1025, 769, {0, 0, 100, 100}, 462, 334},           // odd differences round down
        CenterCase{800, 600, {0, 0, 800, 600}, 0, 0},                // exactly the screen
        CenterCase{800, 600, {10, 10, 1010, 710}, -100, -50},        // larger: negative coordinates
        CenterCase{800, 600, {0, 0, 1001, 703}, -101, -52},          // odd negative: toward minus infinity
        CenterCase{640, 480, {-3000, -3000, -2000, -2500}, -180, -10}));  // from off the screen

TEST(CenterWindow, WindowLargerThanTheScreenKeepsItsCentreOnTheScreenCentre) {
    fake_ui::Reset();
    fake_ui::SetScreenSize(800, 600);
    fake_ui::SetWindowRectangle(IDD_UPLOAD, {0, 0, 1200, 900});
    WindowHandle window = CreateModelessDialog(nullptr, IDD_UPLOAD, DoNothingDialogProc, nullptr);
    CenterWindow(window);
    WindowRect after;
    ASSERT_TRUE(GetWindowRectangle(window, &after));
    EXPECT_EQ(400, (after.left + after.right) / 2);
    EXPECT_EQ(300, (after.top + after.bottom) / 2);
    DestroyDialog(window);
}

TEST(CenterWindow, UnreadableRectangleLeavesTheWindowAlone) {
    fake_ui::Reset();
    fake_ui::FailWindowRectangle(IDD_CONNECTING);
    WindowHandle window = CreateModelessDialog(nullptr, IDD_CONNECTING, DoNothingDialogProc, nullptr);
    CenterWindow(window);
    EXPECT_EQ(0, fake_ui::LastDialog(IDD_CONNECTING).moves);
    DestroyDialog(window);
}

}  // namespace
