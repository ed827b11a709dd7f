// The module's control base and the Player control on the offscreen window layer, with the
// module's application object and its engine on the null output. What reaches the engine's
// command handler is read from its trace.
#include "zemWave/engine/enginerig.h"
#include "zemWave/playerctrl.h"
#include "zemWave/typelibrary.h"
#include "support/scratch.h"

#include "KelFrame/kelfe_button.h"
#include "KelFrame/kelfe_slider.h"
#include "KelFrame/kelfe_wndcontainer.h"
#include "base/trace.h"
#include "com/host.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/input.h"
#include "ui/testhooks.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <thread>

namespace {

using namespace zem;

CZemWaveModule* g_module = nullptr;
std::string g_tracePath;

// The trace is chosen once per process, so it is set before the window layer starts.
class PlayerEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_tracePath = zemtest::RootFolder() + "/trace.log";
        setenv("ZEM_TRACE", g_tracePath.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ASSERT_TRUE(InitApplication());
        g_module = new CZemWaveModule;
    }
    void TearDown() override
    {
        delete g_module;
        ExitApplication();
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new PlayerEnvironment);

LRESULT Quiet(HWND, UINT, WPARAM, LPARAM) { return 0; }

size_t TaskCount()
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/task"), {}));
}

// The command ids the engine's command handler was called with since the last call.
std::vector<int> NewCommands()
{
    static size_t seen = 0;
    const std::string text = zemtest::ReadFile(g_tracePath);
    const std::string fresh = text.substr(std::min(seen, text.size()));
    seen = text.size();
    static const std::regex command(R"(CommandHandler\(cmdid=(\d+)\))");
    std::vector<int> ids;
    for (auto it = std::sregex_iterator(fresh.begin(), fresh.end(), command); it != std::sregex_iterator(); ++it)
        ids.push_back(std::stoi((*it)[1]));
    return ids;
}

// The base as the controls use it: counts the window messages it is handed.
class BaseProbe : public CZemWaveOleControl {
public:
    BaseProbe() : CZemWaveOleControl(zemwave::PlayerInterface(), zemwave::kControlMiscStatus, nullptr, ControlKind::Player) {}

    int creates = 0;
    int lastCx = -1;
    HWND windowAtCreate = nullptr;

protected:
    HRESULT Call(const MemberCall&, VARIANT*) override { return DISP_E_MEMBERNOTFOUND; }
    int OnCreate() override
    {
        ++creates;
        windowAtCreate = GetSafeHwnd();
        return 0;
    }
    void OnSize(int cx, int) override { lastCx = cx; }
};

TEST(ZemWaveOleControl, RegistersWithoutAWindowOnAnyThreadAndLeavesNothingBehind)
{
    CZemWaveApp& app = g_module->App();
    std::thread([&] {
        auto* probe = new BaseProbe;
        EXPECT_NE(app.GetEngine(), nullptr) << "the first control makes the engine";
        EXPECT_EQ(app.GetControlKind(probe), 1);
        EXPECT_EQ(probe->GetSafeHwnd(), nullptr);
        probe->Release();
    }).join();
    EXPECT_EQ(app.GetEngine(), nullptr) << "the last control takes the engine with it";

    HWND host = CreateWindow(Quiet, 0, 0, 0, 300, 100);
    auto* probe = new BaseProbe;
    auto site = ComPtr<ControlSite>::Adopt(new ControlSite(host, {0, 0, 200, 50}));
    ASSERT_EQ(probe->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), nullptr, nullptr), S_OK);
    const HWND window = probe->GetSafeHwnd();
    EXPECT_EQ(probe->creates, 1);
    EXPECT_EQ(probe->windowAtCreate, window) << "the handle is known during WM_CREATE";
    EXPECT_EQ(GetParent(window), host);
    ASSERT_EQ(probe->SetObjectRects({0, 0, 120, 40}, {0, 0, 120, 40}), S_OK);
    EXPECT_EQ(probe->lastCx, 120);
    probe->Release();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(app.GetEngine(), nullptr);
    DestroyWindow(host);
}

