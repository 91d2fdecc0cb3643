// The warning, confirmation, password, connecting, progress and success
// dialogs, played through the fake user interface.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/fake_ui.h"
#include "tests/ui/ui_fixture.h"
#include "ui/address_entry.h"
#include "ui/dialog_templates.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

namespace {

using fake_ui::Close;
using fake_ui::DialogRecord;
using fake_ui::Enter;
using fake_ui::Escape;
using fake_ui::Press;
using fake_ui::PressWord;
using fake_ui::Type;
using ui_test::UiTest;

// ---- warning ------------------------------------------------------------------

using WarningDialog = UiTest;

TEST_F(WarningDialog, ShowsTitleAndTextWithTheFocusOnCancel) {
    fake_ui::Script(IDD_WARNING, {Press(kCommandOk)});
    EXPECT_EQ(1, RunModal(IDD_WARNING, WarningDialogProc));
    DialogRecord dialog = fake_ui::LastDialog(IDD_WARNING);
    EXPECT_EQ("QAT-1040 Firmware Upgrade", dialog.title);
    EXPECT_EQ(kWarningText, dialog.Text(IDC_WARNING_TEXT));
    EXPECT_EQ(0, dialog.initResult) << "the procedure sets the focus itself";
    EXPECT_EQ(kCommandCancel, dialog.focus);
    EXPECT_EQ(1, dialog.moves) << "centred once";
}

TEST_F(WarningDialog, EnterRightAfterOpeningCancels) {
    fake_ui::Script(IDD_WARNING, {Enter()});
    EXPECT_EQ(0, RunModal(IDD_WARNING, WarningDialogProc));
}

TEST_F(WarningDialog, EscapeAndCloseBoxCancel) {
    fake_ui::Script(IDD_WARNING, {Escape(), Close()});
    EXPECT_EQ(0, RunModal(IDD_WARNING, WarningDialogProc));
    EXPECT_EQ(0, RunModal(IDD_WARNING, WarningDialogProc));
}

TEST_F(WarningDialog, LongestDisplayNameFitsTheTitle) {
    std::string name(kDisplayNameSize - 1, 'N');
    CopyText(facts.displayName, sizeof facts.displayName, name.c_str());
    fake_ui::Script(IDD_WARNING, {Press(kCommandCancel)});
    RunModal(IDD_WARNING, WarningDialogProc);
    EXPECT_EQ(name + " Firmware Upgrade", fake_ui::LastDialog(IDD_WARNING).title);
}

// ---- commands every modal procedure shares --------------------------------------

struct ModalCase {
    int templateId;
    DialogProcedure procedure;
};

class ModalCommands : public UiTest, public ::testing::WithParamInterface<ModalCase> {};

TEST_P(ModalCommands, OnlyTheLow16BitsOfACommandCount) {
    const ModalCase& c = GetParam();
    // An unknown command is left to the dialog manager and the dialog stays;
    // a command with bits above the low 16 (an accelerator's, say) is the button's.
    fake_ui::Script(c.templateId, {Press(1021), PressWord(0x00050003u), PressWord(0x00010000u | kCommandOk)});
    EXPECT_EQ(1, RunModal(c.templateId, c.procedure));
    DialogRecord dialog = fake_ui::LastDialog(c.templateId);
    ASSERT_EQ(3u, dialog.commands.size());
    EXPECT_EQ(0, dialog.commands[0].handled);
    EXPECT_EQ(0, dialog.commands[1].handled);
    EXPECT_NE(0, dialog.commands[2].handled);

    fake_ui::Script(c.templateId, {PressWord(0x00010000u | kCommandCancel)});
    EXPECT_EQ(0, RunModal(c.templateId, c.procedure));
}

TEST_P(ModalCommands, CloseBoxEndsWithZero) {
    const ModalCase& c = GetParam();
    fake_ui::Script(c.templateId, {Close()});
    EXPECT_EQ(0, RunModal(c.templateId, c.procedure));
}

INSTANTIATE_TEST_SUITE_P(AllModal, ModalCommands,
                         ::testing::Values(ModalCase{IDD_WARNING, WarningDialogProc},
                                           ModalCase{IDD_CONFIRM, ConfirmDialogProc},
                                           ModalCase{IDD_CONFIRM_TWO_STAGE, ConfirmDialogProc},
                                           ModalCase{IDD_PASSWORD, PasswordDialogProc},
                                           ModalCase{IDD_SUCCESS, SuccessDialogProc}),
                         [](const ::testing::TestParamInfo<ModalCase>& info) {
                             return "Dialog" + std::to_string(info.param.templateId);
                         });

TEST(DialogProcedures, LeaveOtherMessagesToTheDialogManager) {
    const DialogProcedure procedures[] = {WarningDialogProc,    ConfirmDialogProc,  PasswordDialogProc,
                                          ConnectingDialogProc, ProgressDialogProc, SuccessDialogProc,
                                          AddressDialogProc};
    const unsigned messages[] = {0x0010 /* close */, 0x0002 /* destroy */, 0x0200 /* mouse move */,
                                 0x0112 /* system command */};
    fake_ui::Reset();
    for (DialogProcedure procedure : procedures)
        for (unsigned message : messages) EXPECT_EQ(0, procedure(nullptr, message, kCommandCancel, 0));
    EXPECT_TRUE(fake_ui::Dialogs().empty());
    EXPECT_TRUE(fake_ui::MessageBoxes().empty());
}

// ---- confirmation -----------------------------------------------------------------

using ConfirmDialog = UiTest;

TEST_F(ConfirmDialog, ShowsTheTargetVersionAndThePageFields) {
    CopyText(fields.serialNumber, sizeof fields.serialNumber, "QV0C1234567");
    CopyText(fields.macAddress, sizeof fields.macAddress, "00:00:5E:00:53:2A");
    CopyText(fields.softwareVersion, sizeof fields.softwareVersion, "2.4.3(QE)");
    CopyText(fields.hardwareVersion, sizeof fields.hardwareVersion, "1.0.1");
    CopyText(fields.productName, sizeof fields.productName, "QAT-1040");
    fake_ui::Script(IDD_CONFIRM, {Press(kCommandOk)});
    EXPECT_EQ(1, RunModal(IDD_CONFIRM, ConfirmDialogProc));

    DialogRecord dialog = fake_ui::LastDialog(IDD_CONFIRM);
    EXPECT_EQ("Confirm Upgrade to Ver. 3.1.24(QE)", dialog.title);
    EXPECT_EQ(kConfirmText, dialog.Text(IDC_TEXT)) << "the target image alone: the text alone";
    EXPECT_EQ("QV0C1234567", dialog.Text(IDC_SERIAL_NUMBER));
    EXPECT_EQ("00:00:5E:00:53:2A", dialog.Text(IDC_MAC_ADDRESS));
    EXPECT_EQ("2.4.3(QE)", dialog.Text(IDC_SOFTWARE_VERSION));
    EXPECT_EQ("1.0.1", dialog.Text(IDC_HARDWARE_VERSION));
    EXPECT_EQ("QAT-1040", dialog.Text(IDC_PRODUCT_NAME));
    EXPECT_NE(0, dialog.initResult);
    EXPECT_EQ(kCommandOk, dialog.focus) << "the dialog manager focuses the first tab stop";
    EXPECT_EQ(1, dialog.moves);
}

TEST_F(ConfirmDialog, TwoStageTextNamesTheTransitionVersion) {
    transitionFirst = true;
    fake_ui::Script(IDD_CONFIRM_TWO_STAGE, {Press(kCommandCancel)});
    EXPECT_EQ(0, RunModal(IDD_CONFIRM_TWO_STAGE, ConfirmDialogProc));
    EXPECT_EQ(std::string(kConfirmText) +
                  "\r\n\r\nNote: Since your current firmware version\r\n"
                  "is older than 2.5.0(QT), this upgrade procedure\r\n"
                  "requires additional steps and will be\r\n"
                  "slightly longer.\r\n",
              fake_ui::LastDialog(IDD_CONFIRM_TWO_STAGE).Text(IDC_TEXT));
}

TEST_F(ConfirmDialog, EnterRightAfterOpeningUpgrades) {
    fake_ui::Script(IDD_CONFIRM, {Enter()});
    EXPECT_EQ(1, RunModal(IDD_CONFIRM, ConfirmDialogProc));
}

TEST_F(ConfirmDialog, EmptyPageFieldsShowEmptyBoxes) {
    CopyText(fields.macAddress, sizeof fields.macAddress, "00:00:5E:00:53:2A");
    fake_ui::Script(IDD_CONFIRM, {Press(kCommandOk)});
    RunModal(IDD_CONFIRM, ConfirmDialogProc);
    DialogRecord dialog = fake_ui::LastDialog(IDD_CONFIRM);
    EXPECT_EQ("", dialog.Text(IDC_SERIAL_NUMBER));
    EXPECT_EQ("00:00:5E:00:53:2A", dialog.Text(IDC_MAC_ADDRESS));
    EXPECT_EQ("", dialog.Text(IDC_PRODUCT_NAME));
}

// ---- password -------------------------------------------------------------------------

using PasswordDialog = UiTest;

TEST_F(PasswordDialog, OpensWithAdminAndTheFocusOnAnEmptyPassword) {
    fake_ui::Script(IDD_PASSWORD, {Type(IDC_PASSWORD, "secret"), Press(kCommandOk)});
    EXPECT_EQ(1, RunModal(IDD_PASSWORD, PasswordDialogProc));
    DialogRecord dialog = fake_ui::LastDialog(IDD_PASSWORD);
    EXPECT_EQ("Enter Password Information", dialog.title) << "the template's title stays";
    EXPECT_EQ(kPasswordHelpText, dialog.Text(IDC_TEXT));
    EXPECT_EQ(0, dialog.initResult);
    EXPECT_EQ(IDC_PASSWORD, dialog.focus);
    EXPECT_EQ(1, dialog.moves);
    EXPECT_STREQ("admin", password.user);
    EXPECT_STREQ("secret", password.password);
}

TEST_F(PasswordDialog, EveryOpeningOffersAdminAndAnEmptyPassword) {
    fake_ui::Script(IDD_PASSWORD, {Type(IDC_USER, "operator"), Type(IDC_PASSWORD, "wrong"), Press(kCommandOk),
                                   Press(kCommandOk)});
    EXPECT_EQ(1, RunModal(IDD_PASSWORD, PasswordDialogProc));
    EXPECT_STREQ("operator", password.user);
    EXPECT_STREQ("wrong", password.password);

    // The second opening is confirmed untouched: what it offered is stored.
    EXPECT_EQ(1, RunModal(IDD_PASSWORD, PasswordDialogProc));
    EXPECT_STREQ("admin", password.user);
    EXPECT_STREQ("", password.password);
    ASSERT_EQ(2u, fake_ui::DialogsOf(IDD_PASSWORD).size());
}

TEST_F(PasswordDialog, LongInputIsCutTo126Characters) {
    fake_ui::Script(IDD_PASSWORD, {Type(IDC_USER, std::string(200, 'u')), Type(IDC_PASSWORD, std::string(127, 'p')),
                                   Press(kCommandOk)});
    RunModal(IDD_PASSWORD, PasswordDialogProc);
    EXPECT_EQ(std::string(126, 'u'), password.user);
    EXPECT_EQ(std::string(126, 'p'), password.password);

    fake_ui::Script(IDD_PASSWORD, {Type(IDC_USER, std::string(126, 'x')), Press(kCommandOk)});
    RunModal(IDD_PASSWORD, PasswordDialogProc);
    EXPECT_EQ(std::string(126, 'x'), password.user) << "126 characters are kept whole";
}

TEST_F(PasswordDialog, CancelLeavesTheCredentialsAlone) {
    CopyText(password.user, sizeof password.user, "admin");
    CopyText(password.password, sizeof password.password, "before");
    fake_ui::Script(IDD_PASSWORD, {Type(IDC_USER, "other"), Type(IDC_PASSWORD, "after"), Escape()});
    EXPECT_EQ(0, RunModal(IDD_PASSWORD, PasswordDialogProc));
    EXPECT_STREQ("admin", password.user);
    EXPECT_STREQ("before", password.password);
}

TEST_F(PasswordDialog, EnterInThePasswordBoxConfirms) {
    fake_ui::Script(IDD_PASSWORD, {Type(IDC_PASSWORD, "pw"), Enter()});
    EXPECT_EQ(1, RunModal(IDD_PASSWORD, PasswordDialogProc));
    EXPECT_STREQ("pw", password.password);
}

// ---- success --------------------------------------------------------------------------

using SuccessDialog = UiTest;

TEST_F(SuccessDialog, ShowsTheAddressAndTheInstalledVersion) {
    CopyText(fields.softwareVersion, sizeof fields.softwareVersion, "3.1.24(QE)");
    fake_ui::Script(IDD_SUCCESS, {Enter()});
    EXPECT_EQ(1, RunModal(IDD_SUCCESS, SuccessDialogProc));
    DialogRecord dialog = fake_ui::LastDialog(IDD_SUCCESS);
    EXPECT_EQ("QEV@192.0.2.55 Upgrade Successful!", dialog.title);
    EXPECT_EQ(kSuccessText, dialog.Text(IDC_TEXT));
    EXPECT_EQ("3.1.24(QE)", dialog.Text(IDC_INSTALLED_VERSION));
    EXPECT_EQ(kCommandOk, dialog.focus);
    EXPECT_EQ(1, dialog.moves);
}

TEST_F(SuccessDialog, LongestAcceptedAddressFitsTheTitle) {
    CopyText(facts.deviceAddressText, sizeof facts.deviceAddressText, "255.255.255.255");
    fake_ui::Script(IDD_SUCCESS, {Press(kCommandOk)});
    RunModal(IDD_SUCCESS, SuccessDialogProc);
    EXPECT_EQ("QEV@255.255.255.255 Upgrade Successful!", fake_ui::LastDialog(IDD_SUCCESS).title);
}

// ---- the modeless progress dialogs ----------------------------------------------

using ProgressDialogs = UiTest;

TEST_F(ProgressDialogs, ConnectingDialogSetsTitleAndRange) {
    WindowHandle window = CreateModeless(IDD_CONNECTING, ConnectingDialogProc);
    DialogRecord dialog = fake_ui::LastDialog(IDD_CONNECTING);
    EXPECT_EQ("Connecting with QEV@192.0.2.55", dialog.title);
    EXPECT_EQ(100, dialog.LastProgressRange(IDC_PROGRESS));
    EXPECT_EQ(-1, dialog.LastProgressPosition(IDC_PROGRESS)) << "the runner moves the bar";
    EXPECT_NE(0, dialog.initResult);
    EXPECT_EQ(kCommandCancel, dialog.focus);
    EXPECT_EQ(1, dialog.moves);
    DestroyDialog(window);
}

TEST_F(ProgressDialogs, WaitingAndUploadDialogsOnlyCentre) {
    for (int templateId : {IDD_WAITING, IDD_UPLOAD}) {
        WindowHandle window = CreateModeless(templateId, ProgressDialogProc);
        DialogRecord dialog = fake_ui::LastDialog(templateId);
        EXPECT_EQ(FindDialogTemplate(templateId)->title, dialog.title);
        EXPECT_TRUE(dialog.progressRanges.empty());
        EXPECT_NE(0, dialog.initResult);
        EXPECT_EQ(kCommandCancel, dialog.focus);
        EXPECT_EQ(1, dialog.moves);
        DestroyDialog(window);
    }
}

TEST_F(ProgressDialogs, OkAndOtherCommandsAreNotHandled) {
    fake_ui::ScriptModeless(IDD_CONNECTING, 1, Press(kCommandOk));
    fake_ui::ScriptModeless(IDD_UPLOAD, 2, Enter());  // no keyboard handling: nothing arrives
    WindowHandle connecting = CreateModeless(IDD_CONNECTING, ConnectingDialogProc);
    WindowHandle upload = CreateModeless(IDD_UPLOAD, ProgressDialogProc);
    EXPECT_TRUE(PumpOneMessage(connecting));
    PumpAllMessages(upload);
    PumpAllMessages(upload);
    DialogRecord dialog = fake_ui::LastDialog(IDD_CONNECTING);
    ASSERT_EQ(1u, dialog.commands.size());
    EXPECT_EQ(0, dialog.commands[0].handled);
    EXPECT_FALSE(dialog.destroyed);
    EXPECT_TRUE(fake_ui::LastDialog(IDD_UPLOAD).commands.empty());
    EXPECT_TRUE(fake_ui::MessageBoxes().empty());
    DestroyDialog(connecting);
    DestroyDialog(upload);
}

// The user's abort from a modeless dialog: the dialog goes at once and its
// owner reads the abort from the dialog's record; the message is the
// upgrade's to show, not the dialog's.
class ProgressAbort : public UiTest {
protected:
    // Creates the dialog, shows it and pumps it as its owner would until the
    // scripted command arrives.
    void PumpUntilAborted(int templateId, DialogProcedure procedure, const fake_ui::Action& action, bool pumpAll) {
        fake_ui::ScriptModeless(templateId, 3, action);
        WindowHandle window = CreateModeless(templateId, procedure);
        ShowDialog(window);
        for (int i = 0; i < 10 && !progress.cancelled; ++i) {
            if (pumpAll)
                PumpAllMessages(window);
            else
                PumpOneMessage(window);
        }
        ExpectAborted(templateId, 3);
    }

