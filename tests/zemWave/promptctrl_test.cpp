// The Prompt control as a host meets it: created, activated in place, driven through its
// dispatch interface and by mouse, offscreen, with the module's engine on the null output.
#include "zemWave/playerctrl.h"
#include "zemWave/promptctrl.h"

#include "zemWave/engine/commandids.h"
#include "zemWave/engine/enginerig.h"
#include "support/scratch.h"

#include "KelFrame/kelfe_scaleslider.h"
#include "KelFrame/kelfe_waveprompt.h"
#include "com/host.h"
#include "ui/application.h"
#include "ui/messagebox.h"
#include "ui/testhooks.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <future>

namespace {

using namespace zem;

CZemWaveModule theModule;

class PromptCtrl : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto hostProc = [this](HWND, UINT message, WPARAM, LPARAM) {
            drained_ = drained_ || message == WM_USER;
            return LRESULT{0};
        };
        host_ = CreateWindow(hostProc, WS_VISIBLE, 0, 0, 400, 300);
        control_ = new CPromptCtrl(nullptr);
        auto site = ComPtr<ControlSite>::Adopt(new ControlSite(host_, {0, 0, 400, 300}));
        ASSERT_EQ(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), nullptr, nullptr), S_OK);
        engine_ = theModule.App().GetEngine();
        SetMessageBoxHook([this](const std::string& text, const std::string&, UINT) {
            boxes_.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHook({});
        SetMenuHook({});
        control_->Release();
        DestroyWindow(host_);
    }

    VARIANT Call(const char* name, std::vector<VARIANT> args = {}, WORD flags = DISPATCH_METHOD)
    {
        VARIANT result;
        std::string error;
        EXPECT_EQ(DispatchCall(control_, name, flags, std::move(args), &result, &error), S_OK) << error;
        return result;
    }
    // The engine has done what was posted to it, and the control has had its notifications.
    void Settle()
    {
        std::promise<void> done;
        auto handled = done.get_future();
        ASSERT_TRUE(engine_->RunOnWorker([&done] { done.set_value(); }));
        ASSERT_EQ(handled.wait_for(enginetest::kPatience), std::future_status::ready);
        drained_ = false;
        ASSERT_TRUE(PostMessage(host_, WM_USER, 0, 0));  // behind what the engine posted
        ASSERT_TRUE(PumpMessagesUntil([this] { return drained_; }, 20000));
        UpdateWindow(host_);
    }
    int Rows() const { return control_->GetRowsFrame() ? control_->GetRowsFrame()->GetRowCount() : -1; }
    CKelFE_WavePrompt* Row(int index) const
    {
        return dynamic_cast<CKelFE_WavePrompt*>(control_->GetRowsFrame()->FindElementByCell("c0r" + std::to_string(index)));
    }

    HWND host_ = nullptr;
    bool drained_ = false;
    CPromptCtrl* control_ = nullptr;
    MyFMODEngine* engine_ = nullptr;
    std::vector<std::string> boxes_;
};