// One Player active in place in a host window, as the module's factory makes it.
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TraceEnabled());
        host_ = CreateWindow(Quiet, WS_VISIBLE, 0, 0, 760, 140);
        ASSERT_EQ(CPlayerCtrl::Create(nullptr, IID_IDispatch, player_.OutVoid()), S_OK);
        object_ = player_.As<IOleObject>();
        site_ = ComPtr<ControlSite>::Adopt(new ControlSite(host_, {0, 0, 750, 130}));
        ASSERT_EQ(object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_.Get(), nullptr, nullptr), S_OK);
        ASSERT_EQ(object_.As<IOleInPlaceObject>()->GetWindow(&window_), S_OK);
        engine_ = g_module->App().GetEngine();
        ASSERT_NE(engine_, nullptr);
        PumpMessagesUntil([] { return false; }, 50);
        NewCommands();
    }
    void TearDown() override
    {
        object_->Close();
        object_.Reset();
        player_.Reset();
        DestroyWindow(host_);
    }

    CPlayerCtrl& Player() { return *static_cast<CPlayerCtrl*>(static_cast<IOleObject*>(object_.Get())); }
    CKelFrame* Nested(const char* container)
    {
        auto* c = dynamic_cast<CKelFE_WndContainer*>(Player().MainFrame()->FindElementByName(container));
        return c ? CKelFrame::FromHandle(c->GetWnd()) : nullptr;
    }
    template <class Element>
    Element* Find(const char* container, const char* name)
    {
        CKelFrame* frame = Nested(container);
        return frame ? dynamic_cast<Element*>(frame->FindElementByName(name)) : nullptr;
    }
    bool Frame3Shown() { return IsWindowVisible(Player().MainFrame()->FindElementByName("WndContainer_Frame3")->GetSafeHwnd()); }
    HRESULT Invoke(const char* name, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr)
    {
        return DispatchCall(player_.Get(), name, flags, std::move(args), result);
    }
    void Drain() { PumpMessagesUntil([] { return false; }, 300); }

    HWND host_ = nullptr;
    HWND window_ = nullptr;
    ComPtr<IDispatch> player_;
    ComPtr<IOleObject> object_;
    ComPtr<ControlSite> site_;
    MyFMODEngine* engine_ = nullptr;
};

TEST_F(PlayerTest, LayoutShowsTheMarkedFrameOnlyWhileARecordingIsMarked)
{
    const struct {
        const char* container;
        const char* frame;
        std::vector<std::string> names;
    } frames[] = {
        {"WndContainer_Frame1", "Frame1",
         {"KFEDisplay", "KFEButton_TogglePlayPause", "KFEButton_Stop", "KFEButton_SetIndex", "KFEButton_Rewind",
          "KFEButton_Forward", "KFEButton_PrevFile", "KFEButton_NextFile", "KFEButton_PrevIndex", "KFEButton_NextIndex"}},
        {"WndContainer_Frame2", "Frame2",
         {"Display", "SliderVolume", "SliderSpeed", "CheckIndexLoop", "", "CheckSkipSilence", "KFEDisplay_Check"}},
        {"WndContainer_Frame3", "Frame3", {"KFEDisplay", "SliderVolume", "SliderBalance"}},
    };
    for (const auto& f : frames) {
        CKelFrame* frame = Nested(f.container);
        ASSERT_NE(frame, nullptr) << f.container;
        EXPECT_EQ(frame->GetName(), f.frame);
        std::vector<std::string> names;
        for (size_t i = 0; i < frame->GetElementCount(); ++i)
            names.push_back(frame->GetElement(i)->GetName());
        EXPECT_EQ(names, f.names) << f.frame;
    }
    EXPECT_TRUE(IsWindowVisible(Player().MainFrame()->GetSafeHwnd()));
    EXPECT_FALSE(Frame3Shown());

    const FileHandle file = engine_->AddFile(enginetest::WriteTone(zemtest::NewFolder() + "/a.wav", 440, 300));
    ASSERT_NE(file, 0u);
    engine_->SetFileVolume(file, 77);
    // Frame3's column: the main frame's border and the columns before it take 450 px.
    const auto darkGreyPixels = [&] {
        PumpMessagesUntil([] { return false; }, 50);
        const WindowImage image = GrabWindow(window_);
        int count = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 450; x < 670; ++x)
                count += image.At(x, y) == 0x5c5c5c ? 1 : 0;
        }
        return count;
    };
    EXPECT_EQ(darkGreyPixels(), 0);
    engine_->CommandHandler(kCmdMarked, file, false);
    EXPECT_TRUE(PumpMessagesUntil([&] { return Frame3Shown(); }, 5000));
    EXPECT_EQ(Find<CKelFE_Slider>("WndContainer_Frame3", "SliderVolume")->GetValue(), 77);
    EXPECT_GT(darkGreyPixels(), 1000) << "Frame3's background";
    engine_->CommandHandler(kCmdMarked, file, false);
    EXPECT_TRUE(PumpMessagesUntil([&] { return !Frame3Shown(); }, 5000));
}

