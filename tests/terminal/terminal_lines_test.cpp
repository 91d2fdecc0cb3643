// The line mode of the terminal front end: with standard input and output
// not a terminal, each dialog is written as lines and answered line by
// line. The gallery's dialogs (with the real dialog procedures) and the
// two-thread driver are fed from a pipe, as a script would run them.
#include <gtest/gtest.h>

#include <string>

#include "tests/terminal/terminal_session.h"

namespace {

// Runs the gallery with the answers on standard input; its output.
std::string RunGallery(const std::string& arguments, const std::string& answers, int* status) {
    return RunShell("printf '" + answers + "' | " + GalleryPath() + " " + arguments + " 2>&1", status);
}

bool Has(const std::string& output, const std::string& text) { return output.find(text) != std::string::npos; }

TEST(TerminalLines, WarningIsWrittenAndEnterTakesCancel) {
    int status = -1;
    std::string output = RunGallery("139", "\\n", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Has(output, "== QEV-1040 Firmware Upgrade ==\n")) << output;
    EXPECT_TRUE(Has(output, "WARNING: Forcing a firmware upgrade on your QEV\nwithout prior approval")) << output;
    EXPECT_TRUE(Has(output, "Continue / Cancel [Cancel]: \n")) << output;
    EXPECT_TRUE(Has(output, "dialog 139 result 0")) << output;
}

TEST(TerminalLines, AButtonIsChosenByItsCaption) {
    int status = -1;
    std::string output = RunGallery("139", "Continue\\n", &status);
    EXPECT_TRUE(Has(output, "Continue / Cancel [Cancel]: Continue\n")) << output;
    EXPECT_TRUE(Has(output, "dialog 139 result 1")) << output;
    output = RunGallery("139", "sure\\ncont\\n", &status);
    EXPECT_TRUE(Has(output, "Please answer with one of the buttons")) << output;
    EXPECT_TRUE(Has(output, "dialog 139 result 1")) << output;
}

TEST(TerminalLines, EndOfInputCountsAsCancel) {
    int status = -1;
    std::string output = RunGallery("104", "", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Has(output, "dialog 104 result 0")) << output;
    output = RunGallery("111", "", &status);
    EXPECT_TRUE(Has(output, "dialog 111 result 0")) << output;
}

TEST(TerminalLines, AddressIsRefusedThenTakenWithTheChosenLocalAddress) {
    int status = -1;
    std::string output = RunGallery("101", "300.1.1.1\\n\\nok\\n\\n10.1.0.13\\n2\\n\\n", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Has(output, "Please enter IP address of your QEV:\n")) << output;
    EXPECT_TRUE(Has(output, "  1) 192.0.2.10\n  2) 198.51.100.7\n")) << output;
    EXPECT_TRUE(Has(output, "IP address: 300.1.1.1\n")) << output;
    EXPECT_TRUE(Has(output, "== Error ==\nInvalid IP Address\nPress Enter for OK: \n")) << output;
    EXPECT_TRUE(Has(output, "IP address [300.1.1.1]: 10.1.0.13\n")) << output;
    EXPECT_TRUE(Has(output, "dialog address 10.1.0.13 local 198.51.100.7")) << output;
}

TEST(TerminalLines, AnAddressIsReadAsTypedAndCancelWorksAtItsPrompt) {
    int status = -1;
    // The dotted quad goes to the parser exactly as typed: five parts are refused.
    std::string output = RunGallery("305", "1.2.3.4.5\\n1\\nOK\\n\\ncancel\\n", &status);
    EXPECT_TRUE(Has(output, "Invalid IP Address")) << output;
    EXPECT_TRUE(Has(output, "dialog 305 result 0")) << output;
}

TEST(TerminalLines, PasswordIsMaskedInTheLog) {
    int status = -1;
    std::string output = RunGallery("104", "\\ns3cret\\nok\\n", &status);
    EXPECT_TRUE(Has(output, "User [admin]: \n")) << output;
    EXPECT_TRUE(Has(output, "Password: ******\n")) << output;
    EXPECT_FALSE(Has(output, "s3cret")) << output;
    EXPECT_TRUE(Has(output, "dialog user admin password 6 characters")) << output;
}

TEST(TerminalLines, CancelTypedInAProgressDialogIsTheUserAbort) {
    int status = -1;
    std::string output =
        RunShell("(sleep 1; echo cancel; sleep 5) | " + GalleryPath() + " 105 30 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Has(output, "== Connecting with QEV@192.0.2.55 ==\n(to cancel, type cancel and press Enter)\n"))
        << output;
    EXPECT_TRUE(Has(output, "== QEV Firwmare Upgrade Error ==\nUpgrade Failed: User Abort\n")) << output;
    EXPECT_FALSE(Has(output, "closed after")) << output;
}

TEST(TerminalLines, ProgressDialogsReportNowAndThenAndIgnoreTheEndOfInput) {
    int status = -1;
    std::string output = RunShell(GalleryPath() + " 110 8 < /dev/null 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Has(output, "Please do not unplug the power of your QEV until the Status Light stops\nblinking\n"))
        << output;
    EXPECT_TRUE(Has(output, "Uploading Target Firmware to QEV@192.0.2.55 ")) << output;
    EXPECT_TRUE(Has(output, "Updating Target Firmware to QEV@192.0.2.55: ")) << output;
    EXPECT_TRUE(Has(output, "dialog 110 closed after")) << output;
    // Now and then: a few lines, not one per step.
    std::size_t lines = 0;
    for (char c : output) lines += c == '\n';
    EXPECT_LT(lines, 15u) << output;

    output = RunShell(GalleryPath() + " 114 1 < /dev/null 2>&1", &status);
    EXPECT_TRUE(Has(output, "Firmware upload will begin when the QEV is idle")) << output;
    EXPECT_TRUE(Has(output, "dialog 114 closed after")) << output;
}

TEST(TerminalLines, EveryDialogOfTheGalleryInTurn) {
    int status = -1;
    // warning; adapter and phone address (address, list, button); password
    // (user, password, button); both confirmations; success.
    std::string output = RunGallery("", "continue\\n10.1.0.13\\n\\n\\n10.1.0.14\\n2\\nok\\n\\npw\\n\\n\\n\\n\\n", &status);
    EXPECT_EQ(status, 0);
    for (const char* line : {"dialog 139 result 1", "dialog 101 result 1", "dialog 305 result 1",
                             "dialog 105 closed after", "dialog 104 result 1", "dialog 103 result 1",
                             "dialog 304 result 1", "dialog 114 closed after", "dialog 110 closed after",
                             "dialog 111 result 1", "Serial Number: QV0C1234567", "Product Name: QEV-1040",
                             "QEV@192.0.2.55 Upgrade Successful!", "qev.example"})
        EXPECT_TRUE(Has(output, line)) << line << "\n" << output;
}

TEST(TerminalLines, ControlsInADevicesFieldsAreShownAsQuestionMarks) {
    int status = -1;
    std::string output = RunShell("printf 'cancel\\n' | " +
                                      ConfirmCommand(kProductWithTitleSequence, kMacWithClearScreen, "3.1.24(QE)",
                                                     "1.0.1", "QV0C\\r\\n1234567") +
                                      " 2>&1",
                                  &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Has(output, "Product Name: QEV?]0;owned?-1040\n")) << output;
    EXPECT_TRUE(Has(output, "MAC Address: ?[2J00:00:5E:00:53:2A\n")) << output;
    EXPECT_TRUE(Has(output, "Serial Number: QV0C??1234567\n")) << output;
    EXPECT_EQ(output.find_first_of("\x1b\x07\r"), std::string::npos) << output;
    EXPECT_TRUE(Has(output, "dialog result 0")) << output;
}

TEST(TerminalLines, TheLocaleSaysWhereTheC1ControlsAre) {
    // CSI as the byte 0x9B, which a terminal of an 8-bit character set
    // obeys, and as U+009B in UTF-8 (C2 9B), which some UTF-8 terminals obey.
    const std::string confirm = ConfirmCommand("QEV-1040", "00:00:5E:00:53:2A", "3.1.24(QE)",
                                               "1.0 \\233 \\302\\233", "QV0C1234567");
    int status = -1;
    std::string output = RunShell("printf 'cancel\\n' | LC_ALL=C " + confirm + " 2>&1", &status);
    EXPECT_TRUE(Has(output, "Hardware Version: 1.0 ? \xc2?\n")) << output;
    output = RunShell("printf 'cancel\\n' | LC_ALL=C.UTF-8 " + confirm + " 2>&1", &status);
    EXPECT_TRUE(Has(output, "Hardware Version: 1.0 \x9b ??\n")) << output;
}

// A shell function: evaluates its argument every 50 ms until it is true;
// after 30 s it gives up and says so.
const char kUntilTrue[] =
    "until_true() { for _ in $(seq 600); do eval \"$1\" && return; sleep 0.05; done; echo \"gave up: $1\"; }; ";

// Runs the two-thread driver and closes its dialogs in the given order
// ("waiting", "connecting"): the first once both are written, the second
// once the first has closed.
std::string RunDriver(const std::string& first, const std::string& second, int* status) {
    const std::string both = "grep -q \"== Waiting For\" \"$d/out\" && grep -q \"== Connecting with\" \"$d/out\"";
    return RunShell(std::string(kUntilTrue) + "d=$(mktemp -d); " + DriverPath() +
                        " \"$d\" < /dev/null > \"$d/out\" 2>&1 & pid=$!; until_true '" + both + "'; " +
                        "touch \"$d/close-" + first + "\"; until_true '[ -e \"$d/" + first + "-closed\" ]'; " +
                        "touch \"$d/close-" + second + "\"; until_true '[ -e \"$d/" + second + "-closed\" ]'; " +
                        "touch \"$d/end\"; wait $pid; echo \"exit=$?\"; cat \"$d/out\"; rm -rf \"$d\"",
                    status);
}

TEST(TerminalLines, TwoProgressDialogsOfTwoThreadsCloseInEitherOrder) {
    int status = -1;
    for (int order = 0; order < 2; ++order) {
        std::string output = order == 0 ? RunDriver("waiting", "connecting", &status)
                                        : RunDriver("connecting", "waiting", &status);
        EXPECT_TRUE(Has(output, "exit=0")) << output;
        EXPECT_FALSE(Has(output, "gave up")) << output;
        EXPECT_TRUE(Has(output, "== Waiting For Firmware Download Request From QEV ==")) << output;
        EXPECT_TRUE(Has(output, "== Connecting with QEV@192.0.2.55 ==")) << output;
        EXPECT_FALSE(Has(output, "Sanitizer")) << output;
    }
}

}  // namespace
