// The stream filter against SoX's own band-reject run, and the state it carries from block
// to block.
#include "zemWave/engine/bandrejectfilter.h"
#include "zemWave/engine/effectrunner.h"

#include "platform/sound/wavfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr int kRate = 8000;

std::vector<int16_t> Call(int frames)
{
    std::vector<int16_t> call = soundtest::Tone(2800, 3277, kRate, frames);
    const std::vector<int16_t> voice = soundtest::Tone(700, 9000, kRate, frames);
    for (size_t i = 0; i < call.size(); ++i)
        call[i] = static_cast<int16_t>(call[i] + voice[i]);
    return call;
}

TEST(BandRejectFilter, AFreshFilterGivesWhatSoxGivesForOneBlock)
{
    struct Case {
        int centre, width, rate;
    };
    for (const Case c : {Case{2800, 300, 8000}, Case{1000, 50, 8000}, Case{440, 100, 22050}}) {
        SCOPED_TRACE(c.centre);
        std::vector<int16_t> sox = Call(800);
        ASSERT_EQ(SoxBandRejectBlock(c.centre, c.width, sox.data(), 800, 1, c.rate), 0);
        std::vector<int16_t> ours = Call(800);
        BandRejectFilter filter;
        ASSERT_TRUE(filter.Configure(c.centre, c.width, c.rate, 1));
        filter.Process(ours.data(), 800);
        for (size_t i = 0; i < ours.size(); ++i)
            ASSERT_LE(std::abs(ours[i] - sox[i]), 1) << "frame " << i;
    }
}

TEST(BandRejectFilter, BlocksFilterAsOneSignalUntilReset)
{
    const std::vector<int16_t> call = Call(1600);
    std::vector<int16_t> whole = call;
    BandRejectFilter filter;
    ASSERT_TRUE(filter.Configure(2800, 300, kRate, 2));  // two channels: frames of two values
    filter.Process(whole.data(), 800);

    std::vector<int16_t> blocks = call;
    ASSERT_TRUE(filter.Configure(2800, 300, kRate, 2));
    filter.Process(blocks.data(), 400);
    filter.Process(blocks.data() + 800, 400);
    EXPECT_EQ(blocks, whole);

    std::vector<int16_t> afterReset(call.begin(), call.begin() + 800);
    filter.Reset();
    filter.Process(afterReset.data(), 400);
    EXPECT_EQ(afterReset, std::vector<int16_t>(whole.begin(), whole.begin() + 800));
}

TEST(BandRejectFilter, WhatSoxRefusesIsRefusedAndPassesThrough)
{
    BandRejectFilter filter;
    EXPECT_FALSE(filter.Configure(4001, 300, kRate, 1)) << "above half the rate";
    EXPECT_FALSE(filter.Configure(2800, 0, kRate, 1));
    std::vector<int16_t> block = Call(100);
    filter.Process(block.data(), 100);
    EXPECT_EQ(block, Call(100));
    EXPECT_TRUE(filter.Configure(4000, 300, kRate, 1)) << "exactly half the rate is allowed";
}

}  // namespace
