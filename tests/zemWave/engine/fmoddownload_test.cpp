// Recordings named by an address: the engine starts their full load when playback comes
// within five seconds of them. Needs the wave's loader thread; until a build has it, the
// recording cannot be opened and the test is skipped.
#include "enginerig.h"

#include "support/testserver.h"
#include "platform/sound/wavfiles.h"

namespace {

using enginetest::At;
using enginetest::EngineRig;
using enginetest::WriteTone;

constexpr const char* kPath = "/b.wav";

// Waits until the worker reported the recording's header (file code 1) or its failure (8).
bool WaitForHeader(EngineRig& rig, FileHandle file, bool& failed)
{
    const auto giveUp = std::chrono::steady_clock::now() + enginetest::kPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
        rig.Settle();
        if (rig.log.Count('F', _FMODEngine::kFileInitFailed) > 0) {
            failed = true;
            return true;
        }
        if (rig.log.Count('F', _FMODEngine::kFileEnabled) > 0 &&
            (rig.File(file).GetWave()->GetState() & _Wave::kStateValidBit))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(EngineDownload, ARecordingFourSecondsAheadStartsLoadingAndOneSixSecondsAheadDoesNot)
{
    struct Case {
        uint32_t aheadMs;
        int ticksBeforeLoad;  // timer ticks until the recording is less than 5 s ahead
    };
    const Case cases[] = {{4000, 0}, {6000, 11}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.aheadMs);
        zemtest::TestServer server;
        soundtest::WavSpec spec;
        spec.dataBytes = soundtest::Pcm16(soundtest::Tone(1000, 8000, enginetest::kRate, 2 * enginetest::kRate));
        server.Route(kPath, zemtest::Reply{.body = soundtest::MakeWav(spec)});

        EngineRig rig;
        rig.engine().SetSkipSilence(false);
        rig.Add(WriteTone(rig.Path("a.wav"), 440, 10000), At(0));
        const FileHandle b = rig.engine().AddFile(server.Url(kPath), At(c.aheadMs));
        ASSERT_NE(b, 0u) << rig.engine().GetLastError();
        bool failed = false;
        ASSERT_TRUE(WaitForHeader(rig, b, failed));
        ASSERT_FALSE(failed) << rig.File(b).GetWave()->GetLastError();
        EXPECT_EQ(server.Hits(kPath), 1u) << "the header only, until playback comes near";

        rig.StartPlaying();
        if (c.ticksBeforeLoad > 0) {
            rig.Ticks(c.ticksBeforeLoad - 1);
            EXPECT_FALSE(server.WaitForHits(kPath, 2, std::chrono::milliseconds(300)))
                << "still five seconds or more ahead at " << rig.engine().GetPosition();
            rig.Tick();
        }
        EXPECT_TRUE(server.WaitForHits(kPath, 2)) << "loading starts at " << rig.engine().GetPosition();
    }
}

}  // namespace
