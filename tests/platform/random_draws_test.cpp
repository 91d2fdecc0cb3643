// The random draws: scripted ones first, in order and on any thread, then
// the system generator's, within 0 to 32767.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "platform/platform.h"

namespace {

TEST(RandomDraws, ScriptedDrawsComeFirstOnAnyThread) {
    ScriptRandomDraws({7, 0x7FFF});
    EXPECT_EQ(7u, DrawRandomNumber());
    unsigned drawnElsewhere = 0;
    std::thread([&] { drawnElsewhere = DrawRandomNumber(); }).join();
    EXPECT_EQ(0x7FFFu, drawnElsewhere);
}

TEST(RandomDraws, SystemDrawsStayInRangeAndVary) {
    ScriptRandomDraws({});
    std::set<unsigned> seen;
    for (int i = 0; i < 64; ++i) {
        unsigned draw = DrawRandomNumber();
        EXPECT_LE(draw, 0x7FFFu);
        seen.insert(draw);
    }
    // 64 draws of 15 bits: fewer than 48 different values would take a broken generator.
    EXPECT_GE(seen.size(), 48u);
}

}  // namespace
