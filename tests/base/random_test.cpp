#include <gtest/gtest.h>

#include "base/random.h"

TEST(Random, InitialStateGivesTheKnownSequence) {
    seedRandom(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected) EXPECT_EQ(nextRandom(), value);
}

TEST(Random, StateWrapsModulo2To32AndYieldsFifteenBits) {
    seedRandom(0xFFFFFFFFu);  // 0xFFFFFFFF * 214013 + 2531011 wraps to 2316998
    EXPECT_EQ(nextRandom(), 2316998 >> 16);
    seedRandom(0x80000000u);  // the top bit of the new state must not leak into the draw
    for (int i = 0; i < 1000; ++i) {
        const int value = nextRandom();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
}