TEST_F(PlayerTest, EveryButtonAndSliderOfTheFirstTwoFramesReachesItsCommand)
{
    const auto click = [](HWND button) { SendMessage(button, BM_CLICK, 0, 0); };
    const auto release = [](HWND slider) {
        SimulateMouse(slider, WM_LBUTTONDOWN, 40, 5, MK_LBUTTON);
        SimulateMouse(slider, WM_LBUTTONUP, 40, 5, 0);
    };
    const auto doubleClick = [](HWND slider) { SimulateMouse(slider, WM_LBUTTONDBLCLK, 40, 5, MK_LBUTTON); };
    const struct {
        const char* container;
        const char* name;
        std::function<void(HWND)> act;
        int command;
    } cases[] = {
        {"WndContainer_Frame1", "KFEButton_TogglePlayPause", click, kCmdStartPause},
        {"WndContainer_Frame1", "KFEButton_Stop", click, kCmdStop},
        {"WndContainer_Frame1", "KFEButton_SetIndex", click, kCmdIndexSet},
        {"WndContainer_Frame1", "KFEButton_Rewind", click, kCmdBack},
        {"WndContainer_Frame1", "KFEButton_Forward", click, kCmdForward},
        {"WndContainer_Frame1", "KFEButton_PrevFile", click, kCmdPreviousRecording},
        {"WndContainer_Frame1", "KFEButton_NextFile", click, kCmdNextRecording},
        {"WndContainer_Frame1", "KFEButton_PrevIndex", click, kCmdPreviousIndex},
        {"WndContainer_Frame1", "KFEButton_NextIndex", click, kCmdNextIndex},
        {"WndContainer_Frame2", "CheckIndexLoop", click, kCmdIndexLoop},
        {"WndContainer_Frame2", "CheckSkipSilence", click, kCmdSkipSilence},
        {"WndContainer_Frame2", "SliderVolume", release, kCmdSetVolume},
        {"WndContainer_Frame2", "SliderVolume", doubleClick, kCmdSetVolume},
        {"WndContainer_Frame2", "SliderSpeed", release, kCmdSetSpeed},
        {"WndContainer_Frame2", "SliderSpeed", doubleClick, kCmdSetSpeed},
    };
    for (const auto& c : cases) {
        CKelFrameElement* element = Find<CKelFrameElement>(c.container, c.name);
        ASSERT_NE(element, nullptr) << c.name;
        auto* button = dynamic_cast<CKelFE_Button*>(element);
        c.act(button ? button->GetButtonHwnd() : element->GetSafeHwnd());
        const std::vector<int> sent = NewCommands();
        ASSERT_FALSE(sent.empty()) << c.name;
        EXPECT_EQ(sent.back(), c.command) << c.name;
    }
    // The double clicks' values, volume 128 and normal speed, and the sliders follow the engine.
    auto* volume = Find<CKelFE_Slider>("WndContainer_Frame2", "SliderVolume");
    auto* speed = Find<CKelFE_Slider>("WndContainer_Frame2", "SliderSpeed");
    EXPECT_TRUE(PumpMessagesUntil([&] { return volume->GetValue() == 128 && speed->GetValue() == 100; }, 5000))
        << volume->GetValue() << " " << speed->GetValue();
    EXPECT_EQ(engine_->GetVolume(), 128u);
    EXPECT_DOUBLE_EQ(engine_->GetSpeed(), 1.0);
}

