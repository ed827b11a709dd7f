// The Prompt's rows as planned from an engine's queue in each view mode, and the texts around
// them.
#include "zemWave/promptrows.h"

#include "zemWave/engine/enginerig.h"

#include <gtest/gtest.h>

namespace {

using enginetest::At;
using enginetest::EngineRig;

std::vector<size_t> ItemCounts(const std::vector<PromptRow>& rows)
{
    std::vector<size_t> counts;
    for (const PromptRow& row : rows)
        counts.push_back(row.items.size());
    return counts;
}

TEST(PromptRows, EachViewModeShowsItsRowsAndTheRowsRecording)
{
    EngineRig rig;
    _FMODEngine& engine = rig.engine();
    EXPECT_EQ(ItemCounts(PlanPromptRows(engine, kSumView)), std::vector<size_t>{0}) << "one empty row";
    EXPECT_TRUE(PlanPromptRows(engine, kFileView).empty());
    EXPECT_TRUE(PlanPromptRows(engine, kChannelView).empty());

    FileHandle files[3];
    const char* groups[] = {"A", "B", "A"};
    for (int i = 0; i < 3; ++i) {
        files[i] = rig.Add(enginetest::WriteTone(rig.Path("r" + std::to_string(i) + ".wav"), 440, 300), At(i * 100));
        engine.SetFileGroup(files[i], groups[i]);
    }
    engine.SetFileMarked(files[2], true);
    engine.SetFileEnabled(files[1], false, false);

    const auto sum = PlanPromptRows(engine, kSumView);
    EXPECT_EQ(ItemCounts(sum), std::vector<size_t>{3});
    EXPECT_EQ(sum[0].file, 0u);
    EXPECT_EQ(PlanPromptRows(engine, 4).size(), 1u) << "an unknown mode is the sum view";

    const auto byFile = PlanPromptRows(engine, kFileView);
    ASSERT_EQ(ItemCounts(byFile), (std::vector<size_t>{1, 1, 1}));
    EXPECT_EQ(byFile[1].file, files[1]);
    EXPECT_FALSE(byFile[1].enabled);
    EXPECT_TRUE(byFile[2].marked);

    const auto byChannel = PlanPromptRows(engine, kChannelView);
    ASSERT_EQ(ItemCounts(byChannel), (std::vector<size_t>{2, 1}));
    EXPECT_EQ(byChannel[0].label, "A");
    EXPECT_EQ(byChannel[0].file, files[2]) << "the group's last recording";
    EXPECT_TRUE(byChannel[0].marked);
    EXPECT_EQ(RowBackground(byChannel[0].marked), 0x5C5C5Cu);
}

TEST(PromptRows, ARowBeyondTheGridIsRefused)
{
    EngineRig rig;
    // Files that fail to open stay queued, which is all the plan reads.
    for (size_t i = 0; i <= kMaxPromptRows; ++i)
        ASSERT_NE(rig.engine().AddFile(rig.Path("missing" + std::to_string(i)), At(0)), 0u);
    const auto rows = PlanPromptRows(rig.engine(), kFileView);
    ASSERT_EQ(rows.size(), kMaxPromptRows);
    EXPECT_EQ(rows.back().cell, "c0r99");
}

TEST(PromptRows, LabelsTimeTextsAndViewModeSteps)
{
    EngineRig rig;
    _FMODEngine& engine = rig.engine();
    const FileHandle file = rig.Add(enginetest::WriteTone(rig.Path("a.wav"), 440, 100), At(0));
    engine.SetFileGroup(file, "A");
    EXPECT_EQ(PromptRowLabel(engine, file), "Vol:100, Bal:0, A");
    engine.SetFileBalance(file, 0);
    engine.SetFileVolume(file, 128);
    EXPECT_EQ(PromptRowLabel(engine, file), "Vol:50, Bal:-100, A");
    ASSERT_TRUE(engine.EditEffect(2, "Notruf", "bandreject", "1520", "100"));
    engine.SetFileEffect(file, 2);
    engine.SetFileBalance(file, 255);
    EXPECT_EQ(PromptRowLabel(engine, file), "Notruf, Vol:50, Bal:100, A");

    const SysTime start = At(0);  // 5.3.2024 10:00
    EXPECT_EQ(PromptTimeInfo(start, At(65000)), "Datum: 05.03.24    Zeit: 10:00:00  -  10:01:05");
    EXPECT_EQ(PromptTimeInfo(start, start.AddSeconds(86400)), "05.03.24 10:00:00  -  06.03.24 10:00:00 ");
    EXPECT_EQ(PromptTimeInfo(start, start.AddSeconds(31 * 86400)).substr(0, 16), "Datum: 05.03.24 ")
        << "the 5th of the next month is the same day of the month";

    // A ViewMode put out of range steps on from the current mode.
    EXPECT_EQ(RequestedViewMode(2, 7), 3);
    EXPECT_EQ(RequestedViewMode(3, 0), 1);
    EXPECT_EQ(RequestedViewMode(1, -1), 2);
    EXPECT_EQ(RequestedViewMode(1, 2), 2);
}

}  // namespace
