// What the Prompt control's rows show, read from the engine for one view mode: which rows there
// are, the recordings each one draws, the recording its flags and colours stand for, and the
// texts around them. Reads the engine only; the control turns the plan into elements.
#pragma once

#include "zemWave/engine/fmodengine.h"

#include "ui/gdi.h"
#include "ZemBaseLib/systime.h"

#include <string>
#include <vector>

enum PromptViewMode : int { kSumView = 1, kFileView = 2, kChannelView = 3 };

// A frame's grid holds no more rows; the rest is refused with a trace.
inline constexpr size_t kMaxPromptRows = 100;

inline constexpr zem::COLORREF kRowBackground = 0x000000;
inline constexpr zem::COLORREF kMarkedRowBackground = 0x5C5C5C;
inline constexpr zem::COLORREF kFlagOn = 0xFFFFFF;
inline constexpr zem::COLORREF kFlagOff = 0x808080;
inline constexpr zem::COLORREF kEnabledItem = 0x00FF00;
inline constexpr zem::COLORREF kDisabledItem = 0x008000;

inline constexpr const char* kActiveFlagText = "Akt.";
inline constexpr const char* kMarkedFlagText = "Mark.";

struct PromptRow {
    std::string cell;                // "c0r<index>"
    std::string name;                // "ZemPrompt", "zemprompt" in channel view
    std::string label;               // the group name in channel view, else empty
    std::vector<_FMODFile*> items;   // queue order
    FileHandle file = 0;             // the row's recording: flags, colours and commands act on it
    bool flags = false;              // shows "Akt." and "Mark."
    bool enabled = false;            // of file
    bool marked = false;             // of file
};

// 1 to 3 stay, anything else is the sum view.
int NormalViewMode(int mode);
// What a ViewMode put stores: 1 to 3 as given, anything else steps on from the current mode.
int RequestedViewMode(int current, int requested);

// Sum view: one row (with no items on an empty queue); file view one per recording, channel
// view one per group, each without rows on an empty queue; at most kMaxPromptRows.
std::vector<PromptRow> PlanPromptRows(const _FMODEngine& engine, int viewMode);

zem::COLORREF RowBackground(bool marked);
zem::COLORREF FlagColour(bool on);

// "<effect>, Vol:<percent>, Bal:<-100..100>, <group>" for a recording; the effect part only
// with an effect slot set.
std::string PromptRowLabel(const _FMODEngine& engine, FileHandle file);

// The line above the rows: the date once with the two times, or two whole stamps when the
// timeline crosses a day.
std::string PromptTimeInfo(const SysTime& start, const SysTime& end);
