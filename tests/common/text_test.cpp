// Bounded copies and formats never pass their buffer.
#include <gtest/gtest.h>

#include "common/text.h"
#include "common/upgrade_state.h"

namespace {

TEST(Text, CopyAndFormatAreCutToTheBufferAndTerminated) {
    char buffer[8];
    EXPECT_EQ(7u, CopyText(buffer, sizeof buffer, "0123456789"));
    EXPECT_STREQ("0123456", buffer);
    EXPECT_EQ(3u, CopyText(buffer, sizeof buffer, "abc"));
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ(7u, FormatText(buffer, sizeof buffer, "%s-%d", "long", 12345));
    EXPECT_STREQ("long-12", buffer);
    CopyText(buffer, sizeof buffer, "ab");
    AppendText(buffer, sizeof buffer, "%s", "cdefghij");
    EXPECT_STREQ("abcdefg", buffer);
    EXPECT_EQ(0u, AppendText(buffer, sizeof buffer, "x"));
    EXPECT_STREQ("abcdefg", buffer);
}

TEST(UpgradeFileName, PublishedNameIsReadWhole) {
    PublishUpgradeFileName("/qev1a2b.bi0");
    EXPECT_STREQ("/qev1a2b.bi0", CurrentUpgradeFileName());
    PublishUpgradeFileName("/qevffff.bi1");
    EXPECT_STREQ("/qevffff.bi1", CurrentUpgradeFileName());
}

}  // namespace
