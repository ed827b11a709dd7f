#include "ZemBaseLib/muldiv.h"

#include <gtest/gtest.h>

TEST(MulDivRound, RoundsHalfUpInSixtyFourBits)
{
    const struct {
        uint32_t a, b, c, expected;
    } cases[] = {
        {201, 250, 1000, 50},                   // 50.25
        {3, 1, 2, 2},                           // 1.5 rounds up
        {255, 65535, 255, 65535},               // 8-bit overview sample
        {128, 65535, 255, 32896},               // 128 x 257
        {4000000000u, 4000000000u, 4000000000u, 4000000000u},  // product needs 64 bits
        {1000, 8000, 1000, 8000},
        {7, 7, 0, 0},                           // no division by zero
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}
