// The first-stage upgrade file name in a program configuration: built into
// one test program per configuration, each with its own suite name.
#include <gtest/gtest.h>

#include <string>

#include "common/random_draws.h"
#include "tests/ui/ui_fixture.h"
#include "ui/address_entry.h"
#include "ui/resource_ids.h"

#if !defined(QEV_STAGE_SUITE) || !defined(QEV_EXPECTED_STAGE)
#error "QEV_STAGE_SUITE and QEV_EXPECTED_STAGE name the configuration under test"
#endif

namespace {

using QEV_STAGE_SUITE = ui_test::UiTest;

TEST_F(QEV_STAGE_SUITE, AcceptedAddressNamesTheFirstStage) {
    ASSERT_EQ(QEV_EXPECTED_STAGE, kInitialStageFlag);
    g_upgrade.stageFlag.store(kInitialStageFlag);
    ScriptRandomDraws({0x1a2b});
    fake_ui::Script(IDD_ADDRESS_ADAPTER, {fake_ui::Type(IDC_ADDRESS, "192.0.2.55"), fake_ui::Press(kCommandOk)});
    ASSERT_EQ(1, RunModalDialog(nullptr, IDD_ADDRESS_ADAPTER, AddressDialogProc));
    EXPECT_EQ("/qev1a2b.bi" + std::to_string(QEV_EXPECTED_STAGE), CurrentUpgradeFileName());
}

}  // namespace
