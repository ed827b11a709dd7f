// The device output through PortAudio's default device, with ALSA's file plugin standing in
// for the sound card: what was played is read back from the raw files it writes.
#include "sound/soundsystem.h"

#include "platform/sound/wavfiles.h"

#include "support/alsafiledevice.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

namespace {

using zem::SoundSystem;
using zemtest::AlsaFileDevice;

constexpr int kRate = 8000;
constexpr double kAmplitude = 8000;

std::string WriteTone(double hertz, int ms)
{
    soundtest::WavSpec spec;
    spec.dataBytes = soundtest::Pcm16(soundtest::Tone(hertz, kAmplitude, kRate, kRate * ms / 1000));
    const std::string path = zemtest::NewFolder("device") + "/tone.wav";
    zemtest::WriteFile(path, soundtest::MakeWav(spec));
    return path;
}

zem::OutputChoice Device(int onlyRate = 0)
{
    zem::OutputChoice choice = zem::OutputChoice::Device(false);
    choice.onlyRate = onlyRate;
    return choice;
}

// The largest level in the band, in 10 Hz steps, of a stretch seen through a Hann window (so
// a strong tone outside the band does not leak into it).
double LoudestIn(const std::vector<int16_t>& samples, int rate, double fromHz, double toHz)
{
    std::vector<int16_t> windowed(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(samples.size()));
        windowed[i] = static_cast<int16_t>(std::lround(samples[i] * w));
    }
    double loudest = 0;
    for (double hz = fromHz; hz <= toHz; hz += 10)
        loudest = std::max(loudest, soundtest::ToneLevel(windowed, hz, rate));
    return loudest / 0.5;  // the window's gain on a tone
}

// A tone placed one second ahead lands at that frame of the device's recording, at the
// mixer's rate or, from a device that plays only 48000 Hz, converted to that rate without
// images of the 8000 Hz mix above its 4000 Hz band.
TEST(DeviceOutput, ATonePlacedAheadArrivesAtItsFrameAtEitherRate)
{
    for (const int only : {0, 48000}) {
        SCOPED_TRACE(only ? "the device plays only 48000 Hz" : "the device takes 8000 Hz");
        AlsaFileDevice device;
        int64_t placedFrame = 0;
        {
            SoundSystem sound(Device(only));
            ASSERT_GE(sound.DriverCount(), 1);
            EXPECT_EQ(sound.DriverName(0), "default");
            ASSERT_TRUE(sound.Init(kRate, 4));
            EXPECT_EQ(sound.MixRate(), kRate) << "the mixer keeps its rate whatever the device takes";
            const zem::SoundStream stream = sound.StreamOpen(WriteTone(500, 300));
            placedFrame = sound.NowFrame() + kRate;
            ASSERT_GE(sound.StreamPlayAt(zem::kFreeChannel, stream, placedFrame), 0);
            ASSERT_TRUE(sound.WaitForMixedMs(placedFrame * 1000 / kRate + 500));
            EXPECT_TRUE(sound.Close());
        }
        const std::vector<AlsaFileDevice::Take> takes = device.Takes();
        ASSERT_EQ(takes.size(), 1u);
        const AlsaFileDevice::Take& take = takes[0];
        EXPECT_EQ(take.channels, 2);
        EXPECT_EQ(take.rate, only ? only : kRate);
        const std::vector<int16_t> left = take.Channel(0);
        const long onset = soundtest::ToneOnsetMs(left, 500, take.rate, kAmplitude / 2);
        // Frame exact in the mix; the 10 ms window finds it within one step of 5 ms.
        EXPECT_NEAR(onset, placedFrame * 1000 / kRate, 10);
        const size_t middle = static_cast<size_t>((placedFrame * 1000 / kRate + 100) * take.rate / 1000);
        const std::vector<int16_t> tone = take.Channel(1, middle, static_cast<size_t>(take.rate / 10));
        EXPECT_NEAR(soundtest::ToneLevel(tone, 500, take.rate), kAmplitude, kAmplitude / 20);
        if (take.rate != kRate) {
            // Images of 500 Hz at 7500, 8500, 15500 Hz ... : at least 60 dB down.
            EXPECT_LT(LoudestIn(tone, take.rate, 4000, take.rate / 2), kAmplitude / 1000) << "images of the tone";
        }
    }
}

// A device that fails while playing goes silent and keeps time: the mixer neither stops nor
// races ahead of the clock.
TEST(DeviceOutput, ADeviceThatFailsWhilePlayingGoesOnSilentlyInRealTime)
{
    AlsaFileDevice device(AlsaFileDevice::Kind::FailsWhilePlaying);
    SoundSystem sound(Device());
    // The mixer counts from Init: a busy machine may spend a while between Init and the play.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(sound.Init(kRate, 4));
    ASSERT_GE(sound.StreamPlay(zem::kFreeChannel, sound.StreamOpen(WriteTone(500, 2000))), 0);
    ASSERT_TRUE(sound.WaitForMixedMs(1000));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_GE(elapsed.count(), 900) << "mixed no further ahead of the clock than the device's buffer";
    EXPECT_TRUE(sound.Close());
}

}  // namespace
