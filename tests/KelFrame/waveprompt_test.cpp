// The wave prompt over two generated recordings: waveforms, the tone strip and text flags.
#include "kelframetest.h"

#include "../zemWaveLib/wavefiles.h"
#include "KelFrame/kelfe_waveprompt.h"
#include "codec/g711.h"
#include "ui/input.h"

using namespace kftest;
using namespace wavetest;

namespace {

constexpr COLORREF kBack = RGB(0, 0, 0);
constexpr COLORREF kFirst = RGB(255, 255, 0);
constexpr COLORREF kSecond = RGB(0, 255, 0);

SysTime At(int hour, int minute, int second)
{
    SysTime t;
    t.year = 2026, t.month = 12, t.day = 9, t.hour = uint16_t(hour), t.minute = uint16_t(minute),
    t.second = uint16_t(second), t.milliseconds = 0;
    return t;
}

// A 4-second mono recording at 8000 Hz whose overview holds four equal values.
std::string Recording(uint16_t bits, uint16_t overviewValue, const std::string& metadata)
{
    std::string overview = U16(1) + U16(4);
    for (int i = 0; i < 4; ++i)
        overview += U16(overviewValue);
    std::vector<Chunk> chunks{{"fmt ", Fmt(1, 1, 8000, bits)}, {"zemp", overview}};
    if (!metadata.empty())
        chunks.push_back({"ksti", metadata + std::string(1 + metadata.size() % 2, '\0')});
    chunks.push_back({"data", std::string(size_t(4 * 8000 * bits / 8), bits == 8 ? '\x80' : '\0')});
    return WriteRecording(Riff(chunks));
}

class WavePromptTest : public FrameFixture {
protected:
    // Two recordings of 4 s, the second 4 s after the first, in a 250 x 100 prompt without
    // borders: 32 ms per pixel, the second from x 125. The first is 8-bit at full scale
    // (overview 255 x 257), the second 16-bit at -16384 with a pilot tone from 1 s to 2 s.
    void SetUp() override
    {
        FrameFixture::SetUp();
        MoveWindow(frame_->GetSafeHwnd(), 10, 30, 250, 100);
        UseOneCell();
        ASSERT_TRUE(first_.SetFileName(Recording(8, 65535, "")));
        ASSERT_TRUE(second_.SetFileName(Recording(16, 0xC000,
            "<ksti><uicf><tonedetector><tone f=\"2800\"><position begin=\"1000\" end=\"2000\"/></tone>"
            "</tonedetector></uicf></ksti>")));
        prompt_ = new CKelFE_WavePrompt(frame_);
        frame_->AddElement(prompt_);
        prompt_->SetCell("C00R00");
        prompt_->SetBkColor(kBack);
        prompt_->SetForeColor(kFirst);
        prompt_->AddItem(&first_, At(10, 0, 0));
        prompt_->AddItem(&second_, At(10, 0, 4));
        prompt_->AddItem(&first_, At(11, 0, 0));  // already there: nothing changes
        prompt_->SetItemColour(kSecond, &second_, false);
        linked_ = log_.Window();
        prompt_->AddLinkedWindow(linked_);
        frame_->ShowLayout();
        Settle();
    }
    void TearDown() override
    {
        FrameFixture::TearDown();  // the frame and its prompt go before the recordings
    }

    _Wave first_;
    _Wave second_;
    _Wave failed_;   // its file is no recording (as an enciphered one that was not deciphered)
    _Wave pending_;  // its header is still to come
    _Wave undated_;  // without a start
    _Wave distant_;  // a century before the others
    CKelFE_WavePrompt* prompt_ = nullptr;
    HWND linked_ = nullptr;
};

TEST_F(WavePromptTest, DrawsWaveformsAndToneStripInPlace)
{
    EXPECT_EQ(prompt_->GetMax(), 8000);
    EXPECT_EQ(prompt_->GetEndTime().Compare(At(10, 0, 8)), 0);
    const WindowImage image = GrabWindow(prompt_->GetSafeHwnd());
    ASSERT_EQ(image.width, 250);
    ASSERT_EQ(image.height, 100);
    struct Probe {
        int x, y;
        COLORREF expected;
    };
    const Probe probes[] = {
        {50, 0, kFirst},    // 8-bit full scale reaches the top, not the centre line
        {50, 50, kBack},
        {170, 75, kSecond}, // -16384 a quarter below the centre
        {100, 75, kBack},
        {158, 89, RGB(0, 0, 255)},  // the pilot strip from x 156 to 187, y 87 to 99
        {154, 89, kBack},
        {190, 89, kBack},
        {158, 85, kBack},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(image.At(p.x, p.y), p.expected) << p.x << "," << p.y;
}

TEST_F(WavePromptTest, TextFlagClickReachesEachLinkedWindowOnce)
{
    prompt_->SetItemText(7, "Pilot", RGB(255, 0, 0));
    prompt_->SetItemText(9, "Mark", RGB(0, 255, 255));
    prompt_->SetItemText(7, "Pilotton", RGB(255, 0, 0));
    ASSERT_EQ(prompt_->GetTextFlags().size(), 2u);
    prompt_->AddNotifyWindow(linked_);  // the frame must not relay it a second time
    InvalidateRect(prompt_->GetSafeHwnd(), nullptr, true);
    const KelTextFlag* mark = prompt_->GetTextFlags()[1].get();
    ASSERT_TRUE(PumpMessagesUntil([&] { return mark->rect.right > mark->rect.left; }, kBoundMs)) << "never painted";
    const int32_t thumb = prompt_->GetPosition();
    log_.entries.clear();
    SimulateMouse(prompt_->GetSafeHwnd(), WM_LBUTTONDOWN, mark->rect.left + 1, mark->rect.top + 1, MK_LBUTTON);
    Drain();
    const auto notes = log_.Of(KFE_NOTIFY);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].wParam, WPARAM(KFE_TEXTFLAG));
    EXPECT_EQ(notes[0].lParam, LPARAM(mark));
    EXPECT_EQ(prompt_->GetPosition(), thumb);
}

