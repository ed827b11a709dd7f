#include "KelFrame/kelfe_waveprompt.h"

#include "KelFrame/kelgdicache.h"

#include "ZemBaseLib/xmlelement.h"
#include "base/littleendian.h"
#include "codec/g711.h"
#include "codec/waveformat.h"
#include "ui/input.h"
#include "ui/window.h"
#include "zemWaveLib/wave.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace zem {
namespace {

constexpr std::array<KelToneKind, 4> kToneKinds{{
    {2280, RGB(0, 192, 0), "Freizeichen", "Frei", "F"},
    {1520, RGB(255, 0, 0), "Notruf", "Not", "N"},
    {1960, RGB(192, 0, 192), "Sammelruf", "Sammel", "S"},
    {2800, RGB(0, 0, 255), "Pilotton", "Pilot", "P"},
}};

// A recording without a valid start is not on the timeline, as the engine has it.
bool HasPlace(const SysTime& start)
{
    return !start.IsNull() && start.IsValid();
}

// A pixel column far off the row is clamped: a recording hours away from a zoomed-in span
// lies millions of pixels out, past what an int holds.
int Column(const RECT& inner, double x)
{
    constexpr double kFar = 1 << 24;
    return inner.left + int(std::clamp(std::trunc(x), -kFar, kFar));
}

int32_t TextWidth(HDC dc, const std::string& text)
{
    SIZE size;
    return GetTextExtentPoint(dc, text, &size) ? size.cx : 0;
}

// Points drawn in 9-point fonts: the height for the DC's vertical resolution.
int NinePoints(HDC dc)
{
    return -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
}

}  // namespace

// Geometry of one paint: pixels per millisecond from the inner left edge, lane centres.
struct CKelFE_WavePrompt::Frame {
    RECT inner;
    double pixelsPerMs;
    int lanes;
    double scale;
    std::array<double, 2> centres;
};

CKelFE_WavePrompt::CKelFE_WavePrompt(CKelFrame* frame)
    : CKelFE_Slider(frame, 0), tools_(std::make_unique<KelGdiCache>())
{
    SetStyle(KFS_THUMB_TRIANGLE_TOP | KFS_THUMB_TRIANGLE_BOTTOM | KFS_THUMB_RECT_SOLID);
    SetType(KFE_TYPE_WAVEPROMPT);
}

CKelFE_WavePrompt::~CKelFE_WavePrompt() = default;

const KelToneKind* CKelFE_WavePrompt::ToneKind(int32_t frequency)
{
    for (const KelToneKind& kind : kToneKinds)
        if (kind.frequency == frequency)
            return &kind;
    return nullptr;
}

int32_t CKelFE_WavePrompt::OverviewSample(uint16_t value, uint16_t formatTag, uint16_t bitsPerSample)
{
    if (bitsPerSample == 8) {
        // 8-bit overviews hold the stored byte times 257.
        const uint8_t code = uint8_t(value & 0xFF);
        if (formatTag == WAVE_FORMAT_PCM)
            return int32_t(value) - 32896;
        if (formatTag == WAVE_FORMAT_ALAW)
            return codec::ALawToLinear(code);
        if (formatTag == WAVE_FORMAT_MULAW)
            return codec::MuLawToLinear(code);
    }
    return int16_t(value);
}

void CKelFE_WavePrompt::AddItem(_Wave* item, const SysTime& start)
{
    if (!item || std::find(items_.begin(), items_.end(), item) != items_.end())
        return;
    items_.push_back(item);
    colours_[item] = foreColor_;
    starts_[item] = start;
    for (_Wave* each : items_) {
        const SysTime& begin = starts_[each];
        if (HasPlace(begin) && (earliestStart_.IsNull() || begin.Compare(earliestStart_) < 0))
            earliestStart_ = begin;
    }
    if (latestEnd_.IsNull())
        latestEnd_ = earliestStart_;
    for (_Wave* each : items_) {
        if (!HasPlace(starts_[each]))
            continue;
        uint32_t length = 0;
        {
            std::lock_guard guard(each->GetLock());
            length = each->BytesToMs(each->GetDataSize());
        }
        const SysTime end = starts_[each].AddMs(length);
        if (end.Compare(latestEnd_) > 0)
            latestEnd_ = end;
    }
    SetRange(0, int32_t(std::min<uint64_t>(latestEnd_.DiffMs(earliestStart_), INT32_MAX)));
}

