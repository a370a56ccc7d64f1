#include "platform/RuntimeRandom.h"

#include <gtest/gtest.h>

using platform::RuntimeRandom;

TEST(RuntimeRandom, FreshGeneratorGivesThePublishedSequence)
{
    RuntimeRandom rnd;
    EXPECT_EQ(rnd.state(), 0x50000u);
    const float expected[] = {0.7055475f, 0.533424f, 0.5795186f, 0.2895625f, 0.301948f};
    for (const float value : expected)
        EXPECT_FLOAT_EQ(rnd.next(), value);
}

TEST(RuntimeRandom, DrawWithANegativeArgumentReseedsFromItsBits)
{
    struct Row
    {
        const char* name;
        float argument;
        float expected;
    };
    const Row rows[] = {
        {"minus one (a signed shift gives 0.9584278)", -1.0f, 0.2240070104598999f},
        {"minus 79.4", -79.4f, 0.828889251f},
        {"minus 44.48306", -44.48306f, 0.5418172f},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RuntimeRandom fresh;
        EXPECT_EQ(fresh.draw(row.argument), row.expected);
        // The same argument gives the same value whatever came before.
        RuntimeRandom used;
        used.next();
        used.mix(123.0);
        EXPECT_EQ(used.draw(row.argument), row.expected);
    }
}

TEST(RuntimeRandom, DrawOfZeroRepeatsTheLastValueWithoutStepping)
{
    RuntimeRandom rnd;
    const float last = rnd.next();
    EXPECT_EQ(rnd.draw(0.0f), last);
    EXPECT_EQ(rnd.draw(-0.0f), last);
    EXPECT_FLOAT_EQ(rnd.next(), 0.533424f);
}

TEST(RuntimeRandom, MixAfterDrawGivesThePublishedSequence)
{
    RuntimeRandom rnd;
    rnd.draw(-1.0f);
    rnd.mix(1.0);
    const float expected[] = {0.3335753f, 0.06816387f, 0.5938293f, 0.7660395f, 0.1892894f};
    for (const float value : expected)
        EXPECT_FLOAT_EQ(rnd.next(), value);
}

TEST(RuntimeRandom, MixOfTheDrawnValueAlwaysLeavesTheSameState)
{
    for (const quint32 before : {0x50000u, 0u, 0xFFFFFFu, 0x123456u}) {
        RuntimeRandom rnd;
        rnd.setState(before);
        const float v = rnd.draw(-1.0f);
        rnd.mix(v);
        EXPECT_EQ(rnd.state(), 0x938F86u) << std::hex << before;
    }
}

TEST(RuntimeRandom, MixKeepsTheLowByteAndReplacesTheRest)
{
    RuntimeRandom rnd;
    rnd.setState(0xABCDEF);
    rnd.mix(1.0); // upper 32 bits 0x3FF00000: 0x0000 ^ 0x3FF0
    EXPECT_EQ(rnd.state(), 0x3FF0EFu);
    rnd.mix(-2.5); // upper 32 bits 0xC0040000: 0x0000 ^ 0xC004
    EXPECT_EQ(rnd.state(), 0xC004EFu);
}
