// The mixer as a user hears it: what lands in the wav output, stepped by a manual clock.
#include "sound/soundsystem.h"

#include "base/file.h"

#include "mixerfixture.h"
#include "support/scratch.h"
#include "platform/codec/soxfixture.h"
#include "wavfiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <thread>

using namespace soundtest;
using zem::SoundSystem;
using zemtest::SoxEncoding;

namespace {

// A recording in a codec, as libsox writes and decodes it.
struct Coded {
    std::string bytes;
    std::vector<int16_t> decoded;
};

Coded Code(SoxEncoding encoding, uint16_t channels, size_t frames = kRate / 10)
{
    const std::string path = zemtest::NewFolder("coded") + "/coded.wav";
    zemtest::SoxWrite(path, encoding, kRate, channels, zemtest::KnownSignal(frames, channels, kRate));
    return {zemtest::ReadFile(path), zemtest::SoxDecode(path)};
}

TEST_F(Mixer, TwoStreamsWithDifferentPansLandInTheirOwnSides)
{
    const int left = sound_->StreamPlay(zem::kFreeChannel, Open(Tone(500, 8000, kRate, kRate), "a.wav"));
    const int right = sound_->StreamPlay(zem::kFreeChannel, Open(Tone(1200, 8000, kRate, kRate), "b.wav"));
    ASSERT_GE(left, 0);
    ASSERT_GE(right, 0);
    ASSERT_TRUE(sound_->SetPan(left, 0));
    ASSERT_TRUE(sound_->SetPan(right, 255));
    Mix(1000);
    const auto mix = Finish();
    const auto l = Side(mix, 0, kRate, 100, 900);
    const auto r = Side(mix, 1, kRate, 100, 900);
    EXPECT_NEAR(ToneLevel(l, 500, kRate), 8000, 80);
    EXPECT_LT(ToneLevel(l, 1200, kRate), 40);
    EXPECT_NEAR(ToneLevel(r, 1200, kRate), 8000, 80);
    EXPECT_LT(ToneLevel(r, 500, kRate), 40);
}

struct GainCase {
    int pan;
    int volume;
    int master;
    double left;   // expected gain on each side
    double right;
};

class MixerGain : public Mixer, public ::testing::WithParamInterface<GainCase> {};

TEST_P(MixerGain, PanVolumeAndMasterScaleTheLevel)
{
    const GainCase c = GetParam();
    const int channel = sound_->StreamPlay(zem::kFreeChannel, Open(Tone(500, 10000, kRate, kRate)));
    ASSERT_TRUE(sound_->SetPan(channel, c.pan));
    ASSERT_TRUE(sound_->SetVolume(channel, c.volume));
    ASSERT_TRUE(sound_->SetMasterVolume(c.master));
    EXPECT_EQ(sound_->GetPan(channel), c.pan);
    EXPECT_EQ(sound_->GetVolume(channel), c.volume);
    Mix(500);
    const auto mix = Finish();
    EXPECT_NEAR(ToneLevel(Side(mix, 0, kRate, 0, 500), 500, kRate), 10000 * c.left, 60);
    EXPECT_NEAR(ToneLevel(Side(mix, 1, kRate, 0, 500), 500, kRate), 10000 * c.right, 60);
}

INSTANTIATE_TEST_SUITE_P(Table, MixerGain,
                         ::testing::Values(GainCase{128, 255, 255, 1.0, 1.0},
                                           GainCase{0, 255, 255, 1.0, 0.0},
                                           GainCase{255, 255, 255, 0.0, 1.0},
                                           GainCase{64, 255, 255, 1.0, 0.5},
                                           GainCase{191, 255, 255, 0.5, 1.0},
                                           GainCase{128, 128, 255, 128 / 255.0, 128 / 255.0},
                                           GainCase{128, 255, 51, 0.2, 0.2},
                                           GainCase{128, 102, 127, 0.4 * 127 / 255.0, 0.4 * 127 / 255.0},
                                           GainCase{128, 0, 255, 0.0, 0.0}),
                         [](const ::testing::TestParamInfo<GainCase>& info) {
                             const GainCase& c = info.param;
                             return "pan" + std::to_string(c.pan) + "_volume" + std::to_string(c.volume) +
                                    "_master" + std::to_string(c.master);
                         });

TEST_F(Mixer, LoudStreamsSaturateInsteadOfWrappingAround)
{
    const std::vector<int16_t> loud(kRate, 30000);
    sound_->StreamPlay(zem::kFreeChannel, Open(loud, "a.wav"));
    sound_->StreamPlay(zem::kFreeChannel, Open(loud, "b.wav"));
    Mix(200);
    const auto mix = Finish();
    for (int16_t v : Side(mix, 0, kRate, 0, 200))
        ASSERT_EQ(v, 32767);
}

TEST_F(Mixer, DoubleFrequencyDoublesThePitchAndTheSpeed)
{
    const zem::SoundStream stream = Open(Tone(400, 8000, kRate, 4 * kRate));
    const int channel = sound_->StreamPlay(zem::kFreeChannel, stream);
    Mix(500);
    ASSERT_TRUE(sound_->SetFrequency(channel, 2 * kRate));
    Mix(500);
    const auto mix = Finish();
    const int normal = ZeroCrossings(Side(mix, 0, kRate, 0, 500));
    const int doubled = ZeroCrossings(Side(mix, 0, kRate, 500, 1000));
    EXPECT_NEAR(normal, 400, 4);  // two crossings per period over half a second
    EXPECT_NEAR(doubled, 800, 8);
    EXPECT_NEAR(ToneLevel(Side(mix, 0, kRate, 500 + kBlock, 1000), 800, kRate), 8000, 200) << "after the glide of one block";
}

TEST_F(Mixer, PauseHoldsThePosition)
{
    const zem::SoundStream stream = Open(Ramp(3 * kRate, 12000));
    const int channel = sound_->StreamPlay(zem::kFreeChannel, stream);
    Mix(500);
    ASSERT_TRUE(sound_->SetPaused(channel, true));
    EXPECT_TRUE(sound_->GetPaused(channel));
    EXPECT_TRUE(sound_->IsPlaying(channel));
    const int64_t held = sound_->StreamGetTime(stream);
    Mix(500);
    EXPECT_EQ(sound_->StreamGetTime(stream), held);
    ASSERT_TRUE(sound_->SetPaused(channel, false));
    Mix(500);
    const auto mix = Finish();
    EXPECT_EQ(held, 500);
    EXPECT_EQ(Rms(Side(mix, 0, kRate, 500, 1000)), 0);
    // Playback goes on with the frame after the last one heard.
    const auto resumed = Side(mix, 0, kRate, 1000, 1001);
    ASSERT_FALSE(resumed.empty());
    EXPECT_EQ(resumed[0], 4000 - 12000);
}

TEST_F(Mixer, EndCallbackFiresOnceAndFreesTheChannel)
{
    const zem::SoundStream stream = Open(Tone(500, 8000, kRate, kRate * 3 / 10));
    std::atomic<int> ends{0};
    ASSERT_TRUE(sound_->StreamSetEndCallback(stream, [&] { ++ends; }));
    const int channel = sound_->StreamPlay(zem::kFreeChannel, stream);
    Mix(1000);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(sound_->IsPlaying(channel));
    EXPECT_EQ(sound_->LastError(), zem::kSoundInvalidParam);
    // Played again, it starts over and runs out once more.
    ASSERT_GE(sound_->StreamPlay(zem::kFreeChannel, stream), 0);
    Mix(1000);
    EXPECT_EQ(ends, 2);
    const auto mix = Finish();
    EXPECT_GT(Rms(Side(mix, 0, kRate, 0, 300)), 5000);
    EXPECT_EQ(Rms(Side(mix, 0, kRate, 400, 1000)), 0);
    EXPECT_GT(Rms(Side(mix, 0, kRate, 1000, 1300)), 5000);
}

TEST_F(Mixer, SetTimeThenGetTimeAgreeWithinABlock)
{
    const zem::SoundStream stream = Open(Ramp(4 * kRate, 16000));
    sound_->StreamPlay(zem::kFreeChannel, stream);
    Mix(kBlock);
    const int moves[] = {2500, 0, 1234, 700, 3900};  // the last one runs to the end
    for (int ms : moves) {
        ASSERT_TRUE(sound_->StreamSetTime(stream, ms));
        EXPECT_EQ(sound_->StreamGetTime(stream), ms);
        Mix(kBlock);
        const int64_t now = sound_->StreamGetTime(stream);
        EXPECT_GE(now, ms);
        EXPECT_LE(now, ms + kBlock);
    }
    EXPECT_FALSE(sound_->StreamSetTime(stream, 4001));
    EXPECT_EQ(sound_->LastError(), zem::kSoundInvalidParam);
    const auto mix = Finish();
    // The block after each move starts with the frame the time names.
    for (int i = 0; i < 5; ++i) {
        const auto first = Side(mix, 0, kRate, kBlock * (i + 1), kBlock * (i + 1) + 1);
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(first[0], moves[i] * kRate / 1000 - 16000) << "move " << i;
    }
}

TEST_F(Mixer, GrowingFilePlaysWhatIsThereAndGoesOnWhenItGrows)
{
    const std::vector<int16_t> all = Ramp(2 * kRate, 8000);
    WavSpec spec;
    spec.declaredDataSize = static_cast<uint32_t>(all.size() * 2);
    spec.dataBytes = Pcm16(std::vector<int16_t>(all.begin(), all.begin() + kRate / 2));
    const GrowingRun run = PlayGrowing(Write("growing.wav", MakeWav(spec)),
                                       Pcm16(std::vector<int16_t>(all.begin() + kRate / 2, all.end())));
    ExpectWaitedThenEnded(run);
    const auto mix = Finish();
    EXPECT_GE(run.waitingAt, 450);
    EXPECT_LE(run.waitingAt, 500);
    EXPECT_EQ(Rms(Side(mix, 0, kRate, 600, 1000)), 0);
    // After the wait the next frames follow on from where the data ran dry.
    const auto after = Side(mix, 0, kRate, 1000, 1500);
    ASSERT_EQ(after.size(), 4000u);
    int next = -1;
    for (size_t i = 0; i < after.size(); ++i) {
        if (after[i] != 0) {
            next = static_cast<int>(i);
            break;
        }
    }
    ASSERT_GE(next, 0);
    for (size_t i = static_cast<size_t>(next); i < after.size(); ++i)
        ASSERT_EQ(after[i], after[static_cast<size_t>(next)] + static_cast<int>(i) - next);
    EXPECT_EQ((after[static_cast<size_t>(next)] + 8000) * 1000 / kRate, run.waitingAt);
}

TEST_F(Mixer, StaleHandlesFailWithInvalidParam)
{
    const zem::SoundStream first = Open(Tone(500, 8000, kRate, kRate), "a.wav");
    const int firstChannel = sound_->StreamPlay(zem::kFreeChannel, first);
    ASSERT_TRUE(sound_->StreamClose(first));
    // The same slots are used again for the next stream and channel.
    const zem::SoundStream second = Open(Tone(500, 8000, kRate, kRate), "b.wav");
    const int secondChannel = sound_->StreamPlay(zem::kFreeChannel, second);
    ASSERT_NE(second, first);
    ASSERT_NE(secondChannel, firstChannel);

    struct Call {
        const char* name;
        std::function<bool()> call;
    };
    const Call calls[] = {
        {"StreamPlay", [&] { return sound_->StreamPlay(zem::kFreeChannel, first) >= 0; }},
        {"StreamGetTime", [&] { return sound_->StreamGetTime(first) >= 0; }},
        {"StreamSetTime", [&] { return sound_->StreamSetTime(first, 0); }},
        {"StreamStop", [&] { return sound_->StreamStop(first); }},
        {"StreamClose", [&] { return sound_->StreamClose(first); }},
        {"StreamCreateDsp", [&] { return sound_->StreamCreateDsp(first, [](zem::DspBlock&) {}) != 0; }},
        {"SetVolume", [&] { return sound_->SetVolume(firstChannel, 10); }},
        {"SetPan", [&] { return sound_->SetPan(firstChannel, 10); }},
        {"SetPaused", [&] { return sound_->SetPaused(firstChannel, true); }},
        {"SetFrequency", [&] { return sound_->SetFrequency(firstChannel, 4000); }},
        {"IsPlaying", [&] { return sound_->IsPlaying(firstChannel); }},
    };
    for (const Call& c : calls) {
        EXPECT_FALSE(c.call()) << c.name;
        EXPECT_EQ(sound_->LastError(), zem::kSoundInvalidParam) << c.name;
    }
    // The newer stream and channel were not touched.
    EXPECT_EQ(sound_->GetVolume(secondChannel), 255);
    EXPECT_FALSE(sound_->GetPaused(secondChannel));
    EXPECT_TRUE(sound_->IsPlaying(secondChannel));
}

TEST_F(Mixer, DspUnitSeesEachBlockOfTheStreamBeforeMixing)
{
    WavSpec spec;
    spec.channels = 2;
    spec.rate = 11025;
    spec.dataBytes = Pcm16(Tone(300, 6000, 11025 * 2, 11025 * 4));  // 2 s, both sides
    const zem::SoundStream stream = sound_->StreamOpen(Write("stereo.wav", MakeWav(spec)));
    std::atomic<int> calls{0}, frames{0}, badFormat{0};
    const zem::SoundDsp dsp = sound_->StreamCreateDsp(stream, [&](zem::DspBlock& block) {
        ++calls;
        frames += block.frames;
        if (block.channels != 2 || block.sampleRate != 11025)
            ++badFormat;
        for (int i = 0; i < block.frames * block.channels; ++i)
            block.samples[i] = 0;  // a unit that silences everything
    });
    ASSERT_NE(dsp, 0u);
    EXPECT_EQ(sound_->StreamCreateDsp(stream, [](zem::DspBlock&) {}), 0u);  // one per stream
    sound_->StreamPlay(zem::kFreeChannel, stream);
    Mix(500);  // inactive: not called
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(sound_->DspSetActive(dsp, true));
    Mix(500);
    EXPECT_EQ(calls, 500 / kBlock);
    EXPECT_EQ(badFormat, 0);
    EXPECT_NEAR(frames, 11025 / 2, 3);
    ASSERT_TRUE(sound_->DspFree(dsp));
    Mix(500);
    EXPECT_EQ(calls, 500 / kBlock);
    const auto mix = Finish();
    EXPECT_GT(Rms(Side(mix, 0, kRate, 0, 450)), 3000);
    EXPECT_LT(Rms(Side(mix, 0, kRate, 550, 1000)), 100);  // the frame or two buffered ahead
    EXPECT_GT(Rms(Side(mix, 0, kRate, 1100, 1500)), 3000);
}

TEST_F(Mixer, CallbackExceptionsStayInTheMixer)
{
    const zem::SoundStream stream = Open(Tone(500, 8000, kRate, kRate / 2));
    const zem::SoundDsp dsp = sound_->StreamCreateDsp(stream, [](zem::DspBlock&) { throw std::runtime_error("dsp"); });
    sound_->DspSetActive(dsp, true);
    sound_->StreamSetEndCallback(stream, [] { throw 42; });
    sound_->StreamPlay(zem::kFreeChannel, stream);
    Mix(1000);
    const auto mix = Finish();
    EXPECT_GT(Rms(Side(mix, 0, kRate, 0, 400)), 5000);
}

// Every format opens or fails with its error; each that opens plays, in a slot of its own,
// the samples that libsox (for the codecs) or the bytes themselves (for PCM) stand for.
TEST_F(Mixer, SampleFormatsAndFileErrors)
{
    struct Case {
        const char* name;
        std::optional<std::string> bytes;  // none: no file at all
        int error;
        uint16_t channels = 1;
        std::vector<int16_t> plays = {};  // interleaved
    };
    WavSpec pcm8;
    pcm8.bits = 8;
    pcm8.dataBytes = std::string(800, '\xC0');  // +64 on the unsigned scale
    WavSpec msAdpcm;  // a codec without a driver here
    msAdpcm.formatTag = 2;
    msAdpcm.bits = 4;
    msAdpcm.dataBytes = std::string(800, '\0');
    WavSpec imaNoBlock;  // IMA ADPCM whose header states no block size
    imaNoBlock.formatTag = 0x11;
    imaNoBlock.bits = 4;
    imaNoBlock.dataBytes = std::string(800, '\0');
    WavSpec pcm24;
    pcm24.bits = 24;
    pcm24.dataBytes = std::string(900, '\0');
    WavSpec system;  // RIFF length as the recorder writes it, odd chunk without a pad byte
    system.systemRiffLength = true;
    system.chunksBeforeData = Chunk("zzzz", "abc");
    system.dataBytes = Pcm16(std::vector<int16_t>(800, 1000));
    const std::string good = MakeWav(system);
    const Coded alaw = Code(SoxEncoding::ALaw, 1), mulaw = Code(SoxEncoding::MuLaw, 1),
                ima = Code(SoxEncoding::ImaAdpcm, 1), imaStereo = Code(SoxEncoding::ImaAdpcm, 2),
                gsm = Code(SoxEncoding::Gsm, 1);
    const Case cases[] = {
        {"8-bit PCM", MakeWav(pcm8), zem::kSoundOk, 1, std::vector<int16_t>(800, 64 * 256)},
        {"recorder layout", good, zem::kSoundOk, 1, std::vector<int16_t>(800, 1000)},
        {"A-law", alaw.bytes, zem::kSoundOk, 1, alaw.decoded},
        {"mu-law", mulaw.bytes, zem::kSoundOk, 1, mulaw.decoded},
        {"IMA ADPCM", ima.bytes, zem::kSoundOk, 1, ima.decoded},
        {"IMA ADPCM stereo", imaStereo.bytes, zem::kSoundOk, 2, imaStereo.decoded},
        {"GSM 6.10", gsm.bytes, zem::kSoundOk, 1, gsm.decoded},
        {"MS ADPCM (no driver)", MakeWav(msAdpcm), zem::kSoundFileFormat},
        {"IMA ADPCM without a block size", MakeWav(imaNoBlock), zem::kSoundFileFormat},
        {"24-bit PCM", MakeWav(pcm24), zem::kSoundFileFormat},
        {"not RIFF", "RIFX" + good.substr(4), zem::kSoundFileFormat},
        {"cut inside the header", good.substr(0, 30), zem::kSoundFileBad},
        {"empty file", "", zem::kSoundFileBad},
        {"missing file", std::nullopt, zem::kSoundFileNotFound},
    };
    constexpr int kSlotMs = 200;
    int n = 0;
    int slot = 0;
    std::vector<std::pair<int, const Case*>> played;
    for (const Case& c : cases) {
        const std::string path = folder_ + "/case" + std::to_string(++n) + ".wav";
        if (c.bytes)
            zemtest::WriteFile(path, *c.bytes);
        const zem::SoundStream stream = sound_->StreamOpen(path);
        EXPECT_EQ(sound_->LastError(), c.error) << c.name;
        EXPECT_EQ(stream != 0, c.error == zem::kSoundOk) << c.name;
        if (!stream)
            continue;
        ASSERT_GE(sound_->StreamPlay(zem::kFreeChannel, stream), 0) << c.name;
        played.emplace_back(slot++, &c);
        Mix(kSlotMs);
    }
    const auto mix = Finish();
    for (const auto& [at, c] : played) {
        const size_t frames = std::min<size_t>(800, c->plays.size() / c->channels);
        for (int side = 0; side < 2; ++side) {
            std::vector<int16_t> expected;
            for (size_t f = 0; f < frames; ++f)
                expected.push_back(c->plays[f * c->channels + (c->channels > 1 ? side : 0)]);
            const auto heard = Side(mix, side, kRate, at * kSlotMs, at * kSlotMs + 100);
            EXPECT_EQ(FirstDifference(heard, expected), -1) << c->name << ", side " << side;
        }
    }
}

TEST_F(Mixer, SampleBeepPlaysOnceOrLoops)
{
    WavSpec spec;
    spec.dataBytes = Pcm16(Tone(1000, 9000, kRate, kRate / 10));
    const zem::SoundSample beep = sound_->SampleLoad(Write("beep.wav", MakeWav(spec)));
    ASSERT_NE(beep, 0u);
    const int once = sound_->PlaySample(zem::kFreeChannel, beep);
    EXPECT_TRUE(sound_->IsPlaying(once));
    Mix(300);
    EXPECT_FALSE(sound_->IsPlaying(once));
    ASSERT_TRUE(sound_->SampleSetLoop(beep, true));
    const int looping = sound_->PlaySample(zem::kFreeChannel, beep);
    Mix(300);
    EXPECT_TRUE(sound_->IsPlaying(looping));
    ASSERT_TRUE(sound_->SampleFree(beep));
    EXPECT_FALSE(sound_->IsPlaying(looping));
    EXPECT_EQ(sound_->SampleLoad(folder_ + "/none.wav"), 0u);
    EXPECT_EQ(sound_->LastError(), zem::kSoundFileNotFound);
    const auto mix = Finish();
    EXPECT_GT(ToneLevel(Side(mix, 0, kRate, 0, 100), 1000, kRate), 8000);
    EXPECT_EQ(Rms(Side(mix, 0, kRate, 150, 300)), 0);
    EXPECT_GT(ToneLevel(Side(mix, 0, kRate, 300, 600), 1000, kRate), 8000);
}

TEST_F(Mixer, ChannelsRunOutAndComeBackWhenAStreamStops)
{
    SoundSystem small(zem::OutputChoice::Null(&clock_));
    ASSERT_TRUE(small.Init(kRate, 2));
    WavSpec spec;
    spec.dataBytes = Pcm16(Tone(500, 100, kRate, kRate));
    const std::string path = Write("c.wav", MakeWav(spec));
    const zem::SoundStream first = small.StreamOpen(path);
    EXPECT_GE(small.StreamPlay(zem::kFreeChannel, first), 0);
    EXPECT_GE(small.StreamPlay(zem::kFreeChannel, small.StreamOpen(path)), 0);
    const zem::SoundStream third = small.StreamOpen(path);
    EXPECT_EQ(small.StreamPlay(zem::kFreeChannel, third), -1);
    EXPECT_EQ(small.LastError(), zem::kSoundChannelAlloc);
    ASSERT_TRUE(small.StreamStop(first));
    EXPECT_EQ(small.StreamGetTime(first), 0);
    EXPECT_GE(small.StreamPlay(zem::kFreeChannel, third), 0);
}

TEST_F(Mixer, ArgumentsAreCheckedOnce)
{
    const zem::SoundStream stream = Open(Tone(500, 100, kRate, kRate));
    const int channel = sound_->StreamPlay(zem::kFreeChannel, stream);
    EXPECT_EQ(sound_->StreamPlay(zem::kFreeChannel, stream), -1);
    EXPECT_EQ(sound_->LastError(), zem::kSoundPlayFailed);
    struct Case {
        const char* name;
        std::function<bool()> call;
        int error;
    };
    const Case cases[] = {
        {"volume 256", [&] { return sound_->SetVolume(channel, 256); }, zem::kSoundInvalidParam},
        {"volume -1", [&] { return sound_->SetVolume(channel, -1); }, zem::kSoundInvalidParam},
        {"pan 256", [&] { return sound_->SetPan(channel, 256); }, zem::kSoundInvalidParam},
        {"frequency 99", [&] { return sound_->SetFrequency(channel, 99); }, zem::kSoundInvalidParam},
        {"master 300", [&] { return sound_->SetMasterVolume(300); }, zem::kSoundInvalidParam},
        {"channel -1", [&] { return sound_->SetPaused(-1, true); }, zem::kSoundInvalidParam},
        {"own channel number", [&] { return sound_->StreamPlay(0, stream) >= 0; }, zem::kSoundInvalidParam},
        {"negative time", [&] { return sound_->StreamSetTime(stream, -5); }, zem::kSoundInvalidParam},
        {"buffer 0 ms", [&] { return sound_->SetStreamBufferSize(0); }, zem::kSoundInvalidParam},
        {"Init twice", [&] { return sound_->Init(kRate, 32); }, zem::kSoundBusy},
        {"driver after Init", [&] { return sound_->SetDriver(0); }, zem::kSoundBusy},
        {"output after Init", [&] { return sound_->SetOutput(zem::OutputChoice::Null()); }, zem::kSoundBusy},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(c.call()) << c.name;
        EXPECT_EQ(sound_->LastError(), c.error) << c.name;
    }
    EXPECT_EQ(sound_->GetVolume(channel), 255);
    EXPECT_EQ(sound_->GetPan(channel), 128);
    sound_->Close();
    EXPECT_EQ(sound_->StreamOpen(folder_ + "/in.wav"), 0u);
    EXPECT_EQ(sound_->LastError(), zem::kSoundUninitialized);
    EXPECT_FALSE(sound_->IsPlaying(channel));
    EXPECT_EQ(sound_->LastError(), zem::kSoundUninitialized);
}

// Streams open, play with a DSP unit and close while the mixer runs flat out: after
// StreamClose returns, the unit's state is freed, and the sanitizer build sees any late call.
TEST_F(Mixer, ClosingStreamsWhileTheMixerRunsIsSafe)
{
    WavSpec spec;
    spec.dataBytes = Pcm16(Tone(500, 8000, kRate, kRate));
    const std::string path = Write("loop.wav", MakeWav(spec));
    std::atomic<bool> done{false};
    std::atomic<int> lateCalls{0};
    std::thread ticker([&] {
        while (!done) {
            clock_.Advance(kBlock);
            std::this_thread::yield();
        }
    });
    for (int round = 0; round < 150; ++round) {
        struct Alive {
            std::atomic<bool> flag{true};
            std::atomic<int> calls{0};
        };
        auto alive = std::make_unique<Alive>();
        auto* flag = &alive->flag;
        auto* calls = &alive->calls;
        const zem::SoundStream stream = sound_->StreamOpen(path);
        ASSERT_NE(stream, 0u);
        const zem::SoundDsp dsp = sound_->StreamCreateDsp(stream, [flag, calls, &lateCalls](zem::DspBlock&) {
            ++*calls;
            if (!*flag)
                ++lateCalls;
        });
        sound_->DspSetActive(dsp, true);
        sound_->StreamSetEndCallback(stream, [flag, &lateCalls] {
            if (!*flag)
                ++lateCalls;
        });
        const int channel = sound_->StreamPlay(zem::kFreeChannel, stream);
        sound_->SetFrequency(channel, 8000 * (1 + round % 8));
        // Every other round closes while the mixer is busy with the stream.
        while (round % 2 == 0 && *calls == 0)
            std::this_thread::yield();
        ASSERT_TRUE(sound_->StreamClose(stream));
        *flag = false;
        alive.reset();  // a later callback would touch freed memory
    }
    done = true;
    ticker.join();
    EXPECT_EQ(lateCalls, 0);
}

TEST(SoundOutput, ChoiceFromEnvironment)
{
    struct Case {
        const char* value;  // null: unset
        zem::OutputChoice::Kind kind;
        const char* path;
        bool fallBack;
    };
    const Case cases[] = {
        {nullptr, zem::OutputChoice::Kind::Device, "", true},
        {"device", zem::OutputChoice::Kind::Device, "", true},
        {"null", zem::OutputChoice::Kind::Null, "", false},
        {"wav:/x/y.wav", zem::OutputChoice::Kind::Wav, "/x/y.wav", false},
        {"wav:", zem::OutputChoice::Kind::Device, "", true},
        {"speaker", zem::OutputChoice::Kind::Device, "", true},
    };
    const char* saved = std::getenv("ZEM_AUDIO");
    const std::string keep = saved ? saved : "";
    for (const Case& c : cases) {
        if (c.value)
            setenv("ZEM_AUDIO", c.value, 1);
        else
            unsetenv("ZEM_AUDIO");
        const zem::OutputChoice choice = zem::OutputChoice::FromEnvironment();
        EXPECT_EQ(choice.kind, c.kind) << (c.value ? c.value : "unset");
        EXPECT_EQ(choice.path, c.path);
        EXPECT_EQ(choice.fallBackToNull, c.fallBack);
    }
    if (saved)
        setenv("ZEM_AUDIO", keep.c_str(), 1);
    else
        unsetenv("ZEM_AUDIO");
}

// Without a sound card the device output fails cleanly; with fallback the mixer runs on null.
TEST(SoundOutput, DeviceWithoutHardwareFailsCleanlyOrFallsBack)
{
    SoundSystem strict(zem::OutputChoice::Device(false));
    const int drivers = strict.DriverCount();
    if (drivers > 0)
        GTEST_SKIP() << "this machine has an output device";
    EXPECT_EQ(strict.DriverName(0), "");
    EXPECT_EQ(strict.LastError(), zem::kSoundInvalidParam);
    EXPECT_FALSE(strict.Init(8000, 32));
    EXPECT_EQ(strict.LastError(), zem::kSoundInitFailed);
    EXPECT_EQ(strict.StreamOpen("x.wav"), 0u);
    EXPECT_EQ(strict.LastError(), zem::kSoundUninitialized);

    SoundSystem lenient(zem::OutputChoice::Device(true));
    ASSERT_TRUE(lenient.Init(8000, 32));
    EXPECT_EQ(lenient.MixRate(), 8000);
    EXPECT_TRUE(lenient.Close());
}

}  // namespace
