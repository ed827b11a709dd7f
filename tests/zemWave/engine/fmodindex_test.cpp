// Index marks and navigation: the mark list, jumps between marks and between recordings, and
// the timer tick's beep, loop and silence skipping, heard in the wav output.
#include "enginerig.h"

#include "support/scratch.h"
#include "platform/sound/wavfiles.h"

#include "base/paths.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

using enginetest::At;
using enginetest::EngineRig;
using enginetest::Event;
using enginetest::WriteRecording;
using enginetest::WriteTone;

constexpr double kHeard = 1000;
constexpr double kSilent = 100;

std::vector<uint32_t> Marks(_FMODEngine& engine)
{
    std::vector<uint32_t> marks{12345};  // GetIndices empties the list first
    engine.GetIndices(marks);
    return marks;
}

void SetMarks(EngineRig& rig, const std::vector<uint32_t>& marks)
{
    rig.engine().RemoveAllIndices();
    for (uint32_t m : marks)
        ASSERT_EQ(rig.engine().AddIndex(m), m);
    rig.Settle();
}

void MoveTo(EngineRig& rig, uint32_t ms)
{
    rig.engine().SetPosition(ms);
    rig.Settle();
    ASSERT_EQ(rig.engine().GetPosition(), ms);
}

size_t IndexNotifications(std::vector<Event> events)
{
    return static_cast<size_t>(std::count(events.begin(), events.end(), Event{'E', _FMODEngine::kEngineIndexChanged}));
}

TEST(EngineIndex, MarksStayAscendingAndAtLeast500MsApart)
{
    EngineRig rig;
    rig.Add(WriteTone(rig.Path("a.wav"), 440, 5000), At(0));
    _FMODEngine& e = rig.engine();
    struct Step {
        const char* what;
        std::function<uint32_t()> act;  // the operation's result
        uint32_t result;
        std::vector<uint32_t> marks;
    };
    const Step steps[] = {
        {"at position 0 nothing is added", [&] { return e.AddIndex(0); }, 0, {}},
        {"first mark", [&] { return e.AddIndex(3000); }, 3000, {3000}},
        {"before it", [&] { return e.AddIndex(1000); }, 1000, {1000, 3000}},
        {"too close after", [&] { return e.AddIndex(1400); }, 0, {1000, 3000}},
        {"too close before", [&] { return e.AddIndex(2501); }, 0, {1000, 3000}},
        {"between", [&] { return e.AddIndex(2000); }, 2000, {1000, 2000, 3000}},
        {"exactly 500 away", [&] { return e.AddIndex(3500); }, 3500, {1000, 2000, 3000, 3500}},
        {"at the current position", [&] { MoveTo(rig, 4200); return e.AddIndex(0); }, 4200,
         {1000, 2000, 3000, 3500, 4200}},
        {"the same again", [&] { return e.AddIndex(4200); }, 0, {1000, 2000, 3000, 3500, 4200}},
    };
    rig.Settle();
    rig.log.Take();
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(s.act(), s.result);
        rig.Settle();
        EXPECT_EQ(Marks(e), s.marks);
        EXPECT_EQ(IndexNotifications(rig.log.Take()), s.result ? 1u : 0u) << "engine code 3 for a change only";
    }
}

