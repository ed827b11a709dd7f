// The engine playing recordings on a manual clock into the wav output: where they are heard,
// pause and resume, positioning, drift, streams that cannot open, speed, held commands, and
// shutting down while playing.
#include "enginerig.h"

#include "support/scratch.h"
#include "platform/sound/wavfiles.h"

#include <cstdio>
#include <cstdlib>
#include <future>

namespace {

using enginetest::At;
using enginetest::EngineRig;
using enginetest::WriteTone;

constexpr double kHeard = 1000;   // tone level of a recording that plays (amplitude 8000)
constexpr double kSilent = 100;

TEST(EnginePlayback, TwoRecordingsTwoSecondsApartAreHeardAtTheirPlacesAndPlaybackStopsAtTheEnd)
{
    EngineRig rig;
    rig.engine().SetSkipSilence(false);
    rig.Add(WriteTone(rig.Path("a.wav"), 440, 1000), At(0));
    rig.Add(WriteTone(rig.Path("b.wav"), 1000, 1000), At(2000));
    EXPECT_EQ(rig.engine().GetLength(), 3000u);

    rig.Idle(500);
    rig.StartPlaying();
    int ticks = 0;
    while (rig.engine().GetState() != _FMODEngine::kStopped && ticks < 40 && !HasFatalFailure()) {
        rig.Tick();
        ++ticks;
    }
    EXPECT_EQ(rig.engine().GetState(), _FMODEngine::kStopped);
    EXPECT_EQ(ticks, 30) << "the tick at the ruler's end stops playback";
    EXPECT_EQ(rig.engine().GetPosition(), 0u);
    rig.Idle(500);
    const std::vector<int16_t> mix = rig.FinishMix();

    // Playback started at clock time 500.
    struct Stretch {
        const char* what;
        int fromMs, toMs;
        bool toneA, toneB;
    };
    const Stretch stretches[] = {
        {"silence before playback", 0, 500, false, false},
        {"tone A", 700, 1400, true, false},
        {"gap", 1700, 2400, false, false},
        {"tone B", 2700, 3400, false, true},
        {"silence after the end", 3700, 4000, false, false},
    };
    for (const Stretch& s : stretches) {
        SCOPED_TRACE(s.what);
        const double a = EngineRig::Level(mix, 440, s.fromMs, s.toMs);
        const double b = EngineRig::Level(mix, 1000, s.fromMs, s.toMs);
        EXPECT_EQ(a > kHeard, s.toneA) << a;
        EXPECT_EQ(b > kHeard, s.toneB) << b;
        if (!s.toneA) {
            EXPECT_LT(a, kSilent);
        }
        if (!s.toneB) {
            EXPECT_LT(b, kSilent);
        }
    }
}

TEST(EnginePlayback, PauseHoldsAndPlayResumesAtTheSameTimelinePosition)
{
    EngineRig rig;
    const FileHandle file = rig.Add(WriteTone(rig.Path("a.wav"), 440, 3000), At(0));
    rig.StartPlaying();
    rig.Ticks(10);
    EXPECT_EQ(rig.engine().GetPosition(), 1000u);

    rig.engine().Pause();
    rig.Settle();
    EXPECT_EQ(rig.engine().GetState(), _FMODEngine::kPaused);
    rig.Idle(500);
    EXPECT_EQ(rig.engine().GetPosition(), 1000u);
    const uint32_t held = rig.OnWorker([&] { return rig.File(file).GetPosition(); });
    EXPECT_NEAR(held, 1000.0, 100.0);

    rig.StartPlaying();
    EXPECT_EQ(rig.engine().GetPosition(), 1000u);
    rig.Ticks(3);
    EXPECT_EQ(rig.engine().GetPosition(), 1300u);
    const uint32_t resumed = rig.OnWorker([&] { return rig.File(file).GetPosition(); });
    EXPECT_NEAR(resumed, 1300.0, 100.0) << "the recording goes on from where it was held";

    const std::vector<int16_t> mix = rig.FinishMix();
    EXPECT_GT(EngineRig::Level(mix, 440, 200, 900), kHeard);
    EXPECT_LT(EngineRig::Level(mix, 440, 1100, 1500), kSilent) << "nothing is heard while paused";
    EXPECT_GT(EngineRig::Level(mix, 440, 1600, 1800), kHeard);
}

TEST(EnginePlayback, SetPositionClampsToTheLengthAndIsRefusedWhilePlaying)
{
    EngineRig rig;
    rig.Add(WriteTone(rig.Path("a.wav"), 440, 2000), At(0));
    struct Case {
        uint32_t asked, expected;
    };
    const Case cases[] = {{500, 500}, {1999, 1999}, {2000, 2000}, {5000, 2000}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        rig.engine().SetPosition(c.asked);
        rig.Settle();
        EXPECT_EQ(rig.engine().GetPosition(), c.expected);
    }

    rig.engine().SetPosition(700);
    rig.StartPlaying();
    EXPECT_EQ(rig.engine().SetPosition(100), 700u);
    rig.Settle();
    EXPECT_EQ(rig.engine().GetPosition(), 700u);
    EXPECT_EQ(rig.engine().GetState(), _FMODEngine::kPlaying);

    EngineRig empty;
    empty.engine().SetPosition(700);
    empty.Settle();
    EXPECT_EQ(empty.engine().GetPosition(), 0u) << "an empty ruler has length 0";
}

TEST(EnginePlayback, APlayingFileMoreThan200MsOffTheTimelineIsRepositioned)
{
    EngineRig rig;
    const FileHandle file = rig.Add(WriteTone(rig.Path("a.wav"), 440, 3000), At(0));
    rig.StartPlaying();
    rig.Ticks(5);
    struct Case {
        int offMs;
        bool repositioned;
    };
    const Case cases[] = {{150, false}, {-150, false}, {200, false}, {250, true}, {-250, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offMs);
        // Put the stream off the timeline, then synchronise at once (time stands still).
        const int offAfterSync = rig.OnWorker([&] {
            const auto position = static_cast<int>(rig.engine().GetPosition());
            rig.File(file).SetPosition(static_cast<uint32_t>(position + c.offMs));
            rig.engine().NotifyEngine(_FMODEngine::kEnginePosition);
            return static_cast<int>(rig.File(file).GetPosition()) - position;
        });
        EXPECT_EQ(offAfterSync, c.repositioned ? 0 : c.offMs);
    }
}

TEST(EnginePlayback, AFileWhoseStreamCannotOpenPlaysNothingAndIsTriedAgainOnTheNextTick)
{
    EngineRig rig;
    const FileHandle a = rig.Add(WriteTone(rig.Path("a.wav"), 440, 5000), At(0));
    const std::string pathB = WriteTone(rig.Path("b.wav"), 1000, 5000);
    const FileHandle b = rig.Add(pathB, At(0));
    // The recording's header is known, but the sound layer finds no file to stream.
    ASSERT_EQ(std::rename(pathB.c_str(), (pathB + ".away").c_str()), 0);

    rig.engine().Play();
    ASSERT_TRUE(rig.AdvanceUntil([&] { return rig.engine().GetPosition() >= 1000; }));
    const size_t ticks = rig.log.Count('E', _FMODEngine::kEnginePosition);
    EXPECT_TRUE(rig.OnWorker([&] { return rig.File(a).IsPlaying() && !rig.File(b).IsPlaying(); }, true));

    ASSERT_EQ(std::rename((pathB + ".away").c_str(), pathB.c_str()), 0);
    const int64_t restoredAt = rig.clock.NowMs();
    ASSERT_TRUE(rig.AdvanceUntil([&] { return rig.log.Count('E', _FMODEngine::kEnginePosition) >= ticks + 2; }));
    EXPECT_TRUE(rig.OnWorker([&] { return rig.File(b).IsPlaying(); }, true));
    ASSERT_TRUE(rig.AdvanceUntil([&] { return rig.engine().GetState() == _FMODEngine::kStopped; }))
        << "the engine goes on to the end of the timeline";

    const std::vector<int16_t> mix = rig.FinishMix();
    const int restored = static_cast<int>(restoredAt);
    EXPECT_LT(EngineRig::Level(mix, 1000, 100, restored - 100), kSilent);
    EXPECT_GT(EngineRig::Level(mix, 440, 100, restored - 100), kHeard);
    const int end = static_cast<int>(rig.clock.NowMs());
    ASSERT_LT(restored + 1000, end - 500) << "the test needs a stretch with both files";
    EXPECT_GT(EngineRig::Level(mix, 1000, restored + 1000, end - 500), kHeard);
}

TEST(EnginePlayback, AHeldSeekFromAnotherThreadIsNotLost)
{
    EngineRig rig;
    const FileHandle file = rig.Add(WriteTone(rig.Path("a.wav"), 440, 3000), At(0));
    rig.StartPlaying();
    rig.Ticks(5);
    ASSERT_TRUE(rig.engine().RunHeld([&] { rig.engine().SetPosition(2000); }));
    rig.Settle();
    EXPECT_EQ(rig.engine().GetState(), _FMODEngine::kPlaying);
    EXPECT_EQ(rig.engine().GetPosition(), 2000u);
    EXPECT_EQ(rig.OnWorker([&] { return rig.File(file).GetPosition(); }), 2000u)
        << "the resumed recording goes on from the new place at once, not from the old one";

    rig.engine().Pause();
    rig.Settle();
    ASSERT_TRUE(rig.engine().RunHeld([&] { rig.engine().SetPosition(300); }));
    rig.Settle();
    EXPECT_EQ(rig.engine().GetState(), _FMODEngine::kPaused) << "a held command returns to the state before it";
    EXPECT_EQ(rig.engine().GetPosition(), 300u);
}

TEST(EnginePlayback, ThePositionClockRunsOnAcrossThirtyTwoBitsOfMilliseconds)
{
    const double speeds[] = {1.0, 1.5, 3.0};
    for (const double speed : speeds) {
        SCOPED_TRACE(speed);
        EngineRig rig({}, 0xFFFFFFFFll - 95);  // 2^32 ms are passed during the first tick
        rig.Add(WriteTone(rig.Path("a.wav"), 440, 5000), At(0));
        rig.engine().SetSpeed(speed);
        rig.StartPlaying();
        rig.Ticks(10);
        EXPECT_EQ(rig.engine().GetPosition(), static_cast<uint32_t>(1000 * speed));
    }
}

TEST(EnginePlayback, AChannelStartedAtAnotherSpeedPlaysAtThatSpeedAtOnce)
{
    EngineRig rig;
    rig.Add(WriteTone(rig.Path("a.wav"), 500, 4000), At(0));
    rig.engine().SetSpeed(2.0);
    rig.StartPlaying();
    rig.Ticks(8);
    EXPECT_EQ(rig.engine().GetPosition(), 1600u);
    const std::vector<int16_t> mix = rig.FinishMix();
    EXPECT_GT(EngineRig::Level(mix, 1000, 200, 700), kHeard) << "twice the rate: an octave up";
    EXPECT_LT(EngineRig::Level(mix, 500, 200, 700), kSilent);
}

// Two seconds of a 2800 Hz pilot tone at pilotAmplitude over a 1000 Hz tone, played for one
// second through the "Pilotton" band-reject.
std::vector<int16_t> MixThroughPilotton(double pilotAmplitude)
{
    EngineRig rig;
    rig.engine().SetSkipSilence(false);
    std::vector<int16_t> call = soundtest::Tone(2800, pilotAmplitude, enginetest::kRate, 2 * enginetest::kRate);
    const std::vector<int16_t> voice = soundtest::Tone(1000, 6000, enginetest::kRate, 2 * enginetest::kRate);
    for (size_t i = 0; i < call.size(); ++i)
        call[i] = static_cast<int16_t>(call[i] + voice[i]);
    const FileHandle file = rig.Add(enginetest::WriteRecording(rig.Path("a.wav"), call), At(0));
    EXPECT_TRUE(rig.engine().EditEffect(0, "Pilotton", "bandreject", "2800", "300"));
    rig.engine().SetFileEffect(file, 0);
    rig.StartPlaying();
    rig.Ticks(10);
    return rig.FinishMix();
}

TEST(EnginePlayback, TheBandRejectEffectOfAFileFiltersWhatIsMixed)
{
    const std::vector<int16_t> mix = MixThroughPilotton(6000);
    const double kept = EngineRig::Level(mix, 1000, 300, 900);
    const double rejected = EngineRig::Level(mix, 2800, 300, 900);
    EXPECT_GT(kept, kHeard);
    EXPECT_LT(rejected, kept / 10) << "at least 20 dB down";
}

// The first frame after fromMs where the left side of the mix is clearly not silent.
long Onset(const std::vector<int16_t>& mix, int fromMs)
{
    for (size_t frame = static_cast<size_t>(fromMs) * enginetest::kRate / 1000; 2 * frame < mix.size(); ++frame)
        if (std::abs(mix[2 * frame]) > 500)
            return static_cast<long>(frame);
    return -1;
}

TEST(EnginePlayback, RecordingsBeginInTheMixAtTheFrameOfTheirPlaceWhereverTheTicksFall)
{
    const int kPlayAtMs = 500;
    for (int offset : {0, 1, 30, 50, 99, 100, 130, 170, 250}) {
        SCOPED_TRACE(offset);
        EngineRig rig;
        rig.engine().SetSkipSilence(false);
        rig.Add(enginetest::WriteRecording(rig.Path("anchor.wav"), std::vector<int16_t>(8000)), At(0));
        rig.Add(WriteTone(rig.Path("a.wav"), 500, 300), At(offset));
        rig.Add(WriteTone(rig.Path("b.wav"), 1200, 300), At(offset + 2000));
        rig.Idle(kPlayAtMs);
        rig.StartPlaying();
        for (int tick = 0; tick < 40 && rig.engine().GetState() == _FMODEngine::kPlaying && !HasFatalFailure(); ++tick)
            rig.Tick();
        const std::vector<int16_t> mix = rig.FinishMix();
        const long first = Onset(mix, kPlayAtMs);
        const long second = Onset(mix, kPlayAtMs + offset + 1000);
        // The tone's first sample is 0: the onset shows one frame after the place.
        EXPECT_NEAR(first, (kPlayAtMs + offset) * enginetest::kRate / 1000 + 1, 1);
        EXPECT_EQ(second - first, 2 * enginetest::kRate) << "2.000 s apart";
    }
}

TEST(EnginePlayback, ThePilotToneStaysRejectedAcrossMixerBlocks)
{
    const std::vector<int16_t> mix = MixThroughPilotton(3277);  // -20 dBFS
    // 10 ms windows, so a burst at any block edge stands out.
    for (int from = 50; from < 950; from += 10) {
        EXPECT_LT(EngineRig::Level(mix, 2800, from, from + 10), 30) << "window at " << from << " ms";
        EXPECT_GT(EngineRig::Level(mix, 1000, from, from + 10), 5000) << "window at " << from << " ms";
    }
}

TEST(EnginePlayback, ABadStartTimeOfOneFileLeavesTheOthersPlaying)
{
    EngineRig rig;
    const FileHandle good = rig.Add(WriteTone(rig.Path("a.wav"), 440, 1000), At(0));
    const FileHandle bad = rig.Add(WriteTone(rig.Path("b.wav"), 1000, 1000), At(0));
    SysTime invalid = At(0);
    invalid.month = 13;
    rig.engine().SetFileStartTime(bad, invalid);
    rig.StartPlaying();
    rig.Ticks(3);
    EXPECT_TRUE(rig.OnWorker([&] { return rig.File(good).IsPlaying(); }));
    int ticks = 0;
    while (rig.engine().GetState() != _FMODEngine::kStopped && ticks++ < 20 && !HasFatalFailure())
        rig.Tick();
    EXPECT_EQ(rig.engine().GetState(), _FMODEngine::kStopped);
}

TEST(EngineShutdown, DestroyingTheEngineWhileItPlaysOrWaitsBetweenOpenTriesJoinsTheWorker)
{
    struct Case {
        const char* what;
        bool streamOpens;
    };
    const Case cases[] = {{"playing", true}, {"waiting between tries to open a stream", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zem::ManualClock clock;
        const std::string folder = zemtest::NewFolder("shutdown");
        zem::SoundSystem sound(zem::OutputChoice::Wav(folder + "/mix.wav", &clock));
        {
            _FMODEngine engine(sound, clock, {});
            const std::string path = WriteTone(folder + "/a.wav", 440, 3000);
            ASSERT_NE(engine.AddFile(path, At(0)), 0u);
            // The worker opens the recording's header before it goes away.
            std::promise<void> opened;
            ASSERT_TRUE(engine.RunOnWorker([&] { opened.set_value(); }));
            opened.get_future().wait();
            if (!c.streamOpens)
                std::remove(path.c_str());
            engine.Play();
            clock.Advance(150);  // one tick: the worker plays or sleeps between open tries
        }
        EXPECT_FALSE(sound.WaitForMixedMs(1000000)) << "the worker closed the sound layer";
    }
}

}  // namespace
