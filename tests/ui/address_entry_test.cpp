// The address dialog played through the fake user interface.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

class AddressDialog : public UiTest {
protected:
    int RunAddressDialog(int templateId = IDD_ADDRESS_ADAPTER) { return RunModal(templateId, AddressDialogProc); }
};

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
    facts.deviceClass = kDevicePhone;
    fake_ui::Script(IDD_ADDRESS_PHONE, {Press(kCommandCancel)});
    RunAddressDialog(IDD_ADDRESS_PHONE);
    DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_PHONE);
    EXPECT_EQ(kPhoneHelpText, dialog.Text(IDC_HELP_TEXT));
    EXPECT_EQ("QAT-1040 Firmware Upgrade", dialog.title);
}

TEST_F(AddressDialog, AcceptedAddressFixesAddressAndLocalAddress) {
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "10.1.0.123"), Enter()});
    EXPECT_EQ(1, RunAddressDialog());
    EXPECT_EQ(Address(10, 1, 0, 123), choice.deviceAddress);
    EXPECT_STREQ("10.1.0.123", choice.deviceAddressText);
    EXPECT_EQ(Address(192, 0, 2, 10), choice.localAddress);
    EXPECT_TRUE(fake_ui::MessageBoxes().empty());
}

TEST_F(AddressDialog, ChosenEntryGivesTheLocalAddressOfItsSlot) {
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Choose(IDC_LOCAL_ADDRESS, 1), Type(IDC_ADDRESS, "192.0.2.55"),
                                          Press(kCommandOk)});
    EXPECT_EQ(1, RunAddressDialog());
    EXPECT_EQ(Address(198, 51, 100, 7), choice.localAddress);
}

TEST_F(AddressDialog, ListHoldsOneEntryPerAddressUpToEight) {
    for (int count : {1, 8}) {
        facts.localAddressCount = count;
        for (int i = 0; i < count; ++i) facts.localAddresses[i] = Address(10, 0, 0, 1 + i);
        fake_ui::Script(IDD_ADDRESS_ADAPTER, {Choose(IDC_LOCAL_ADDRESS, count - 1), Type(IDC_ADDRESS, "10.0.0.99"),
                                              Press(kCommandOk)});
        EXPECT_EQ(1, RunAddressDialog());
        DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_ADAPTER);
        std::vector<std::string> entries = dialog.Entries(IDC_LOCAL_ADDRESS);
        ASSERT_EQ(static_cast<std::size_t>(count), entries.size());
        EXPECT_EQ("10.0.0.1", entries.front());
        EXPECT_EQ("10.0.0." + std::to_string(count), entries.back());
        EXPECT_EQ(Address(10, 0, 0, count), choice.localAddress);
    }
}

TEST_F(AddressDialog, EmptyListAcceptsWithAnyLocalAddress) {
    facts.localAddressCount = 0;
    choice.localAddress = Address(127, 0, 0, 1);
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "192.0.2.55"), Press(kCommandOk)});
    EXPECT_EQ(1, RunAddressDialog());
    DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_ADAPTER);
    EXPECT_TRUE(dialog.Entries(IDC_LOCAL_ADDRESS).empty());
    EXPECT_EQ(-1, dialog.Selection(IDC_LOCAL_ADDRESS));
    EXPECT_EQ(0u, choice.localAddress) << "no selection: bound to any local address";
    EXPECT_EQ(Address(192, 0, 2, 55), choice.deviceAddress);
}

TEST_F(AddressDialog, RefusedAddressShowsAnOwnedBoxAndStaysOpen) {
    choice.deviceAddress = Address(192, 0, 2, 1);  // from an earlier acceptance: cleared by OK
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "1.2.3"), Press(kCommandOk)});
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "192.0.2.66"), Press(kCommandOk)});
    EXPECT_EQ(1, RunAddressDialog());

    DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_ADAPTER);
    std::vector<fake_ui::MessageBoxRecord> boxes = fake_ui::MessageBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Invalid IP Address", boxes[0].text);
    EXPECT_EQ("Error", boxes[0].caption);
    EXPECT_EQ(dialog.serial, boxes[0].ownerSerial) << "the box belongs to the dialog";
    EXPECT_EQ(Address(192, 0, 2, 66), choice.deviceAddress);
    EXPECT_STREQ("192.0.2.66", choice.deviceAddressText);
}

TEST_F(AddressDialog, ZeroAddressIsRefusedAndFocusReturns) {
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "0.0.0.0"), Choose(IDC_LOCAL_ADDRESS, 1), Press(kCommandOk)});
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Press(kCommandCancel)});
    EXPECT_EQ(0, RunAddressDialog());
    ASSERT_EQ(1u, fake_ui::MessageBoxes().size());
    DialogRecord dialog = fake_ui::LastDialog(IDD_ADDRESS_ADAPTER);
    EXPECT_EQ(IDC_ADDRESS, dialog.focus) << "focus back on the address after the box";
    EXPECT_EQ(Address(192, 0, 2, 10), choice.localAddress) << "no choice without acceptance";
}

TEST_F(AddressDialog, CancelAfterRefusalLeavesAddressZero) {
    choice.deviceAddress = Address(192, 0, 2, 1);
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "a.b.c.d"), Press(kCommandOk), Press(kCommandCancel)});
    EXPECT_EQ(0, RunAddressDialog());
    EXPECT_EQ(0u, choice.deviceAddress);
    EXPECT_STREQ("a.b.c.d", choice.deviceAddressText) << "the refused text stays as typed";
    EXPECT_EQ(Address(192, 0, 2, 10), choice.localAddress);
}

TEST_F(AddressDialog, CancelWithoutOkLeavesAddressUnchanged) {
    choice.deviceAddress = Address(192, 0, 2, 1);
    CopyText(choice.deviceAddressText, sizeof choice.deviceAddressText, "192.0.2.1");
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, "10.1.0.123"), Press(kCommandCancel)});
    EXPECT_EQ(0, RunAddressDialog());
    EXPECT_EQ(Address(192, 0, 2, 1), choice.deviceAddress);
    EXPECT_STREQ("192.0.2.1", choice.deviceAddressText);
}

TEST_F(AddressDialog, OverlongTextIsKeptTo62CharactersAndRefused) {
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Type(IDC_ADDRESS, std::string(100, '1')), Press(kCommandOk),
                                          Press(kCommandCancel)});
    EXPECT_EQ(0, RunAddressDialog());
    EXPECT_EQ(std::string(62, '1'), choice.deviceAddressText);
    EXPECT_EQ(1u, fake_ui::MessageBoxes().size());
}

TEST_F(AddressDialog, EveryRefusalBringsItsOwnBox) {
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {Press(kCommandOk), Type(IDC_ADDRESS, "1.2.3.4.5"), Press(kCommandOk),
                                          Type(IDC_ADDRESS, "1.2.3.4"), Press(kCommandOk)});
    EXPECT_EQ(1, RunAddressDialog());
    EXPECT_EQ(2u, fake_ui::MessageBoxes().size());
    EXPECT_EQ(Address(1, 2, 3, 4), choice.deviceAddress);
}

}  // namespace