TEST_F(PromptCtrl, RowsPerViewMarkedColourClickToSeekAndTheMenu)
{
    static const std::string folder = zemtest::NewFolder("prompt");
    void* made = nullptr;
    ASSERT_EQ(CPlayerCtrl::Create(nullptr, IID_IDispatch, &made), S_OK);
    const auto player = ComPtr<IDispatch>::Adopt(static_cast<IDispatch*>(made));
    EXPECT_EQ(theModule.App().GetEngine(), engine_) << "one engine for both controls";
    const char* groups[] = {"A", "B", "A"};
    std::vector<FileHandle> files;
    for (int i = 0; i < 3; ++i) {
        const std::string path = enginetest::WriteTone(folder + "/r" + std::to_string(i) + ".wav", 440, 2000);
        files.push_back(FileHandle(Call("AddFile", {VARIANT::Bstr(path)}).lVal));
        ASSERT_NE(files.back(), 0u);
        const std::string info = std::string("<i><starttime>2024-03-05 10:00:0") + char('0' + 2 * i) +
                                 ".000</starttime><group>" + groups[i] + "</group></i>";
        ASSERT_EQ(DispatchCall(player.Get(), "SetFileInfo",
                               DISPATCH_METHOD, {VARIANT::I4(int32_t(files.back())), VARIANT::Bstr(info)}, nullptr),
                  S_OK);
    }
    EXPECT_EQ(Call("AddFile", {VARIANT::Bstr(folder + "/r0.wav")}).lVal, 0) << "already queued";
    EXPECT_EQ(boxes_, std::vector<std::string>{"AddFileFailed"});
    Settle();
    EXPECT_EQ(Call("GetFileCount").iVal, 3);
    EXPECT_EQ(Call("GetFileHandle", {VARIANT::I2(3)}).lVal, 0);
    EXPECT_EQ(FileHandle(Call("GetFileHandle", {VARIANT::I2(1)}).lVal), files[1]);

    {
        // A Prompt made after the files were placed has missed their notification: its ruler
        // still shows their timeline in clock times from the start.
        const HWND host = CreateWindow([](HWND, UINT, WPARAM, LPARAM) { return LRESULT{0}; }, WS_VISIBLE, 0, 0, 400, 300);
        auto* late = new CPromptCtrl(nullptr);
        auto site = ComPtr<ControlSite>::Adopt(new ControlSite(host, {0, 0, 400, 300}));
        EXPECT_EQ(late->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), nullptr, nullptr), S_OK);
        auto* ruler = late->GetMainFrame()
                          ? dynamic_cast<CKelFE_ScaleSlider*>(late->GetMainFrame()->FindElementByName("Measure_TimeRuler"))
                          : nullptr;
        EXPECT_NE(ruler, nullptr);
        if (ruler) {
            GrabWindow(ruler->GetSafeHwnd());
            EXPECT_EQ(ruler->GetUnitLabel(), "hms(a)");
            SysTime start, end;
            ruler->GetTimeRange(start, end);
            EXPECT_EQ(start.Compare(engine_->GetStartTime()), 0);
            EXPECT_EQ(end.Compare(engine_->GetEndTime()), 0);
        }
        late->Release();
        DestroyWindow(host);
    }

    for (const auto& [mode, rows] : {std::pair{1, 1}, {2, 3}, {3, 2}}) {
        Call("ViewMode", {VARIANT::I2(int16_t(mode))}, DISPATCH_PROPERTYPUT);
        Call("Redraw");
        EXPECT_EQ(Rows(), rows) << "view " << mode;
    }

    Call("ViewMode", {VARIANT::I2(2)}, DISPATCH_PROPERTYPUT);
    Call("Redraw");
    engine_->SetFileMarked(files[1], true);
    Settle();
    ASSERT_GT(Row(1)->GetInnerRect().right - Row(1)->GetInnerRect().left, 100);
    const WindowImage marked = GrabWindow(Row(1)->GetSafeHwnd());
    const WindowImage plain = GrabWindow(Row(0)->GetSafeHwnd());
    const auto share = [](const WindowImage& image) {
        return double(std::count(image.pixels.begin(), image.pixels.end(), kMarkedRowBackground)) / image.pixels.size();
    };
    EXPECT_GT(share(marked), 0.3);
    EXPECT_LT(share(plain), 0.01) << "a few glyph pixels at most";

    const RECT flag = Row(0)->GetTextFlags().at(1)->rect;  // "Mark."
    ASSERT_TRUE(SimulateMouse(Row(0)->GetSafeHwnd(), WM_LBUTTONDOWN, (flag.left + flag.right) / 2,
                              (flag.top + flag.bottom) / 2, MK_LBUTTON));
    Settle();
    EXPECT_TRUE(engine_->IsFileMarked(files[0]));
    EXPECT_FALSE(engine_->IsFileMarked(files[1])) << "marking one file unmarks the others";

    CKelFE_WavePrompt* row = Row(2);
    const RECT inner = row->GetInnerRect();
    const int width = inner.right - inner.left;
    const int x = inner.left + width / 4;
    const int y = (inner.top + inner.bottom) / 2;
    ASSERT_TRUE(SimulateMouse(row->GetSafeHwnd(), WM_LBUTTONDOWN, x, y, MK_LBUTTON));
    ASSERT_TRUE(SimulateMouse(row->GetSafeHwnd(), WM_LBUTTONUP, x, y, 0));
    Settle();
    const double span = engine_->GetEndTime().DiffMs(engine_->GetStartTime());
    EXPECT_NEAR(engine_->GetPosition(), span / 4, span / width + 1);

    for (int i = 3; i < 11; ++i)
        ASSERT_NE(Call("AddFile", {VARIANT::Bstr(enginetest::WriteTone(folder + "/r" + std::to_string(i) + ".wav", 440, 100))}).lVal, 0);
    Settle();  // each added file rebuilds the rows, which would drop a command still posted to one
    Call("ViewMode", {VARIANT::I2(3)}, DISPATCH_PROPERTYPUT);
    Call("Redraw");
    UINT fileView = kMenuFailed;
    std::string first;
    SetMenuHook([&](HMENU menu) -> uintptr_t {
        first = GetMenuString(menu, 0, MF_BYPOSITION);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            if (GetMenuString(menu, UINT(i), MF_BYPOSITION) == "Ansicht")
                fileView = GetMenuState(GetSubMenu(menu, i), kCmdFileView, MF_BYCOMMAND);
        }
        return kCmdSumView;
    });
    ASSERT_TRUE(SimulateMouse(Row(0)->GetSafeHwnd(), WM_RBUTTONDOWN, x, y, MK_RBUTTON));
    Settle();  // the chosen command
    Settle();  // the rebuild it asks for
    EXPECT_EQ(first, "Kanal");
    ASSERT_NE(fileView, kMenuFailed);
    EXPECT_EQ(fileView & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(control_->GetViewMode(), 1) << "Summenansicht chosen";
    EXPECT_EQ(Rows(), 1);

    Call("AddFilesFromControl", {VARIANT::I4(1)});
    EXPECT_EQ(boxes_.back(), "Function not implemented");
}

}  // namespace