TEST(EngineIndex, RemovalsTakeTheMarkTheyNameAndReportOnlyAChange)
{
    EngineRig rig;
    rig.Add(WriteTone(rig.Path("a.wav"), 440, 5000), At(0));
    _FMODEngine& e = rig.engine();
    const std::vector<uint32_t> marks{1000, 2000, 3000};
    struct Case {
        const char* what;
        uint32_t position;
        std::function<bool()> act;
        bool removed;
        std::vector<uint32_t> left;
    };
    const Case cases[] = {
        {"near mark, after it", 0, [&] { return e.RemoveIndex(2400); }, true, {1000, 3000}},
        {"near mark, before it", 0, [&] { return e.RemoveIndex(1501); }, true, {1000, 3000}},
        {"nothing near", 0, [&] { return e.RemoveIndex(2500); }, false, {1000, 2000, 3000}},
        {"near the current position", 2900, [&] { return e.RemoveIndex(0); }, true, {1000, 2000}},
        {"previous", 0, [&] { return e.RemovePreviousIndex(2000); }, true, {2000, 3000}},
        {"previous after the last", 4000, [&] { return e.RemovePreviousIndex(0); }, true, {1000, 2000}},
        {"previous before the first", 0, [&] { return e.RemovePreviousIndex(1000); }, false, {1000, 2000, 3000}},
        {"next at a mark", 0, [&] { return e.RemoveNextIndex(2000); }, true, {1000, 3000}},
        {"next between", 0, [&] { return e.RemoveNextIndex(2001); }, true, {1000, 2000}},
        {"next after the last", 0, [&] { return e.RemoveNextIndex(3001); }, false, {1000, 2000, 3000}},
        {"next of the current position", 1500, [&] { return e.RemoveNextIndex(0); }, true, {1000, 3000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetMarks(rig, marks);
        MoveTo(rig, c.position);
        rig.log.Take();
        EXPECT_EQ(c.act(), c.removed);
        rig.Settle();
        EXPECT_EQ(Marks(e), c.left);
        EXPECT_EQ(IndexNotifications(rig.log.Take()), c.removed ? 1u : 0u);
    }

    SetMarks(rig, marks);
    rig.log.Take();
    e.RemoveAllIndices();
    e.RemoveAllIndices();
    rig.Settle();
    EXPECT_EQ(Marks(e), std::vector<uint32_t>{});
    EXPECT_EQ(IndexNotifications(rig.log.Take()), 2u) << "removing every mark always reports";
}

TEST(EngineIndex, IsNearIndexMeansLessThan500MsAway)
{
    EngineRig rig;
    rig.Add(WriteTone(rig.Path("a.wav"), 440, 5000), At(0));
    SetMarks(rig, {2000});
    const struct {
        uint32_t ms;
        bool near;
    } cases[] = {{2000, true}, {1501, true}, {1500, false}, {2499, true}, {2500, false}, {100, false}};
    for (const auto& c : cases)
        EXPECT_EQ(rig.engine().IsNearIndex(c.ms), c.near) << c.ms;
    MoveTo(rig, 2300);
    EXPECT_TRUE(rig.engine().IsNearIndex(0)) << "0 is the current position";
}

TEST(EngineIndex, NextAndPreviousMarkFromATableOfPositions)
{
    EngineRig rig;
    rig.Add(WriteTone(rig.Path("a.wav"), 440, 5000), At(0));
    SetMarks(rig, {1000, 2000, 3000});
    struct Case {
        bool next;
        uint32_t from, to;
    };
    const Case cases[] = {
        {true, 0, 1000},      {true, 999, 1000},     {true, 1000, 2000}, {true, 2999, 3000},
        {true, 3000, 3000},   {true, 4500, 4500},    {false, 2600, 2000}, {false, 2400, 1000},
        {false, 2500, 1000},  {false, 300, 300},     {false, 1400, 1400}, {false, 1600, 1000},
        {false, 5000, 3000},  {false, 3499, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.next ? "next from " : "previous from ") + std::to_string(c.from));
        MoveTo(rig, c.from);
        if (c.next)
            rig.engine().NextIndex();
        else
            rig.engine().PreviousIndex();
        rig.Settle();
        EXPECT_EQ(rig.engine().GetPosition(), c.to);
    }
}

// Recordings at 0, 3000 and 6000 (1000 ms each) and two that are not on the timeline.
class RecordingJumps : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (uint32_t start : {0u, 3000u, 6000u})
            rig.Add(WriteTone(rig.Path("r" + std::to_string(start) + ".wav"), 440, 1000), At(start));
        const FileHandle disabled = rig.Add(WriteTone(rig.Path("disabled.wav"), 440, 1000), At(4500));
        rig.engine().SetFileEnabled(disabled, false, false);
        rig.Add(WriteTone(rig.Path("unplaced.wav"), 440, 1000), SysTime());
        rig.Settle();
        ASSERT_EQ(rig.engine().GetLength(), 7000u);
    }
    EngineRig rig;
};