    void ExpectAborted(int templateId, int pumps) {
        EXPECT_TRUE(progress.cancelled);
        DialogRecord dialog = fake_ui::LastDialog(templateId);
        EXPECT_TRUE(dialog.destroyed);
        EXPECT_EQ(pumps, dialog.pumps);
        EXPECT_TRUE(fake_ui::MessageBoxes().empty());
    }
};

TEST_F(ProgressAbort, ConnectingCancel) {
    PumpUntilAborted(IDD_CONNECTING, ConnectingDialogProc, Press(kCommandCancel), false);
}

TEST_F(ProgressAbort, ConnectingCloseBox) { PumpUntilAborted(IDD_CONNECTING, ConnectingDialogProc, Close(), false); }

TEST_F(ProgressAbort, WaitingCancel) {
    PumpUntilAborted(IDD_WAITING, ProgressDialogProc, Press(kCommandCancel), false);
}

TEST_F(ProgressAbort, UploadCloseBoxWhilePumpingAll) {
    PumpUntilAborted(IDD_UPLOAD, ProgressDialogProc, Close(), true);
}

TEST_F(ProgressAbort, AbortWithoutPumping) {
    WindowHandle window = CreateModeless(IDD_CONNECTING, ConnectingDialogProc);
    EXPECT_NE(0, ConnectingDialogProc(window, kMessageCommand, 0x00010000u | kCommandCancel, 0));
    ExpectAborted(IDD_CONNECTING, 0);
}

}  // namespace