// A recording that failed for good leaves the others, the flags and the label drawn; one whose
// header is still to come keeps the row empty.
TEST_F(WavePromptTest, OnlyAPendingHeaderKeepsTheRowEmpty)
{
    ASSERT_FALSE(failed_.SetFileName(WriteRecording("enciphered, not a recording")));
    ASSERT_EQ(failed_.GetState(), _Wave::kStateFailed);
    prompt_->SetItemText(7, "Akt.", RGB(255, 255, 255));
    const struct {
        _Wave* added;
        bool drawn;
    } steps[] = {{&failed_, true}, {&pending_, false}};
    for (const auto& step : steps) {
        prompt_->AddItem(step.added, At(10, 0, 2));
        InvalidateRect(prompt_->GetSafeHwnd(), nullptr, true);
        const WindowImage image = GrabWindow(prompt_->GetSafeHwnd());
        const RECT flag = prompt_->GetTextFlags().at(0)->rect;
        if (step.drawn) {
            EXPECT_EQ(image.At(50, 0), kFirst) << "the valid recording's waveform";
            EXPECT_GT(flag.right, flag.left) << "the flag";
        } else {
            EXPECT_EQ(std::count(image.pixels.begin(), image.pixels.end(), kBack), long(image.pixels.size()));
        }
    }
}

// A recording without a start has no place on the axis; one a century before the row's span
// (as the control sets it) lies millions of pixels out. Neither draws: the row looks as before.
TEST_F(WavePromptTest, ARecordingOffTheAxisLeavesTheRowAsItWas)
{
    SysTime none;
    none.SetNull();
    SysTime century = At(10, 0, 0);
    century.year = 1926;
    const struct {
        _Wave* wave;
        SysTime start;
        bool widensSpan;
    } steps[] = {{&undated_, none, false}, {&distant_, century, true}};
    const WindowImage before = GrabWindow(prompt_->GetSafeHwnd());
    for (const auto& step : steps) {
        SCOPED_TRACE(step.start.year);
        ASSERT_TRUE(step.wave->SetFileName(Recording(16, 0x4000,
            "<ksti><uicf><tonedetector><tone f=\"2800\"><position begin=\"0\" end=\"4000\"/></tone>"
            "</tonedetector></uicf></ksti>")));
        prompt_->AddItem(step.wave, step.start);
        prompt_->SetItemColour(RGB(255, 0, 255), step.wave, false);
        EXPECT_EQ(prompt_->GetMax() != 8000, step.widensSpan);
        prompt_->SetStartTime(At(10, 0, 0));
        prompt_->SetEndTime(At(10, 0, 8));
        InvalidateRect(prompt_->GetSafeHwnd(), nullptr, true);
        const WindowImage after = GrabWindow(prompt_->GetSafeHwnd());
        EXPECT_TRUE(after.pixels == before.pixels);
    }
}

TEST(WavePromptSamples, OverviewValuesStandForTheirSamples)
{
    struct Case {
        uint16_t value, tag, bits;
        int32_t sample;
    };
    const Case cases[] = {
        {32896, 1, 8, 0},     {65535, 1, 8, 32639},  {0, 1, 8, -32896},
        {0xD5D5, 6, 8, zem::codec::ALawToLinear(0xD5)}, {0x0000, 7, 8, zem::codec::MuLawToLinear(0x00)},
        {0xC000, 1, 16, -16384}, {0xC000, 49, 16, -16384},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CKelFE_WavePrompt::OverviewSample(c.value, c.tag, c.bits), c.sample) << c.value << " " << c.tag;
}

}  // namespace
