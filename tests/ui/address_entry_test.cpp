// The address dialog played through the fake user interface, and the
// upgrade file name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/random_draws.h"
#include "tests/support/fake_ui.h"
#include "tests/ui/ui_fixture.h"
#include "ui/address_entry.h"
#include "ui/dialog_texts.h"
#include "ui/resource_ids.h"

namespace {

using fake_ui::Choose;
using fake_ui::DialogRecord;
using fake_ui::Enter;
using fake_ui::Press;
using fake_ui::Type;
using ui_test::Address;
using ui_test::UiTest;

int RunAddressDialog(int templateId = IDD_ADDRESS_ADAPTER) {
    return RunModalDialog(nullptr, templateId, AddressDialogProc);
}

using AddressDialog = UiTest;

TEST_F(AddressDialog, AdapterOpeningShowsTextsListAndFocus) {
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Press(kCommandCancel)});
    EXPECT_EQ(0, RunAddressDialog());
    DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_ADAPTER);
    EXPECT_EQ("QAT-1040 Firmware Upgrade", dialog.title);
    EXPECT_EQ(kAddressIntroText, dialog.Text(IDC_TEXT));
    EXPECT_EQ(kAdapterHelpText, dialog.Text(IDC_HELP_TEXT));
    EXPECT_EQ("Version 3.1.24(QE)", dialog.Text(IDC_VERSION_LINE));
    EXPECT_EQ((std::vector<std::string>{"192.0.2.10", "198.51.100.7"}), dialog.Entries(IDC_LOCAL_ADDRESS));
    EXPECT_EQ(0, dialog.Selection(IDC_LOCAL_ADDRESS));
    EXPECT_EQ(0, dialog.initResult);
    EXPECT_EQ(IDC_ADDRESS, dialog.focus);
    EXPECT_EQ(1, dialog.moves);
}

TEST_F(AddressDialog, PhoneGetsThePhoneHelpText) {
    g_upgrade.deviceClass = kDevicePhone;
    fake_ui::Script(IDD_ADDRESS_PHONE, {Press(kCommandCancel)});
    RunAddressDialog(IDD_ADDRESS_PHONE);
    DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_PHONE);
    EXPECT_EQ(kPhoneHelpText, dialog.Text(IDC_HELP_TEXT));
    EXPECT_EQ("QAT-1040 Firmware Upgrade", dialog.title);
}

TEST_F(AddressDialog, AcceptedAddressFixesAddressLocalAddressAndFileName) {
    ScriptRandomDraws({0x4d2});
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "10.1.0.123"), Enter()});
    EXPECT_EQ(1, RunAddressDialog());
    EXPECT_EQ(Address(10, 1, 0, 123), g_upgrade.deviceAddress);
    EXPECT_STREQ("10.1.0.123", g_upgrade.deviceAddressText);
    EXPECT_EQ(Address(192, 0, 2, 10), g_upgrade.chosenLocalAddress);
    EXPECT_STREQ("/qev4d2.bi1", CurrentUpgradeFileName());
    EXPECT_TRUE(fake_ui::MessageBoxes().empty());
}

TEST_F(AddressDialog, ChosenEntryGivesTheLocalAddressOfItsSlot) {
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Choose(IDC_LOCAL_ADDRESS, 1), Type(IDC_ADDRESS, "192.0.2.55"),
                                          Press(kCommandOk)});
    EXPECT_EQ(1, RunAddressDialog());
    EXPECT_EQ(Address(198, 51, 100, 7), g_upgrade.chosenLocalAddress);
}

TEST_F(AddressDialog, ListHoldsOneEntryPerAddressUpToEight) {
    for (int count : {1, 8}) {
        std::memset(g_upgrade.localAddresses, 0, sizeof g_upgrade.localAddresses);
        for (int i = 0; i < count; ++i) g_upgrade.localAddresses[i] = Address(10, 0, 0, 1 + i);
        fake_ui::Script(IDD_ADDRESS_ADAPTER, {Choose(IDC_LOCAL_ADDRESS, count - 1), Type(IDC_ADDRESS, "10.0.0.99"),
                                              Press(kCommandOk)});
        EXPECT_EQ(1, RunAddressDialog());
        DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_ADAPTER);
        std::vector<std::string> entries = dialog.Entries(IDC_LOCAL_ADDRESS);
        ASSERT_EQ(static_cast<std::size_t>(count), entries.size());
        EXPECT_EQ("10.0.0.1", entries.front());
        EXPECT_EQ("10.0.0." + std::to_string(count), entries.back());
        EXPECT_EQ(Address(10, 0, 0, count), g_upgrade.chosenLocalAddress);
    }
}

TEST_F(AddressDialog, ListStopsAtTheFirstEmptySlot) {
    g_upgrade.localAddresses[2] = 0;
    g_upgrade.localAddresses[3] = Address(10, 9, 9, 9);  // after the end: not listed
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Press(kCommandCancel)});
    RunAddressDialog();
    EXPECT_EQ(2u, fake_ui::LastDialog(IDD_ADDRESS_ADAPTER).Entries(IDC_LOCAL_ADDRESS).size());
}