TEST_F(RecordingJumps, NextAndPreviousRecordingFromATableOfPositions)
{
    struct Case {
        bool next;
        uint32_t from, moved, to;
    };
    const Case cases[] = {
        {true, 0, 3000, 3000},    {true, 500, 2500, 3000},   {true, 3000, 3000, 6000},
        {true, 3500, 2500, 6000}, {true, 6000, 0, 6000},     {true, 6900, 0, 6900},
        {false, 6200, 3200, 3000}, {false, 6400, 3400, 3000}, {false, 3600, 600, 3000},
        {false, 3300, 3300, 0},   {false, 3500, 3500, 0},    {false, 200, 0, 200},
        {false, 500, 0, 500},     {false, 7000, 1000, 6000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.next ? "next from " : "previous from ") + std::to_string(c.from));
        MoveTo(rig, c.from);
        const uint32_t moved = c.next ? rig.engine().NextRecording() : rig.engine().PreviousRecording();
        rig.Settle();
        EXPECT_EQ(moved, c.moved);
        EXPECT_EQ(rig.engine().GetPosition(), c.to);
    }
}

TEST_F(RecordingJumps, FilesAtATimeAreTheEnabledOnesWhoseSpanCoversIt)
{
    const struct {
        uint32_t ms;
        size_t count;
    } cases[] = {{0, 1}, {1000, 1}, {1001, 0}, {2999, 0}, {3000, 1}, {4600, 0}, {6500, 1}, {7001, 0}};
    std::vector<_FMODFile*> files{nullptr};  // emptied first
    for (const auto& c : cases) {
        rig.engine().GetFilesAt(files, At(c.ms));
        EXPECT_EQ(files.size(), c.count) << c.ms;
    }
}

// A recording of 440 Hz for its first 2500 ms and 1500 Hz after, so the mix tells which part
// of the timeline was heard.
FileHandle AddTwoToneRecording(EngineRig& rig)
{
    std::vector<int16_t> samples = soundtest::Tone(440, 8000, enginetest::kRate, enginetest::kRate * 5 / 2);
    const std::vector<int16_t> second = soundtest::Tone(1500, 8000, enginetest::kRate, enginetest::kRate * 5 / 2);
    samples.insert(samples.end(), second.begin(), second.end());
    return rig.Add(WriteRecording(rig.Path("two.wav"), samples), At(0));
}

TEST(EngineIndexLoop, PlaysTheStretchBetweenTwoMarksOverAndOver)
{
    EngineRig rig;
    rig.engine().SetSkipSilence(false);
    AddTwoToneRecording(rig);
    SetMarks(rig, {1000, 2000});
    rig.engine().SetIndexLoop(true);
    rig.StartPlaying();
    std::vector<uint32_t> positions;
    for (int i = 0; i < 35 && !HasFatalFailure(); ++i) {
        rig.Tick();
        rig.Settle();
        positions.push_back(rig.engine().GetPosition());
    }
    EXPECT_EQ(rig.engine().GetState(), _FMODEngine::kPlaying);
    EXPECT_EQ(*std::max_element(positions.begin(), positions.end()), 1900u) << "the tick at 2000 goes back";
    EXPECT_EQ(std::count(positions.begin(), positions.end(), 1000u), 3) << "passed once, looped twice";
    const std::vector<int16_t> mix = rig.FinishMix();
    EXPECT_GT(EngineRig::Level(mix, 440, 2200, 4000), kHeard);
    EXPECT_LT(EngineRig::Level(mix, 1500, 0, 4500), kSilent) << "the timeline past the loop is never heard";
}

