#include "zemWave/playlistrowtext.h"

#include "zemWaveLib/wave.h"

#include <cstdio>

namespace {

template <class... Args>
std::string Format(const char* format, Args... args)
{
    char text[64];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

std::string TransferText(uint32_t waveState, double loadPercent)
{
    switch (waveState) {
    case _Wave::kStateNone: return "NoFile";
    case _Wave::kStateFailed: return "Invalid";
    case _Wave::kStateHeaderDownload: return "Checking";
    case _Wave::kStateHeaderChecked: return "Checked";
    case _Wave::kStateLoading: return Format("Loading (%.2lf %%)", loadPercent);
    case _Wave::kStatePaused: return Format("Paused (%.2lf %%)", loadPercent);
    case _Wave::kStateLoaded: return "Complete";
    default: return "Error";
    }
}

std::string DurationText(uint32_t lengthMs)
{
    const unsigned seconds = lengthMs / 1000;
    return Format("%2.2d:%2.2d:%2.2d", int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
}

std::string StartTimeText(const SysTime& start)
{
    if (!start.IsValid() || start.IsNull())
        return std::string(28, ' ');
    return start.FormatText(' ');
}

std::string DateText(const std::string& startTimeText) { return startTimeText.substr(0, 10); }

std::string BeginText(const std::string& startTimeText)
{
    return startTimeText.size() > 11 ? startTimeText.substr(11, 8) : std::string();
}

std::string VolumeText(uint32_t volume) { return Format("%.2lf%%", volume / 255.0 * 100.0); }

std::string BalanceText(uint32_t balance) { return Format("%.2lf", double(balance)); }
