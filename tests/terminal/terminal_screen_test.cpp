// The full-screen terminal front end, driven as a user drives it: the
// gallery's dialogs (with the real dialog procedures) and the two-thread
// driver run in a terminal of 80 x 24, keys are typed, the screen is read.
#include <gtest/gtest.h>

#include <string>

#include "tests/terminal/terminal_session.h"

namespace {

std::string Gallery(const std::string& arguments) { return GalleryPath() + " " + arguments; }

// The screen line that holds `text`, or empty.
std::string LineWith(const std::string& screen, const std::string& text) {
    std::size_t at = screen.find(text);
    if (at == std::string::npos) return "";
    std::size_t start = screen.rfind('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    std::size_t end = screen.find('\n', at);
    return screen.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void ExpectCleanEnd(TerminalSession& session, int exitTimeoutMs = 10000) {
    EXPECT_EQ(session.WaitForExit(exitTimeoutMs), 0);
    std::string why;
    EXPECT_TRUE(session.TerminalIsSane(&why)) << why;
    EXPECT_EQ(session.Errors().find("Sanitizer"), std::string::npos) << session.Errors();
}

TEST(TerminalScreen, WarningShowsItsTextWithCancelAsDefaultAndEnterGivesZero) {
    TerminalSession session(Gallery("139"));
    ASSERT_TRUE(session.WaitForScreen("any onus on the end user to upgrade manually.")) << session.Screen();
    std::string screen = session.Screen();
    EXPECT_NE(screen.find("Firmware Upgrade"), std::string::npos);
    EXPECT_NE(screen.find("WARNING: Forcing a firmware upgrade on your QEV"), std::string::npos);
    std::string buttons = LineWith(screen, "Continue");
    EXPECT_NE(buttons.find("[>  Cancel"), std::string::npos) << buttons;
    EXPECT_EQ(buttons.find("> Continue"), std::string::npos) << buttons;
    session.Keys("Enter");
    ExpectCleanEnd(session);
    EXPECT_NE(session.Log().find("dialog 139 result 0"), std::string::npos);
}

TEST(TerminalScreen, WarningTabMovesToContinueAndEnterPressesIt) {
    TerminalSession session(Gallery("139"));
    ASSERT_TRUE(session.WaitForScreen("WARNING"));
    session.Keys("Tab");
    ASSERT_TRUE(session.WaitForScreen("Enter: Continue"));
    EXPECT_NE(LineWith(session.Screen(), "Continue").find("> Continue"), std::string::npos);
    session.Keys("BTab");
    ASSERT_TRUE(session.WaitForScreen("Enter: Cancel"));
    session.Keys("Tab");
    session.Keys("Enter");
    ExpectCleanEnd(session);
    EXPECT_NE(session.Log().find("dialog 139 result 1"), std::string::npos);
}

TEST(TerminalScreen, EscapeClosesAModalDialogWithCancel) {
    TerminalSession session(Gallery("103"));
    ASSERT_TRUE(session.WaitForScreen("Serial Number"));
    std::string screen = session.Screen();
    EXPECT_NE(LineWith(screen, "Serial Number").find("QV0C1234567"), std::string::npos);
    EXPECT_NE(LineWith(screen, "MAC Address").find("00:00:5E:00:53:2A"), std::string::npos);
    session.Keys("Escape");
    ExpectCleanEnd(session);
    EXPECT_NE(session.Log().find("dialog 103 result 0"), std::string::npos);
}

TEST(TerminalScreen, ControlsInADevicesFieldsAreShownAsQuestionMarksInTheirCells) {
    TerminalSession session(
        ConfirmCommand(kProductWithTitleSequence, kMacWithClearScreen, "3.1.24(QE)", "1.0.1", "QV0C1234567"));
    ASSERT_TRUE(session.WaitForScreen("Product Name")) << session.Screen();
    std::string screen = session.Screen();
    std::string product = LineWith(screen, "Product Name");
    EXPECT_NE(product.find("[QEV?]0;owned?-1040]"), std::string::npos) << screen;
    EXPECT_NE(LineWith(screen, "MAC Address").find("[?[2J00:00:5E:00:53]"), std::string::npos) << screen;
    // The field's closing bracket where a plain one's is: one cell a byte.
    EXPECT_EQ(product.rfind(']'), LineWith(screen, "Software Version").rfind(']')) << screen;
    session.Keys("Escape");
    ExpectCleanEnd(session);
    std::string log = session.Log();
    EXPECT_EQ(log.find("\x1b]0;owned"), std::string::npos);
    EXPECT_EQ(log.find("\x1b[2J00"), std::string::npos);
    EXPECT_NE(log.find("dialog result 0"), std::string::npos);
}

TEST(TerminalScreen, AddressDialogRefusesAnInvalidAddressAndTakesAValidOne) {
    TerminalSession session(Gallery("101"));
    ASSERT_TRUE(session.WaitForScreen("Please enter IP address of your QEV:"));
    EXPECT_NE(session.Screen().find("[___.___.___.___]"), std::string::npos);
    session.Type("300.1.1.1");
    ASSERT_TRUE(session.WaitForScreen("[300.1__.1__.1__]")) << session.Screen();
    session.Keys("Enter");
    ASSERT_TRUE(session.WaitForScreen("Invalid IP Address")) << session.Screen();
    EXPECT_NE(LineWith(session.Screen(), "Error").find("Error"), std::string::npos);
    session.Keys("Enter");
    ASSERT_TRUE(session.WaitForScreen("Enter: OK"));
    EXPECT_EQ(session.Screen().find("Invalid IP Address"), std::string::npos);
    // The focus is back on the address: clear it and type a good one.
    for (int i = 0; i < 8; ++i) session.Keys("BSpace");
    ASSERT_TRUE(session.WaitForScreen("[___.___.___.___]")) << session.Screen();
    session.Type("10.1.0.13");
    ASSERT_TRUE(session.WaitForScreen("[10_.1__.0__.13_]")) << session.Screen();
    session.Keys("Enter");
    ExpectCleanEnd(session);
    EXPECT_NE(session.Log().find("dialog 101 result 1"), std::string::npos);
    EXPECT_NE(session.Log().find("dialog address 10.1.0.13 local 192.0.2.10"), std::string::npos) << session.Log();
}

TEST(TerminalScreen, AddressDialogOffersTheLocalAddresses) {
    TerminalSession session(Gallery("305"));
    ASSERT_TRUE(session.WaitForScreen("Your IP Address"));
    EXPECT_NE(LineWith(session.Screen(), "Your IP Address").find("192.0.2.10"), std::string::npos);
    session.Type("10.1.0.13");
    session.Keys("BTab");  // the list comes before the address in the tab order
    ASSERT_TRUE(session.WaitForScreen("Space: list"));
    session.Keys("Space");
    ASSERT_TRUE(session.WaitForScreen("198.51.100.7")) << session.Screen();
    EXPECT_NE(session.Screen().find(">192.0.2.10"), std::string::npos) << session.Screen();
    session.Keys("Down");
    ASSERT_TRUE(session.WaitForScreen(">198.51.100.7"));
    session.Keys("Enter");  // takes the entry and closes the list
    ASSERT_TRUE(session.WaitForScreen("Space: list"));
    EXPECT_NE(LineWith(session.Screen(), "Your IP Address").find("198.51.100.7"), std::string::npos);
    session.Keys("Enter");  // now the default button
    ExpectCleanEnd(session);
    EXPECT_NE(session.Log().find("dialog address 10.1.0.13 local 198.51.100.7"), std::string::npos) << session.Log();
}

TEST(TerminalScreen, PasswordBoxMasksWhatIsTyped) {
    TerminalSession session(Gallery("104"));
    ASSERT_TRUE(session.WaitForScreen("Password"));
    EXPECT_NE(LineWith(session.Screen(), "User").find("[admin"), std::string::npos);
    session.Type("s3cret");
    ASSERT_TRUE(session.WaitForScreen("[******_")) << session.Screen();
    EXPECT_EQ(session.Screen().find("s3cret"), std::string::npos);
    EXPECT_EQ(session.Log().find("s3cret"), std::string::npos);
    // The help text is longer than the screen: it scrolls to its end.
    EXPECT_EQ(session.Screen().find("information."), std::string::npos);
    session.Keys("NPage");
    session.Keys("NPage");
    ASSERT_TRUE(session.WaitForScreen("information.")) << session.Screen();
    session.Keys("Enter");
    ExpectCleanEnd(session);
    EXPECT_NE(session.Log().find("dialog 104 result 1"), std::string::npos);
    EXPECT_NE(session.Log().find("dialog user admin password 6 characters"), std::string::npos);
}

TEST(TerminalScreen, EscapeInAProgressDialogIsTheUserAbort) {
    TerminalSession session(Gallery("105 60"));
    ASSERT_TRUE(session.WaitForScreen("Connecting with QEV@192.0.2.55"));
    ASSERT_TRUE(session.WaitForScreen("[#"));  // the bar moves
    session.Keys("Escape");
    ASSERT_TRUE(session.WaitForScreen("Upgrade Failed: User Abort")) << session.Screen();
    EXPECT_NE(session.Screen().find("QEV Firwmare Upgrade Error"), std::string::npos);
    EXPECT_EQ(session.Screen().find("Connecting with"), std::string::npos);
    session.Keys("Enter");
    ExpectCleanEnd(session);
    // The message stays readable after the screen is given back.
    EXPECT_TRUE(session.WaitForScreen("QEV Firwmare Upgrade Error: Upgrade Failed: User Abort"));
    EXPECT_EQ(session.Log().find("closed after"), std::string::npos);
}

TEST(TerminalScreen, CtrlCInAProgressDialogIsTheUserAbort) {
    TerminalSession session(Gallery("114 60"));
    ASSERT_TRUE(session.WaitForScreen("behind a router while the QEV is in front of it."));
    session.Keys("C-c");
    ASSERT_TRUE(session.WaitForScreen("Upgrade Failed: User Abort")) << session.Screen();
    session.Keys("Enter");
    ExpectCleanEnd(session);
}

TEST(TerminalScreen, UploadDialogShowsItsTitleAndLiveBar) {
    // The gallery shows the upload for the first half of 12 s, then the update.
    TerminalSession session(Gallery("110 12"));
    ASSERT_TRUE(session.WaitForScreen("Uploading Target Firmware to QEV@192.0.2.55")) << session.Screen();
    EXPECT_NE(session.Screen().find("Please do not unplug the power of"), std::string::npos);
    ASSERT_TRUE(session.WaitForScreen("Updating Target Firmware to QEV@192.0.2.55", 20000)) << session.Screen();
    ExpectCleanEnd(session, 30000);
    EXPECT_NE(session.Log().find("dialog 110 closed after"), std::string::npos);
}

// Each of the ten dialogs fits 80 x 24 with its frame whole and its texts shown.
TEST(TerminalScreen, EveryDialogFitsEightyByTwentyFour) {
    const struct {
        const char* id;
        const char* title;
        const char* text;
    } kDialogs[] = {
        {"139", "Firmware Upgrade", "any onus on the end user to upgrade manually."},
        {"101", "Firmware Upgrade", "enter * * * *, option 110#, and write down"},
        {"305", "Firmware Upgrade", "select \"Network\" option, and check the"},
        {"105 60", "Connecting with QEV@192.0.2.55", "Cancel"},
        {"104", "Enter Password Information", "This QEV requires a password in order to be"},
        {"103", "Confirm Upgrade to Ver. 3.1.24(QE)", "like to quit click \"Cancel\"."},
        {"304", "Confirm Upgrade to Ver. 3.1.24(QE)", "is older than 2.5.0(QT), this upgrade procedure"},
        {"114 60", "Waiting For Firmware Download Request From QEV",
         "behind a router while the QEV is in front of it."},
        {"110 60", "Uploading Target Firmware to QEV@192.0.2.55", "until the Status Light"},
        {"111", "QEV@192.0.2.55 Upgrade Successful!", "3.1.24(QE)"},
    };
    for (const auto& dialog : kDialogs) {
        SCOPED_TRACE(dialog.id);
        TerminalSession session(Gallery(dialog.id));
        ASSERT_TRUE(session.WaitForScreen(dialog.text)) << session.Screen();
        std::string screen = session.Screen();
        EXPECT_NE(screen.find(dialog.title), std::string::npos) << screen;
        EXPECT_NE(screen.find("\xe2\x94\x8c"), std::string::npos) << screen;  // top-left corner
        EXPECT_NE(screen.find("\xe2\x94\x98"), std::string::npos) << screen;  // bottom-right corner
        session.Keys("Escape");
        if (std::string(dialog.id).find(' ') != std::string::npos) {
            ASSERT_TRUE(session.WaitForScreen("Upgrade Failed: User Abort"));
            session.Keys("Enter");
        }
        ExpectCleanEnd(session);
    }
}

TEST(TerminalScreen, AnEndingSignalRestoresTheTerminal) {
    TerminalSession session(Gallery("104"));
    ASSERT_TRUE(session.WaitForScreen("Password"));
    session.Signal("TERM");
    EXPECT_EQ(session.WaitForExit(), 128 + 15);
    std::string why;
    EXPECT_TRUE(session.TerminalIsSane(&why)) << why;
}

TEST(TerminalScreen, ASecondCtrlCEndsAProgramThatNoLongerPumps) {
    // The first Ctrl-C waits for the pump that never comes; the second ends
    // the process, terminal restored, with the status of a cancelled run.
    TerminalSession session(DriverPath() + " . stall");
    ASSERT_TRUE(session.WaitForScreen("Connecting with QEV@192.0.2.55"));
    session.Signal("INT");
    ASSERT_TRUE(session.WaitForScreen("Connecting with QEV@192.0.2.55"));
    EXPECT_EQ(session.WaitForExit(300), -1);
    session.Signal("INT");
    EXPECT_EQ(session.WaitForExit(), 3);
    std::string why;
    EXPECT_TRUE(session.TerminalIsSane(&why)) << why;
}

// ---- two modeless dialogs of two threads -----------------------------------

class TwoThreads : public ::testing::Test {
protected:
    TwoThreads() : session(DriverPath() + " .") {}
    void ExpectBothShown() {
        ASSERT_TRUE(session.WaitForScreen("Connecting with QEV@192.0.2.55")) << session.Screen();
        ASSERT_TRUE(session.WaitForScreen("Waiting For Firmware Download Request From QEV")) << session.Screen();
    }
    TerminalSession session;
};

TEST_F(TwoThreads, WaitingClosesFirst) {
    ExpectBothShown();
    session.Touch("close-waiting");
    ASSERT_TRUE(session.WaitForFile("waiting-closed"));
    ASSERT_TRUE(session.WaitForScreen("Esc or Ctrl-C: Cancel"));
    std::string screen = session.Screen();
    EXPECT_EQ(screen.find("Waiting For"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("Firmware upload will begin"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Connecting with QEV@192.0.2.55"), std::string::npos) << screen;
    session.Touch("close-connecting");
    ASSERT_TRUE(session.WaitForFile("connecting-closed"));
    EXPECT_TRUE(session.WaitUntilGone("Connecting")) << session.Screen();
    session.Touch("end");
    ExpectCleanEnd(session);
}

TEST_F(TwoThreads, ConnectingClosesFirstAndUncoversTheWaitingDialog) {
    ExpectBothShown();
    session.Touch("close-connecting");
    ASSERT_TRUE(session.WaitForFile("connecting-closed"));
    // The text the connecting dialog covered is whole again.
    ASSERT_TRUE(session.WaitForScreen("Firewall) on this PC, and c) Make sure that this PC and the QEV are"))
        << session.Screen();
    EXPECT_EQ(session.Screen().find("Connecting with"), std::string::npos) << session.Screen();
    session.Touch("close-waiting");
    ASSERT_TRUE(session.WaitForFile("waiting-closed"));
    session.Touch("end");
    ExpectCleanEnd(session);
}

TEST_F(TwoThreads, EscapeGoesToTheTopmostDialogOnly) {
    ExpectBothShown();
    session.Keys("Escape");
    ASSERT_TRUE(session.WaitForScreen("Upgrade Failed: User Abort")) << session.Screen();
    // The connecting dialog (main thread, on top) took it; the waiting
    // dialog of the other thread is still there under the box.
    std::string screen = session.Screen();
    EXPECT_EQ(screen.find("Connecting with"), std::string::npos) << screen;
    EXPECT_NE(screen.find("Waiting For Firmware Download Request From QEV"), std::string::npos) << screen;
    session.Keys("Enter");
    ExpectCleanEnd(session);
}

}  // namespace