TEST(EngineIndexLoop, TheWindowIsHalfTheAdvancePerTick)
{
    // Ticks see every 100 ms x speed of the timeline; the loop is taken at the first tick whose
    // position lies within 50 ms x speed of the second mark.
    const struct {
        double speed;
        uint32_t secondMark;
        uint32_t highest;  // the last position seen before the loop
    } cases[] = {
        {1.0, 2050, 1900}, {1.0, 2051, 2000}, {1.0, 2100, 2000},
        {2.0, 2100, 1800}, {2.0, 2101, 2000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "speed " << c.speed << ", mark " << c.secondMark);
        EngineRig rig;
        rig.engine().SetSkipSilence(false);
        rig.Add(WriteTone(rig.Path("a.wav"), 440, 5000), At(0));
        SetMarks(rig, {1000, c.secondMark});
        rig.engine().SetIndexLoop(true);
        rig.engine().SetSpeed(c.speed);
        rig.StartPlaying();
        uint32_t highest = 0;
        for (int i = 0; i < 20 && !HasFatalFailure(); ++i) {
            rig.Tick();
            rig.Settle();
            highest = std::max(highest, rig.engine().GetPosition());
        }
        EXPECT_EQ(highest, c.highest);
    }
}

// The beep sample, where the engine looks for it.
void WriteBeep(double hertz, int ms)
{
    const std::string path = zem::MapPath(_FMODEngine::kBeepSamplePath);
    ASSERT_TRUE(zem::MakeFolders(path.substr(0, path.rfind('/'))));
    WriteTone(path, hertz, ms);
}

TEST(EngineIndexBeep, TheBeepIsMixedInAtEachMarkPassed)
{
    WriteBeep(2000, 200);
    EngineRig rig;
    rig.engine().SetSkipSilence(false);
    rig.Add(WriteTone(rig.Path("a.wav"), 440, 4000), At(0));
    SetMarks(rig, {1000, 2500});
    rig.engine().SetIndexBeep(1);
    rig.StartPlaying();  // at clock time 0
    rig.Ticks(35);
    const std::vector<int16_t> mix = rig.FinishMix();
    std::remove(zem::MapPath(_FMODEngine::kBeepSamplePath).c_str());

    const struct {
        int fromMs, toMs;
        bool beep;
    } stretches[] = {{0, 900, false}, {1000, 1300, true}, {1400, 2400, false}, {2500, 2800, true}, {2900, 3500, false}};
    for (const auto& s : stretches) {
        SCOPED_TRACE(testing::Message() << s.fromMs << "-" << s.toMs);
        const double level = EngineRig::Level(mix, 2000, s.fromMs, s.toMs);
        if (s.beep)
            EXPECT_GT(level, kHeard / 4);
        else
            EXPECT_LT(level, kSilent);
        EXPECT_GT(EngineRig::Level(mix, 440, s.fromMs, s.toMs), kHeard) << "the recording plays on";
    }
}

TEST(EngineSkipSilence, JumpsOverAGapBetweenTwoRecordingsOnTheFirstTickInside)
{
    const struct {
        bool skip;
        uint32_t afterEleventhTick;
    } cases[] = {{true, 11000}, {false, 1100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.skip);
        EngineRig rig;
        rig.Add(WriteTone(rig.Path("a.wav"), 440, 1000), At(0));
        rig.Add(WriteTone(rig.Path("b.wav"), 1000, 1000), At(11000));
        rig.engine().SetSkipSilence(c.skip);
        rig.StartPlaying();
        rig.Ticks(10);
        rig.Settle();
        EXPECT_EQ(rig.engine().GetPosition(), 1000u) << "the end of a recording is still inside it";
        rig.Tick();
        rig.Settle();
        EXPECT_EQ(rig.engine().GetPosition(), c.afterEleventhTick);
        EXPECT_EQ(rig.engine().GetState(), _FMODEngine::kPlaying);
        if (!c.skip)
            continue;
        rig.Ticks(5);
        const std::vector<int16_t> mix = rig.FinishMix();
        EXPECT_GT(EngineRig::Level(mix, 1000, 1300, 1600), kHeard) << "the second recording follows at once";
    }
}

}  // namespace
