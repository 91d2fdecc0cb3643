// The JSON line of the events and the record: escapes that keep any byte a
// device sends valid JSON, nesting, and a member too long for the line.
#include <gtest/gtest.h>

#include <string>

#include "cli/json_line.h"

namespace {

TEST(JsonLine, QuotesBackslashesControlsAndHighBytesAreEscaped) {
    JsonLine line;
    line.Text("k", "a\"b\\c\x01\x7f\xe9");
    EXPECT_STREQ("{\"k\":\"a\\\"b\\\\c\\u0001\\u007f\\u00e9\"}\n", line.Finish());
}

TEST(JsonLine, NumbersBooleansNullAndNestedObjects) {
    JsonLine line;
    line.Text("event", "upload");
    line.BeginObject("image");
    line.Number("size", 774248);
    line.Boolean("whole", false);
    line.EndObject();
    line.Text("none", nullptr);
    line.Number("negative", -3);
    EXPECT_STREQ("{\"event\":\"upload\",\"image\":{\"size\":774248,\"whole\":false},\"none\":null,\"negative\":-3}\n",
                 line.Finish());
}

TEST(JsonLine, MemberTooLongForTheLineIsLeftOutWholeAndTheLineStaysValid) {
    JsonLine line;
    line.BeginObject("outer");
    line.Text("long", std::string(kJsonLineSize, 'x').c_str());
    line.Text("after", "y");
    EXPECT_STREQ("{\"outer\":{\"after\":\"y\"}}\n", line.Finish());
}

}  // namespace
