// The starting point of every dialog test: a fresh fake user interface and
// what the dialogs are given to show for a sample adapter, in the records
// the dialog procedures read (their contexts).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "app/upgrade_view.h"
#include "common/text.h"
#include "tests/support/fake_ui.h"
#include "ui/address_entry.h"
#include "ui/dialogs.h"
#include "ui/resource_ids.h"

namespace ui_test {

constexpr std::uint32_t Address(unsigned a, unsigned b, unsigned c, unsigned d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_ui::Reset();
        CopyText(facts.displayName, sizeof facts.displayName, "QAT-1040");
        facts.deviceClass = kDeviceAdapter;
        facts.localAddresses[0] = Address(192, 0, 2, 10);
        facts.localAddresses[1] = Address(198, 51, 100, 7);
        facts.localAddressCount = 2;
        CopyText(facts.deviceAddressText, sizeof facts.deviceAddressText, "192.0.2.55");
        CopyText(facts.targetVersion, sizeof facts.targetVersion, "3.1.24(QE)");
        CopyText(facts.transitionVersion, sizeof facts.transitionVersion, "2.5.0(QT)");
        choice.localAddress = facts.localAddresses[0];
    }

    void TearDown() override { EXPECT_EQ(0, fake_ui::UnusedActions()) << "the script was not played to its end"; }

    // The record the procedure of the template reads, made from the fields below.
    void* ContextFor(int templateId) {
        warning_ = WarningDialogData{facts.displayName};
        address_ = AddressDialogData{&facts, &choice};
        confirm_ = ConfirmDialogData{facts.targetVersion, transitionFirst ? facts.transitionVersion : nullptr, &fields};
        success_ = SuccessDialogData{facts.deviceAddressText, fields.softwareVersion};
        progress.deviceAddressText = facts.deviceAddressText;
        switch (templateId) {
            case IDD_WARNING: return &warning_;
            case IDD_ADDRESS_ADAPTER:
            case IDD_ADDRESS_PHONE: return &address_;
            case IDD_CONFIRM:
            case IDD_CONFIRM_TWO_STAGE: return &confirm_;
            case IDD_PASSWORD: return &password;
            case IDD_SUCCESS: return &success_;
            default: return &progress;
        }
    }

    int RunModal(int templateId, DialogProcedure procedure) {
        return RunModalDialog(nullptr, templateId, procedure, ContextFor(templateId));
    }
    WindowHandle CreateModeless(int templateId, DialogProcedure procedure) {
        return CreateModelessDialog(nullptr, templateId, procedure, ContextFor(templateId));
    }

    // What the dialogs show, and what they give back.
    ViewFacts facts{};
    PageFields fields{};
    bool transitionFirst = false;
    AddressChoice choice{};
    PasswordDialogData password{};
    ProgressDialogData progress{nullptr, false};

private:
    WarningDialogData warning_{};
    AddressDialogData address_{};
    ConfirmDialogData confirm_{};
    SuccessDialogData success_{};
};

}  // namespace ui_test