TEST_F(PlayerTest, DispatchMembersAndTheirRefusals)
{
    VARIANT result;
    const FileHandle file = engine_->AddFile(enginetest::WriteTone(zemtest::NewFolder() + "/b.wav", 440, 300));
    // Putting the flag it already has leaves it: TRUE twice keeps the loop on.
    for (const char* flag : {"IndexLoop", "IndexBeep"}) {
        for (bool on : {true, true, false, false}) {
            ASSERT_EQ(Invoke(flag, DISPATCH_PROPERTYPUT, {VARIANT::Bool(on)}), S_OK);
            ASSERT_EQ(Invoke(flag, DISPATCH_PROPERTYGET, {}, &result), S_OK);
            EXPECT_EQ(result.boolVal, on ? VARIANT_TRUE : VARIANT_FALSE) << flag;
        }
    }
    ASSERT_EQ(Invoke("Volume", DISPATCH_PROPERTYPUT, {VARIANT::I2(90)}), S_OK);
    ASSERT_EQ(Invoke("Volume", DISPATCH_PROPERTYGET, {}, &result), S_OK);
    EXPECT_EQ(result.iVal, 0);

    const struct {
        int32_t handle;
        VARIANT_BOOL answer;
    } enabling[] = {{static_cast<int32_t>(file), VARIANT_TRUE}, {0, VARIANT_TRUE}, {static_cast<int32_t>(file + 1000), VARIANT_FALSE}};
    for (const auto& e : enabling) {
        ASSERT_EQ(Invoke("SetFileEnabled", DISPATCH_METHOD, {VARIANT::I4(e.handle), VARIANT::I2(0)}, &result), S_OK);
        EXPECT_EQ(result.boolVal, e.answer) << e.handle;
    }
    EXPECT_EQ(Invoke("SetFileInfo", DISPATCH_METHOD, {VARIANT::I4(-7), VARIANT::Bstr("<i/>")}), S_OK);
    EXPECT_EQ(Invoke("Forward", DISPATCH_METHOD, {VARIANT::I4(-5)}), E_INVALIDARG);

    ASSERT_EQ(Invoke("GetHandle", DISPATCH_METHOD, {}, &result), S_OK);
    EXPECT_NE(result.lVal, 0);
    EXPECT_EQ(static_cast<uint32_t>(result.lVal), Player().ControlId());
    DISPPARAMS none;
    EXPECT_EQ(player_->Invoke(5, IID{}, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);

    // Navigation keys go to a focused element only.
    auto* active = object_.As<IOleInPlaceActiveObject>().Get();
    const MSG key{nullptr, WM_KEYDOWN, static_cast<WPARAM>(VK_LEFT), 0};
    SetFocus(host_);
    EXPECT_EQ(active->TranslateAccelerator(key), S_FALSE) << "focus outside the control";
    SetFocus(Find<CKelFrameElement>("WndContainer_Frame2", "SliderSpeed")->GetSafeHwnd());
    EXPECT_EQ(active->TranslateAccelerator(key), S_OK);
    EXPECT_EQ(active->TranslateAccelerator({nullptr, WM_KEYDOWN, 'A', 0}), S_FALSE);
}

TEST(PlayerLifetime, FiftyPlayersInOneHostLeaveNoThreadWindowOrEngine)
{
    HWND host = CreateWindow(Quiet, WS_VISIBLE, 0, 0, 760, 140);
    const size_t tasks = TaskCount();
    std::vector<HWND> windows;
    for (int i = 0; i < 50; ++i) {
        ComPtr<IOleObject> player;
        ASSERT_EQ(CPlayerCtrl::Create(nullptr, IID_IOleObject, player.OutVoid()), S_OK);
        auto site = ComPtr<ControlSite>::Adopt(new ControlSite(host, {0, 0, 750, 130}));
        ASSERT_EQ(player->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), nullptr, nullptr), S_OK);
        HWND window = nullptr;
        player.As<IOleInPlaceObject>()->GetWindow(&window);
        windows.push_back(window);
        player->Close();
    }
    PumpMessagesUntil([] { return false; }, 100);
    EXPECT_EQ(g_module->App().GetEngine(), nullptr);
    EXPECT_EQ(TaskCount(), tasks);
    for (HWND w : windows)
        EXPECT_FALSE(IsWindow(w));
    DestroyWindow(host);
}

}  // namespace
