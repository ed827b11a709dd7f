#include "zemWave/promptrows.h"

#include "base/trace.h"

#include <cmath>
#include <cstdio>

int NormalViewMode(int mode)
{
    return mode >= kSumView && mode <= kChannelView ? mode : kSumView;
}

int RequestedViewMode(int current, int requested)
{
    if (requested >= kSumView && requested <= kChannelView)
        return requested;
    if (current == kSumView)
        return kFileView;
    if (current == kFileView)
        return kChannelView;
    return kSumView;
}

namespace {

std::string RowCell(size_t index)
{
    return "c0r" + std::to_string(index);
}

// The row stands for `file`: its flags show that recording's state.
void BindFile(PromptRow& row, const _FMODFile* file)
{
    row.file = file->GetHandle();
    row.flags = true;
    row.enabled = file->IsEnabled();
    row.marked = file->IsMarked();
}

// Keeps the plan inside the frame's grid.
bool RoomForRow(const std::vector<PromptRow>& rows, size_t wanted)
{
    if (rows.size() < kMaxPromptRows)
        return true;
    zem::Trace("Prompt: %zu rows wanted, only the first %zu are shown", wanted, kMaxPromptRows);
    return false;
}

}  // namespace

std::vector<PromptRow> PlanPromptRows(const _FMODEngine& engine, int viewMode)
{
    std::vector<_FMODFile*> files;
    engine.GetGroupFiles(files, nullptr);
    std::vector<PromptRow> rows;
    switch (NormalViewMode(viewMode)) {
    case kSumView:
        rows.push_back({RowCell(0), "ZemPrompt", "", files});
        break;
    case kFileView:
        for (_FMODFile* file : files) {
            if (!RoomForRow(rows, files.size()))
                break;
            PromptRow& row = rows.emplace_back(PromptRow{RowCell(rows.size()), "ZemPrompt", "", {file}});
            BindFile(row, file);
        }
        break;
    case kChannelView: {
        std::vector<std::string> groups;
        engine.GetGroupNames(groups);
        for (const std::string& group : groups) {
            if (!RoomForRow(rows, groups.size()))
                break;
            PromptRow& row = rows.emplace_back(PromptRow{RowCell(rows.size()), "zemprompt", group, {}});
            engine.GetGroupFiles(row.items, group.c_str());
            if (!row.items.empty())
                BindFile(row, row.items.back());
        }
        break;
    }
    }
    return rows;
}

zem::COLORREF RowBackground(bool marked)
{
    return marked ? kMarkedRowBackground : kRowBackground;
}

zem::COLORREF FlagColour(bool on)
{
    return on ? kFlagOn : kFlagOff;
}

std::string PromptRowLabel(const _FMODEngine& engine, FileHandle file)
{
    std::string text;
    const _FMODFile* record = engine.FindFile(file);
    if (record && record->GetEffect() >= 0) {
        if (const auto effect = engine.GetEffect(record->GetEffect()))
            text = effect->name;
        if (!text.empty())
            text += ", ";
    }
    const int volume = int(std::trunc(engine.GetFileVolume(file) / 255.0 * 100.0));
    const int balance = (int(std::trunc(engine.GetFileBalance(file) / 255.0 * 100.0)) - 50) * 2;
    char numbers[48];
    std::snprintf(numbers, sizeof numbers, "Vol:%d, Bal:%d, ", volume, balance);
    return text + numbers + engine.GetFileGroup(file);
}

std::string PromptTimeInfo(const SysTime& start, const SysTime& end)
{
    if (start.ToRecord().wDay != end.ToRecord().wDay)
        return start.Format("%d.%m.%y %H:%M:%S") + "  -  " + end.Format("%d.%m.%y %H:%M:%S") + " ";
    return "Datum: " + start.Format("%d.%m.%y") + "    Zeit: " + start.Format("%H:%M:%S") + "  -  " +
           end.Format("%H:%M:%S");
}
