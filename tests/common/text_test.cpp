// Bounded copies and formats never pass their buffer.
#include <gtest/gtest.h>

#include "common/text.h"

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

TEST(Text, EqualsIgnoringCaseComparesTheWholeLength) {
    EXPECT_TRUE(EqualsIgnoringCase("DiGeSt realm", 6, "digest"));
    EXPECT_FALSE(EqualsIgnoringCase("Diges", 5, "digest"));
    EXPECT_FALSE(EqualsIgnoringCase("Digests", 7, "digest"));
    EXPECT_FALSE(EqualsIgnoringCase("Digest", 6, "digesT"));  // the second text is taken as it is
}

}  // namespace
