// The mixer with the wav output stepped by a manual clock, as the playback tests drive it.
#pragma once

#include "sound/soundsystem.h"

#include "support/scratch.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace soundtest {

constexpr int kRate = 8000;
constexpr int kBlock = zem::SoundSystem::kBlockMs;

class Mixer : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = zemtest::NewFolder("sound");
        mixPath_ = folder_ + "/mix.wav";
        sound_ = std::make_unique<zem::SoundSystem>(zem::OutputChoice::Wav(mixPath_, &clock_));
        ASSERT_TRUE(sound_->Init(kRate, 32));
    }

    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string path = folder_ + "/" + name;
        zemtest::WriteFile(path, bytes);
        return path;
    }

    // A 16-bit mono file at kRate.
    zem::SoundStream Open(const std::vector<int16_t>& samples, const std::string& name = "in.wav")
    {
        WavSpec spec;
        spec.dataBytes = Pcm16(samples);
        return sound_->StreamOpen(Write(name, MakeWav(spec)));
    }

    void Mix(int ms)
    {
        clock_.Advance(ms);
        mixedMs_ += ms;
        ASSERT_TRUE(sound_->WaitForMixedMs(mixedMs_));
    }

    std::vector<int16_t> Finish()
    {
        sound_->Close();
        return ReadMix(mixPath_);
    }

    zem::ManualClock clock_;
    std::string folder_;
    std::string mixPath_;
    std::unique_ptr<zem::SoundSystem> sound_;
    int64_t mixedMs_ = 0;
};

}  // namespace soundtest
