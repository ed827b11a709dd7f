// A slider with a ruler painted over it: clock time, time elapsed since a start time, plain
// numbers or percent. Everything the slider does stays; a double click cycles the scale mode
// instead of being reported. The time shown for a value is the start time plus (value - min)
// / units per second, the same rule the ruler places its ticks by. UI thread only.
#pragma once

#include "KelFrame/kelfe_slider.h"
#include "KelFrame/kelruler.h"
#include "ZemBaseLib/systime.h"

#include <cstdint>
#include <string>

namespace zem {

class CKelFE_ScaleSlider : public CKelFE_Slider {
public:
    explicit CKelFE_ScaleSlider(CKelFrame* frame);
    ~CKelFE_ScaleSlider() override;

    // Any value is stored; modes outside 1-4 paint the top line only.
    void SetScaleMode(int32_t mode);
    int32_t GetScaleMode() const { return scaleMode_; }
    // With start before end: stores both, derives units per second from the range in force
    // (so set the range first) and turns a non-time, non-percent mode into absolute time.
    // Otherwise both become null and the mode stays.
    void SetTimeRange(const SysTime& start, const SysTime& end);
    void GetTimeRange(SysTime& start, SysTime& end) const;
    double GetUnitsPerSecond() const { return unitsPerSecond_; }
    // The thumb's value as "HH:MM:SS.t" (clock or elapsed) or "nn.n%"; "" in other modes and
    // while no time range of at least a second is set.
    std::string FormatPosition() const;
    const std::string& GetUnitLabel() const { return ruler_.GetUnitLabel(); }
    const std::string& GetLabelFormat() const { return ruler_.GetLabelFormat(); }

    void Refresh() override;
    void FillMemDC(HDC dc) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnLButtonDblClk(WPARAM keys, LPARAM point);

private:
    CKelRuler ruler_;  // holds the unit label and the label format
    int32_t scaleMode_ = CKelRuler::kNumber;
    SysTime startTime_;
    SysTime endTime_;
    double unitsPerSecond_ = 0.0;
};

}  // namespace zem
