#include <gtest/gtest.h>

#include "platform/HexDigit.h"

using namespace pixelon;

TEST(HexDigit, ValuesOfBothCasesAndRejectsTheNeighbours) {
    EXPECT_EQ(hexDigitValue('0'), 0);
    EXPECT_EQ(hexDigitValue('9'), 9);
    EXPECT_EQ(hexDigitValue('a'), 10);
    EXPECT_EQ(hexDigitValue('F'), 15);
    EXPECT_EQ(hexDigitValue('f'), 15);
    // The characters just outside each range, and bytes above 0x7F (negative as char).
    for (char c : {'/', ':', '@', 'G', '`', 'g', ' ', '\0', char(0xB0), char(0xFF)})
        EXPECT_EQ(hexDigitValue(c), -1) << int(c);
}