TEST_F(AddressDialog, EmptyListAcceptsWithAnyLocalAddress) {
    std::memset(g_upgrade.localAddresses, 0, sizeof g_upgrade.localAddresses);
    g_upgrade.chosenLocalAddress = Address(127, 0, 0, 1);
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "192.0.2.55"), Press(kCommandOk)});
    EXPECT_EQ(1, RunAddressDialog());
    DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_ADAPTER);
    EXPECT_TRUE(dialog.Entries(IDC_LOCAL_ADDRESS).empty());
    EXPECT_EQ(-1, dialog.Selection(IDC_LOCAL_ADDRESS));
    EXPECT_EQ(0u, g_upgrade.chosenLocalAddress) << "no selection: bound to any local address";
    EXPECT_EQ(Address(192, 0, 2, 55), g_upgrade.deviceAddress);
}

TEST_F(AddressDialog, RefusedAddressShowsAnOwnedBoxAndStaysOpen) {
    g_upgrade.deviceAddress = Address(192, 0, 2, 1);  // from an earlier acceptance: cleared by OK
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "1.2.3"), Press(kCommandOk)});
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "192.0.2.66"), Press(kCommandOk)});
    EXPECT_EQ(1, RunAddressDialog());

    DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_ADAPTER);
    std::vector<fake_ui::MessageBoxRecord> boxes = fake_ui::MessageBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Invalid IP Address", boxes[0].text);
    EXPECT_EQ("Error", boxes[0].caption);
    EXPECT_EQ(dialog.serial, boxes[0].ownerSerial) << "the box belongs to the dialog";
    EXPECT_EQ(Address(192, 0, 2, 66), g_upgrade.deviceAddress);
    EXPECT_STREQ("192.0.2.66", g_upgrade.deviceAddressText);
}

TEST_F(AddressDialog, ZeroAddressIsRefusedAndFocusReturns) {
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "0.0.0.0"), Choose(IDC_LOCAL_ADDRESS, 1), Press(kCommandOk)});
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Press(kCommandCancel)});
    std::string before = CurrentUpgradeFileName();
    EXPECT_EQ(0, RunAddressDialog());
    ASSERT_EQ(1u, fake_ui::MessageBoxes().size());
    DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_ADAPTER);
    EXPECT_EQ(IDC_ADDRESS, dialog.focus) << "focus back on the address after the box";
    EXPECT_EQ(before, CurrentUpgradeFileName()) << "no file name without acceptance";
}

TEST_F(AddressDialog, CancelAfterRefusalLeavesAddressZero) {
    g_upgrade.deviceAddress = Address(192, 0, 2, 1);
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "a.b.c.d"), Press(kCommandOk), Press(kCommandCancel)});
    EXPECT_EQ(0, RunAddressDialog());
    EXPECT_EQ(0u, g_upgrade.deviceAddress);
    EXPECT_STREQ("a.b.c.d", g_upgrade.deviceAddressText) << "the refused text stays as typed";
    EXPECT_EQ(Address(192, 0, 2, 10), g_upgrade.chosenLocalAddress);
}

TEST_F(AddressDialog, CancelWithoutOkLeavesAddressUnchanged) {
    g_upgrade.deviceAddress = Address(192, 0, 2, 1);
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "10.1.0.123"), Press(kCommandCancel)});
    EXPECT_EQ(0, RunAddressDialog());
    EXPECT_EQ(Address(192, 0, 2, 1), g_upgrade.deviceAddress);
    EXPECT_STREQ("192.0.2.55", g_upgrade.deviceAddressText);
}

TEST_F(AddressDialog, OverlongTextIsKeptTo62CharactersAndRefused) {
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, std::string(100, '1')), Press(kCommandOk),
                                          Press(kCommandCancel)});
    EXPECT_EQ(0, RunAddressDialog());
    EXPECT_EQ(std::string(62, '1'), g_upgrade.deviceAddressText);
    EXPECT_EQ(1u, fake_ui::MessageBoxes().size());
}

TEST_F(AddressDialog, EveryRefusalBringsItsOwnBox) {
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Press(kCommandOk), Type(IDC_ADDRESS, "1.2.3.4.5"), Press(kCommandOk),
                                          Type(IDC_ADDRESS, "1.2.3.4"), Press(kCommandOk)});
    EXPECT_EQ(1, RunAddressDialog());
    EXPECT_EQ(2u, fake_ui::MessageBoxes().size());
    EXPECT_EQ(Address(1, 2, 3, 4), g_upgrade.deviceAddress);
}

// ---- the upgrade file name --------------------------------------------------------

// The draw's low 16 bits in lowercase hexadecimal without leading zeros, then the stage flag.
TEST(UpgradeFileName, IsTheDrawInHexAndTheStage) {
    ScriptRandomDraws({0x0, 0xa0, 0x7fff, 0x3abcdef});
    const char* const expected[] = {"/qev0.bi1", "/qeva0.bi0", "/qev7fff.bi1", "/qevcdef.bi0"};
    for (int i = 0; i < 4; ++i) {
        MakeUpgradeFileName(i % 2 == 0 ? 1 : 0);
        EXPECT_STREQ(expected[i], CurrentUpgradeFileName());
    }
}

}  // namespace
