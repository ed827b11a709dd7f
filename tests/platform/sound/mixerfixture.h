// The mixer with the wav output stepped by a manual clock, as the playback tests drive it.
#pragma once

#include "sound/soundsystem.h"

#include "base/file.h"

#include "support/scratch.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
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

    // A file that a download still writes (and holds locked, as a download does): played for
    // 1 s, then `rest` is appended and 2 s more are mixed.
    struct GrowingRun {
        bool opened = false;
        int endsWhileWaiting = -1;
        bool playingWhileWaiting = false;
        int64_t waitingAt = -1;  // the stream's time while it waited, ms
        int ends = -1;           // end callbacks once the rest was there
    };
    GrowingRun PlayGrowing(const std::string& path, const std::string& rest)
    {
        GrowingRun run;
        zem::File writer;
        if (writer.Open(path, zem::File::Mode::Write) != 0 || writer.LockForWriting() != 0)
            return run;
        const zem::SoundStream stream = sound_->StreamOpen(path);
        run.opened = stream != 0;
        if (!run.opened)
            return run;
        std::atomic<int> ends{0};
        sound_->StreamSetEndCallback(stream, [&] { ++ends; });
        const int channel = sound_->StreamPlay(zem::kFreeChannel, stream);
        Mix(1000);
        run.endsWhileWaiting = ends;
        run.playingWhileWaiting = sound_->IsPlaying(channel);
        run.waitingAt = sound_->StreamGetTime(stream);
        {
            std::ofstream out(path, std::ios::binary | std::ios::app);
            out.write(rest.data(), static_cast<std::streamsize>(rest.size()));
        }
        Mix(2000);
        run.ends = ends;
        return run;
    }

    // The stream waited, still playing and without ending, and ended once when it had all.
    static void ExpectWaitedThenEnded(const GrowingRun& run)
    {
        ASSERT_TRUE(run.opened);
        EXPECT_EQ(run.endsWhileWaiting, 0);
        EXPECT_TRUE(run.playingWhileWaiting);
        EXPECT_EQ(run.ends, 1);
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
