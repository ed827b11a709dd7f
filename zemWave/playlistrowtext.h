// The texts of a playlist row, each from one value of a queued recording.
#pragma once

#include "ZemBaseLib/systime.h"

#include <cstdint>
#include <string>

// The wave's load state as "Complete", "Loading (42.50 %)" and so on; "Error" for a state
// that has no text of its own.
std::string TransferText(uint32_t waveState, double loadPercent);
// Whole seconds as "hh:mm:ss".
std::string DurationText(uint32_t lengthMs);
// "yyyy-mm-dd hh:mm:ss.mmm", or 28 blanks for a null or invalid time, so that date and start
// cut from it are blank.
std::string StartTimeText(const SysTime& start);
std::string DateText(const std::string& startTimeText);
std::string BeginText(const std::string& startTimeText);
// Volume 0-255 as a percentage of full, "100.00%".
std::string VolumeText(uint32_t volume);
// Balance 0-255 (128 the centre) as "128.00".
std::string BalanceText(uint32_t balance);
