// The file's DSP callback on single blocks: which effect slots filter and which let a block
// pass unchanged.
#include "enginerig.h"

#include "platform/sound/wavfiles.h"

namespace {

using enginetest::At;
using enginetest::EngineRig;
using enginetest::kRate;
using enginetest::WriteTone;

constexpr int kFrames = 800;

std::vector<int16_t> TwoTones()
{
    std::vector<int16_t> block = soundtest::Tone(2800, 6000, kRate, kFrames);
    const std::vector<int16_t> low = soundtest::Tone(1000, 6000, kRate, kFrames);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<int16_t>(block[i] + low[i]);
    return block;
}

// Runs the callback over one block as the mixer would.
std::vector<int16_t> Filter(_FMODFile& file)
{
    std::vector<int16_t> block = TwoTones();
    zem::DspBlock dsp{block.data(), kFrames, 1, kRate};
    file.DspCallback(dsp);
    return block;
}

TEST(EngineDsp, TheFileEffectFiltersABlockOnlyWithAValidBandRejectSlot)
{
    struct Case {
        const char* what;
        const char* type;
        const char* param1;
        const char* param2;
        int effect;
        bool filtered;
    };
    const Case cases[] = {
        {"band reject", "bandreject", "2800", "300", 0, true},
        {"type in capitals", "BandReject", "2800", "300", 0, true},
        {"no effect", "bandreject", "2800", "300", -1, false},
        {"an empty slot", "", "", "", 0, false},
        {"another type", "echo", "2800", "300", 0, false},
        {"width 0", "bandreject", "2800", "0", 0, false},
        {"width not a number", "bandreject", "2800", "wide", 0, false},
        {"centre not a number", "bandreject", "high", "300", 0, false},
        {"a slot beyond the ten", "bandreject", "2800", "300", 10, false},
    };
    EngineRig rig;
    const FileHandle handle = rig.Add(WriteTone(rig.Path("a.wav"), 440, 200), At(0));
    _FMODFile& file = rig.File(handle);
    const std::vector<int16_t> original = TwoTones();
    EXPECT_FALSE(rig.engine().EditEffect(10, "slot", "bandreject", "2800", "300")) << "ten slots";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(rig.engine().EditEffect(0, "slot", c.type, c.param1, c.param2));
        rig.engine().SetFileEffect(handle, c.effect);
        const std::vector<int16_t> out = Filter(file);
        if (!c.filtered) {
            EXPECT_EQ(out, original);
            continue;
        }
        const double kept = soundtest::ToneLevel(out, 1000, kRate);
        const double rejected = soundtest::ToneLevel(std::vector<int16_t>(out.begin() + 400, out.end()), 2800, kRate);
        EXPECT_GT(kept, 3000);
        EXPECT_LT(rejected, kept / 10);
    }
}

TEST(EngineDsp, AFailedFilterRunPassesTheBlockAndIsShownOnce)
{
    EngineRig rig;
    const FileHandle handle = rig.Add(WriteTone(rig.Path("a.wav"), 440, 200), At(0));
    // Above half the sampling rate: the filter refuses to run.
    ASSERT_TRUE(rig.engine().EditEffect(0, "slot", "bandreject", "5000", "300"));
    rig.engine().SetFileEffect(handle, 0);
    ::testing::internal::CaptureStderr();
    for (int block = 0; block < 3; ++block)
        EXPECT_EQ(Filter(rig.File(handle)), TwoTones()) << block;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Fehler !\n");
}

TEST(EngineDsp, ARecordingWithoutFormatPassesItsBlocksThrough)
{
    EngineRig rig;
    const FileHandle handle = rig.engine().AddFile(rig.Path("missing.wav"), At(0));
    rig.Settle();
    ASSERT_TRUE(rig.engine().EditEffect(0, "slot", "bandreject", "2800", "300"));
    rig.engine().SetFileEffect(handle, 0);
    EXPECT_EQ(Filter(rig.File(handle)), TwoTones());
}

}  // namespace
