// The starting point of every dialog test: a fresh fake user interface and
// the upgrade record as start-up would leave it for a sample adapter.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "common/text.h"
#include "common/upgrade_state.h"
#include "tests/support/fake_ui.h"

namespace ui_test {

constexpr std::uint32_t Address(unsigned a, unsigned b, unsigned c, unsigned d) {
    return (a << 24) | (b << 16) | (c << 8) | d;
}

inline void SetHeaderVersion(ImageHeader* header, const char* version) {
    std::memset(header->bytes, 0, sizeof header->bytes);
    CopyText(reinterpret_cast<char*>(header->bytes + kVersionTextOffset), kImageHeaderSize - kVersionTextOffset,
             version);
}

class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_ui::Reset();
        g_upgrade.stageFlag.store(1);
        CopyText(g_upgrade.displayName, sizeof g_upgrade.displayName, "QAT-1040");
        g_upgrade.deviceClass = kDeviceAdapter;
        std::memset(g_upgrade.localAddresses, 0, sizeof g_upgrade.localAddresses);
        g_upgrade.localAddresses[0] = Address(192, 0, 2, 10);
        g_upgrade.localAddresses[1] = Address(198, 51, 100, 7);
        g_upgrade.chosenLocalAddress = g_upgrade.localAddresses[0];
        g_upgrade.deviceAddress = 0;
        CopyText(g_upgrade.deviceAddressText, sizeof g_upgrade.deviceAddressText, "192.0.2.55");
        SetHeaderVersion(&g_upgrade.targetImage.header, "3.1.24(QE)");
        SetHeaderVersion(&g_upgrade.transitionImage.header, "2.5.0(QT)");
        std::memset(&g_upgrade.pageFields, 0, sizeof g_upgrade.pageFields);
        std::memset(&g_upgrade.digest, 0, sizeof g_upgrade.digest);
        PublishUpgradeFileName("");
    }

    void TearDown() override { EXPECT_EQ(0, fake_ui::UnusedActions()) << "the script was not played to its end"; }
};

}  // namespace ui_test