void CKelFE_WavePrompt::SetItemColour(COLORREF colour, _Wave* item, bool redraw)
{
    if (!item) {
        for (auto& entry : colours_)
            entry.second = colour;
        return;
    }
    if (colours_.find(item) == colours_.end())
        return;
    colours_[item] = colour;
    if (redraw)
        Invalidate();
}

void CKelFE_WavePrompt::SetItemText(int32_t key, const std::string& text, COLORREF colour)
{
    auto found = std::find_if(flags_.begin(), flags_.end(), [key](const auto& flag) { return flag->key == key; });
    KelTextFlag* flag = found != flags_.end() ? found->get() : flags_.emplace_back(std::make_unique<KelTextFlag>()).get();
    flag->key = key;
    flag->owner = this;
    flag->text = text;
    flag->colour = colour;
}

void CKelFE_WavePrompt::SetStartTime(const SysTime& time)
{
    earliestStart_ = time;
    ApplyTimeSpan();
}

void CKelFE_WavePrompt::SetEndTime(const SysTime& time)
{
    latestEnd_ = time;
    ApplyTimeSpan();
}

void CKelFE_WavePrompt::ApplyTimeSpan()
{
    if (!earliestStart_.IsNull() && !latestEnd_.IsNull())
        SetRange(0, int32_t(std::min<uint64_t>(latestEnd_.DiffMs(earliestStart_), INT32_MAX)));
}

bool CKelFE_WavePrompt::NoHeaderPending() const
{
    // A failed recording (not deciphered, unreadable) has nothing to draw; it must not hide
    // the recordings beside it.
    return std::all_of(items_.begin(), items_.end(), [](const _Wave* item) {
        const uint32_t state = item->GetState();
        return (state & _Wave::kStateValidBit) != 0 || state == _Wave::kStateFailed;
    });
}

int CKelFE_WavePrompt::CountLanes() const
{
    int lanes = 0;
    for (_Wave* item : items_) {
        std::lock_guard guard(item->GetLock());
        const uint8_t* prompt = item->GetPrompt();
        if (!prompt)
            continue;
        if (ReadLe16(prompt) == 2)
            return 2;
        lanes = 1;
    }
    return lanes;
}

std::optional<double> CKelFE_WavePrompt::OffsetOf(_Wave* item) const
{
    const auto found = starts_.find(item);
    if (found == starts_.end() || !HasPlace(found->second))
        return std::nullopt;
    const SysTime& start = found->second;
    const double span = double(start.DiffMs(earliestStart_));
    return start.Compare(earliestStart_) < 0 ? -span : span;
}

