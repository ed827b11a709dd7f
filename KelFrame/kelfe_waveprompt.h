// A slider that shows the recordings of one call on a common time axis: each recording's
// waveform overview in one or two lanes, the detected tones from its metadata as coloured
// strips, a row of clickable text flags and a label. The range is the span of all items in
// milliseconds, so the thumb is a time position. Items belong to their owner (the engine);
// each is read only under its own lock. UI thread only.
#pragma once

#include "KelFrame/kelfe_slider.h"
#include "ZemBaseLib/systime.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class _Wave;
class XmlElement;

namespace zem {

class CKelFE_WavePrompt;
class KelGdiCache;

// A text in the row of flags at the top; a click on it is reported with KFE_TEXTFLAG and the
// record in lParam.
struct KelTextFlag {
    int32_t key = 0;
    std::string text;
    COLORREF colour = 0;
    RECT rect{};  // set by each paint, element client coordinates
    CKelFE_WavePrompt* owner = nullptr;
};

// One kind of detected tone: its frequency, strip colour and three labels, longest first.
struct KelToneKind {
    int32_t frequency;
    COLORREF colour;
    const char* longLabel;
    const char* middleLabel;
    const char* shortLabel;
};

class CKelFE_WavePrompt : public CKelFE_Slider {
public:
    static constexpr COLORREF kLaneLineColour = RGB(128, 128, 128);
    static constexpr COLORREF kLabelColour = RGB(192, 192, 192);
    static constexpr int kToneStripHeight = 12;

    explicit CKelFE_WavePrompt(CKelFrame* frame);
    ~CKelFE_WavePrompt() override;

    // The tone of a frequency, or null for one the prompt does not know.
    static const KelToneKind* ToneKind(int32_t frequency);
    // An overview value as the signed sample it stands for in a recording of that format
    // (8-bit PCM centred on 32896, A-law and mu-law expanded; others as signed 16-bit).
    static int32_t OverviewSample(uint16_t value, uint16_t formatTag, uint16_t bitsPerSample);

    // Adds a recording once, starting at start; the range becomes the span of all items.
    void AddItem(_Wave* item, const SysTime& start);
    const std::vector<_Wave*>& GetItems() const { return items_; }
    // Null item: every item's colour, without a redraw.
    void SetItemColour(COLORREF colour, _Wave* item, bool redraw);
    void SetItemText(int32_t key, const std::string& text, COLORREF colour);
    const std::vector<std::unique_ptr<KelTextFlag>>& GetTextFlags() const { return flags_; }

    void SetLabel(const std::string& text) { text_ = text; }
    const std::string& GetLabel() const { return text_; }
    void SetTextColour(COLORREF colour) { textColour_ = colour; }
    COLORREF GetTextColour() const { return textColour_; }
    // Once neither is null the range becomes 0 .. the span between them in milliseconds.
    void SetStartTime(const SysTime& time);
    void SetEndTime(const SysTime& time);
    SysTime GetStartTime() const { return earliestStart_; }
    SysTime GetEndTime() const { return latestEnd_; }
    void SetUserData(uint32_t value) { userData_ = value; }
    uint32_t GetUserData() const { return userData_; }

    void FillMemDC(HDC dc) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Geometry of one paint.
    struct Frame;
    // One detection of a tone, read from a recording's metadata.
    struct Detection {
        const KelToneKind* kind;
        int32_t begin;
        int32_t end;
    };
    // A recording's detections, parsed again only when its metadata text changes.
    struct ToneCache {
        std::string metadata;
        std::vector<Detection> detections;
    };
    // True once no item waits for its header: each is valid or has failed for good.
    bool NoHeaderPending() const;
    int CountLanes() const;
    // Milliseconds from the earliest start to the item's start (negative when earlier);
    // none for an item without a valid start, which has no place on the axis.
    std::optional<double> OffsetOf(_Wave* item) const;
    // The item's tone detections; null when it has no metadata or the metadata does not parse.
    const std::vector<Detection>* Detections(_Wave* item);
    void DrawToneStrips(HDC dc, const Frame& frame);
    void DrawToneStrip(HDC dc, const Frame& frame, const KelToneKind* kind, double begin, double end);
    void DrawWaveform(HDC dc, const Frame& frame, _Wave* item);
    void DrawTextFlags(HDC dc, const RECT& inner);
    void DrawCentredText(HDC dc, const RECT& inner);
    void DrawLabel(HDC dc, const RECT& inner);
    // A press on a text flag: reported to the linked windows, true when one was hit.
    bool OnTextFlagClick(LPARAM point);
    void ApplyTimeSpan();

    std::vector<_Wave*> items_;
    std::map<_Wave*, COLORREF> colours_;
    std::map<_Wave*, SysTime> starts_;
    SysTime earliestStart_;
    SysTime latestEnd_;
    COLORREF textColour_ = RGB(255, 255, 0);
    std::string text_;
    uint32_t userData_ = 0;
    std::vector<std::unique_ptr<KelTextFlag>> flags_;
    std::unique_ptr<KelGdiCache> tools_;
    std::map<_Wave*, ToneCache> tones_;
};

}  // namespace zem