void CKelFE_WavePrompt::FillMemDC(HDC dc)
{
    if (!NoHeaderPending()) {
        CKelFrameElement::FillMemDC(dc);  // a clean face until every header is known
        return;
    }
    CKelFE_Slider::FillMemDC(dc);
    zem::SetBkColor(dc, bkColor_);
    SetTextColor(dc, foreColor_);
    const RECT inner = GetInnerRect();
    const int width = inner.right - inner.left, height = inner.bottom - inner.top;
    const double range = double(GetMax()) - GetMin();
    Frame frame{inner, range > 0 ? width / range : 0.0, CountLanes(), 0.0, {0.0, 0.0}};
    if (frame.lanes == 0) {
        DrawCentredText(dc, inner);
        return;
    }
    if (frame.lanes == 2) {
        frame.scale = (height / 2.0) / 65535.0;
        frame.centres = {inner.top + height / 4.0, inner.top + (height / 4.0) * 3.0};
        const HGDIOBJ old = SelectObject(dc, tools_->Pen(PS_SOLID, kLaneLineColour));
        MoveToEx(dc, inner.left, inner.top + height / 2);
        LineTo(dc, inner.right, inner.top + height / 2);
        SelectObject(dc, old);
    } else {
        frame.scale = height / 65535.0;
        frame.centres = {inner.top + height / 2.0, 0.0};
    }
    // Without a span nothing has a place on the axis.
    if (range > 0) {
        DrawToneStrips(dc, frame);
        for (_Wave* item : items_)
            DrawWaveform(dc, frame, item);
    }
    DrawTextFlags(dc, inner);
    DrawLabel(dc, inner);
}

const std::vector<CKelFE_WavePrompt::Detection>* CKelFE_WavePrompt::Detections(_Wave* item)
{
    std::string metadata;
    {
        std::lock_guard guard(item->GetLock());
        const char* text = item->GetMetadata();
        if (!text)
            return nullptr;
        metadata.assign(text, strnlen(text, item->GetMetadataSize()));
    }
    ToneCache& cache = tones_[item];
    if (cache.metadata == metadata && !metadata.empty())
        return &cache.detections;
    cache.metadata.clear();
    cache.detections.clear();
    XmlElement root;
    if (!root.Parse(metadata))
        return nullptr;
    const XmlElement* uicf = root.FindChild("uicf");
    const XmlElement* detector = uicf ? uicf->FindChild("tonedetector") : nullptr;
    for (uint16_t t = 0; detector && detector->GetChild(t); ++t) {
        const XmlElement* tone = detector->GetChild(t);
        int32_t frequency = 0;
        const KelToneKind* kind = tone->GetAttributeInt("f", frequency) ? ToneKind(frequency) : nullptr;
        for (uint16_t d = 0; kind && tone->GetChild(d); ++d) {
            int32_t begin = 0, end = 0;
            const XmlElement* detection = tone->GetChild(d);
            if (detection->GetAttributeInt("begin", begin) && detection->GetAttributeInt("end", end))
                cache.detections.push_back({kind, begin, end});
        }
    }
    cache.metadata = std::move(metadata);
    return &cache.detections;
}

void CKelFE_WavePrompt::DrawToneStrips(HDC dc, const Frame& frame)
{
    for (_Wave* item : items_) {
        const std::optional<double> offset = OffsetOf(item);
        if (!offset)
            continue;
        if (const std::vector<Detection>* detections = Detections(item))
            for (const Detection& d : *detections)
                DrawToneStrip(dc, frame, d.kind, d.begin + *offset, d.end + *offset);
    }
}

void CKelFE_WavePrompt::DrawToneStrip(HDC dc, const Frame& frame, const KelToneKind* kind, double begin, double end)
{
    const int left = Column(frame.inner, begin * frame.pixelsPerMs);
    const int right = Column(frame.inner, end * frame.pixelsPerMs);
    RECT strip{left, frame.inner.bottom - 1 - kToneStripHeight, right, frame.inner.bottom - 1};
    FillRect(dc, strip, tools_->Brush(kind->colour));

    const KelSelectedFont font(dc, tools_->Font("MS Sans Serif", 10, 0, false));
    const int stripWidth = right - left;
    const char* label = kind->shortLabel;
    if (TextWidth(dc, kind->longLabel) < stripWidth)
        label = kind->longLabel;
    else if (TextWidth(dc, kind->middleLabel) < stripWidth)
        label = kind->middleLabel;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, RGB(255, 255, 255));
    DrawText(dc, label, &strip, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

void CKelFE_WavePrompt::DrawWaveform(HDC dc, const Frame& frame, _Wave* item)
{
    const std::optional<double> offset = OffsetOf(item);
    if (!offset)
        return;
    std::lock_guard guard(item->GetLock());
    const uint8_t* prompt = item->GetPrompt();
    const WAVEFORMATEX* format = item->GetFormat();
    if (!prompt || !format)
        return;
    const uint16_t channels = ReadLe16(prompt), n = ReadLe16(prompt + 2);
    if (channels > 2 || n == 0)
        return;
    const double length = item->BytesToMs(item->GetDataSize());
    const double x0 = std::trunc(frame.pixelsPerMs * *offset);
    const double x1 = std::trunc(x0 + frame.pixelsPerMs * length);
    const double step = (x1 - x0) / n;

    const auto colour = colours_.find(item);
    const HGDIOBJ old = SelectObject(dc, tools_->Pen(PS_SOLID, colour != colours_.end() ? colour->second : foreColor_));
    std::vector<POINT> points(size_t(n) + 1);
    for (uint16_t lane = 0; lane < std::min<int>(channels, frame.lanes); ++lane) {
        const double centre = frame.centres[lane];
        const uint8_t* values = prompt + 4 + size_t(2) * n * lane;
        points[0] = POINT{Column(frame.inner, x0), int(std::trunc(centre))};
        for (uint16_t i = 0; i < n; ++i) {
            const int32_t s = OverviewSample(ReadLe16(values + size_t(2) * i), format->wFormatTag,
                                             format->wBitsPerSample);
            points[i + 1] = POINT{Column(frame.inner, x0 + i * step),
                                  int(std::trunc(centre - s * frame.scale))};
        }
        Polyline(dc, points.data(), int(points.size()));
    }
    SelectObject(dc, old);
}

void CKelFE_WavePrompt::DrawTextFlags(HDC dc, const RECT& inner)
{
    const KelSelectedFont font(dc, tools_->Font("Arial", NinePoints(dc), FW_BOLD, true));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    int x = inner.left + 2;
    for (const auto& flag : flags_) {
        RECT r{x, inner.top, x, inner.top};
        DrawText(dc, flag->text, &r, DT_CALCRECT | DT_LEFT | DT_SINGLELINE);
        const COLORREF oldColour = SetTextColor(dc, flag->colour);
        RECT drawn = r;
        DrawText(dc, flag->text, &drawn, DT_LEFT | DT_SINGLELINE);
        SetTextColor(dc, oldColour);
        flag->rect = r;
        x = r.right + 4;
    }
    SetBkMode(dc, oldMode);
}

void CKelFE_WavePrompt::DrawCentredText(HDC dc, const RECT& inner)
{
    const KelSelectedFont font(dc, tools_->Font("MS Sans Serif", 10, 0, false));
    const COLORREF oldColour = SetTextColor(dc, textColour_);
    RECT r = inner;
    DrawText(dc, text_, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetTextColor(dc, oldColour);
}

void CKelFE_WavePrompt::DrawLabel(HDC dc, const RECT& inner)
{
    if (text_.empty())
        return;
    const KelSelectedFont font(dc, tools_->Font("Arial", NinePoints(dc), 500, true));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, kLabelColour);
    RECT r = inner;
    r.top += 1;
    DrawText(dc, text_, &r, DT_RIGHT | DT_SINGLELINE);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

bool CKelFE_WavePrompt::OnTextFlagClick(LPARAM point)
{
    const int x = GET_X_LPARAM(point), y = GET_Y_LPARAM(point);
    for (const auto& flag : flags_) {
        const RECT& r = flag->rect;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            // Straight to the linked windows only: the frame is not told, the thumb stays.
            SendToLinked(KFE_NOTIFY, WPARAM(KFE_TEXTFLAG), LPARAM(flag.get()));
            return true;
        }
    }
    return false;
}

LRESULT CKelFE_WavePrompt::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN && OnTextFlagClick(lParam))
        return 0;
    return CKelFE_Slider::WindowProc(message, wParam, lParam);
}

}  // namespace zem
