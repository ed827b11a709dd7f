// The Player control on the offscreen window layer, with the module's application object and
// its engine on the null output; what reaches the engine's command handler is read from its
// trace. Last, the module's sample page in controlhost.
#include "platform/sound/wavfiles.h"
#include "zemWave/engine/enginerig.h"
#include "zemWave/playerctrl.h"
#include "support/runprogram.h"
#include "support/scratch.h"
#include "tools/controlhost/page.h"

#include "KelFrame/kelfe_button.h"
#include "KelFrame/kelfe_slider.h"
#include "KelFrame/kelfe_textdisplay.h"
#include "base/trace.h"
#include "com/host.h"
#include "sound/soundsystem.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/gdi.h"
#include "ui/input.h"
#include "ui/testhooks.h"
#include "ui/window.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <regex>
#include <set>
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

// One Player active in place in a host window, as the module's factory makes it.
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TraceEnabled());
        Open({0, 0, 750, 130});
    }
    // A Player made at that place in a host window of its own.
    void Open(const RECT& place)
    {
        host_ = CreateWindow(Quiet, WS_VISIBLE, 0, 0, place.right + 10, place.bottom + 10);
        ASSERT_EQ(CPlayerCtrl::Create(nullptr, IID_IDispatch, player_.OutVoid()), S_OK);
        object_ = player_.As<IOleObject>();
        site_ = ComPtr<ControlSite>::Adopt(new ControlSite(host_, place));
        ASSERT_EQ(object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_.Get(), nullptr, nullptr), S_OK);
        ASSERT_EQ(object_.As<IOleInPlaceObject>()->GetWindow(&window_), S_OK);
        engine_ = g_module->App().GetEngine();
        ASSERT_NE(engine_, nullptr);
        PumpMessagesUntil([] { return false; }, 50);
        NewCommands();
    }
    void TearDown() override { Close(); }
    void Close()
    {
        object_->Close();
        object_.Reset();
        player_.Reset();
        DestroyWindow(host_);
    }

    CPlayerCtrl& Player() { return *static_cast<CPlayerCtrl*>(static_cast<IOleObject*>(object_.Get())); }
    bool Frame3Shown() { return IsWindowVisible(Player().MainFrame()->FindElementByName("WndContainer_Frame3")->GetSafeHwnd()); }
    HRESULT Invoke(const char* name, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr)
    {
        return DispatchCall(player_.Get(), name, flags, std::move(args), result);
    }

    HWND host_ = nullptr;
    HWND window_ = nullptr;
    ComPtr<IDispatch> player_;
    ComPtr<IOleObject> object_;
    ComPtr<ControlSite> site_;
    MyFMODEngine* engine_ = nullptr;
};

TEST_F(PlayerTest, LayoutShowsTheMarkedFrameOnlyWhileARecordingIsMarked)
{
    const HWND main = Player().MainFrame()->GetSafeHwnd();
    EXPECT_TRUE(IsWindowVisible(main));
    ASSERT_EQ(object_.As<IOleInPlaceObject>()->SetObjectRects({0, 0, 700, 120}, {0, 0, 700, 120}), S_OK);
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 700) << "the main frame follows the control's size";
    EXPECT_FALSE(Frame3Shown());

    const FileHandle file = engine_->AddFile(enginetest::WriteTone(zemtest::NewFolder() + "/a.wav", 440, 300));
    ASSERT_NE(file, 0u);
    engine_->SetFileVolume(file, 77);
    // Frame3's background, as painted.
    const auto darkGreyPixels = [&] {
        PumpMessagesUntil([] { return false; }, 50);
        const WindowImage image = GrabWindow(window_);
        return std::count(image.pixels.begin(), image.pixels.end(), COLORREF{0x5c5c5c});
    };
    const auto hidden = darkGreyPixels();
    engine_->CommandHandler(kCmdMarked, file, false);
    EXPECT_TRUE(PumpMessagesUntil([&] { return Frame3Shown(); }, 5000));
    EXPECT_EQ(Player().Find<CKelFE_Slider>("WndContainer_Frame3", "SliderVolume")->GetValue(), 77);
    EXPECT_GT(darkGreyPixels(), hidden + 1000);
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
    const auto indexMenu = [](HWND button) {  // a right click, and a choice from the menu
        SetMenuHook([](HMENU) -> uintptr_t { return kCmdIndexRemoveAll; });
        SimulateMouse(button, WM_RBUTTONDOWN, 5, 5, MK_RBUTTON);
        SetMenuHook({});
        PumpMessagesUntil([] { return false; }, 50);
    };
    const struct {
        const char* container;
        const char* name;
        std::function<void(HWND)> act;
        int command;
    } cases[] = {
        {"WndContainer_Frame1", "KFEButton_TogglePlayPause", click, kCmdStartPause},
        {"WndContainer_Frame1", "KFEButton_Stop", click, kCmdStop},
        {"WndContainer_Frame1", "KFEButton_SetIndex", click, kCmdIndexSet},
        {"WndContainer_Frame1", "KFEButton_SetIndex", indexMenu, kCmdIndexRemoveAll},
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
        CKelFrameElement* element = Player().Find<CKelFrameElement>(c.container, c.name);
        ASSERT_NE(element, nullptr) << c.name;
        auto* button = dynamic_cast<CKelFE_Button*>(element);
        c.act(button ? button->GetButtonHwnd() : element->GetSafeHwnd());
        const std::vector<int> sent = NewCommands();
        ASSERT_FALSE(sent.empty()) << c.name;
        EXPECT_EQ(sent.back(), c.command) << c.name;
    }
    // The double clicks' values, volume 128 and normal speed, and the sliders follow the engine.
    auto* volume = Player().Find<CKelFE_Slider>("WndContainer_Frame2", "SliderVolume");
    auto* speed = Player().Find<CKelFE_Slider>("WndContainer_Frame2", "SliderSpeed");
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
    SetFocus(Player().Find<CKelFrameElement>("WndContainer_Frame2", "SliderSpeed")->GetSafeHwnd());
    EXPECT_EQ(active->TranslateAccelerator(key), S_OK);
    EXPECT_EQ(active->TranslateAccelerator({nullptr, WM_KEYDOWN, 'A', 0}), S_FALSE);
}

// The same with the train-radio filter presets on.
class PlayerWithFiltersTest : public PlayerTest {
protected:
    void SetUp() override
    {
        g_module->App().UICEnabled = 1;
        PlayerTest::SetUp();
    }
    void TearDown() override
    {
        PlayerTest::TearDown();
        g_module->App().UICEnabled = 0;
    }
};

TEST_F(PlayerWithFiltersTest, TheFirstMarkedRecordingsGroupChoosesTheFilterPairAndTheSameFilterSwitchesOff)
{
    const FileHandle file = engine_->AddFile(enginetest::WriteTone(zemtest::NewFolder() + "/c.wav", 440, 300));
    CKelFrame* frame3 = Player().NestedFrame("WndContainer_Frame3");
    const auto shown = [&](const char* name) {
        auto* text = dynamic_cast<CKelFE_TextDisplay*>(frame3->FindElementByName(name));
        return text && IsWindowVisible(text->GetSafeHwnd()) ? text->GetText() : "";
    };
    const struct {
        const char* group;
        const char* first;
        const char* second;
    } cases[] = {// each pair differs from the one before, so the wait sees the new notification
                 {"strecke-zentrale", "Freizeichen", "Sammelruf"}, {"Strecke 7", "Pilotton", "Notruf"},
                 {"ZENTRALE", "Freizeichen", "Sammelruf"}, {"Leitstelle", "", ""}};
    for (const auto& c : cases) {
        engine_->SetFileGroup(file, c.group);
        engine_->CommandHandler(kCmdMarked, file, false);  // marks
        EXPECT_TRUE(PumpMessagesUntil([&] { return shown("DisplayEffect0") == c.first && shown("DisplayEffect1") == c.second; },
                                      5000))
            << c.group << ": " << shown("DisplayEffect0") << ", " << shown("DisplayEffect1");
        if (c.first == std::string("Pilotton")) {
            auto* check = Player().Find<CKelFE_Button>("WndContainer_Frame3", "CheckEffect0");
            SendMessage(check->GetButtonHwnd(), BM_CLICK, 0, 0);
            EXPECT_EQ(engine_->FindFile(file)->GetEffect(), 0);
            EXPECT_TRUE(PumpMessagesUntil([&] { return check->GetCheck() == 1; }, 5000));
            SendMessage(check->GetButtonHwnd(), BM_CLICK, 0, 0);
            EXPECT_EQ(engine_->FindFile(file)->GetEffect(), -1) << "the filter already set is switched off";
        }
        engine_->CommandHandler(kCmdMarked, file, false);  // unmarks
    }
}

std::set<std::string> ThreadIds()
{
    std::set<std::string> ids;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        ids.insert(task.path().filename().string());
    return ids;
}

std::string ThreadNames(const std::set<std::string>& ids)
{
    std::string names;
    for (const std::string& id : ids)
        names += id + " " + zemtest::ReadFile("/proc/self/task/" + id + "/comm");
    return names;
}

// The width of an element's text in its own font.
int TextWidth(const CKelFE_TextDisplay& display)
{
    const HDC dc = CreateCompatibleDC(nullptr);
    const HFONT font = CreateFontIndirect(display.GetLogFont());
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint(dc, display.GetText(), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return size.cx;
}

// At the size each viewer page gives the Player, every element shown, the marked recording's
// filter pair and the version text among them, lies inside the control, and no text is cut.
TEST_F(PlayerWithFiltersTest, AtThePagesSizesEveryElementIsWholeAndNoTextIsCut)
{
    const std::string recording = enginetest::WriteTone(zemtest::NewFolder() + "/d.wav", 440, 300);
    for (const char* pagePath : {ZEM_VIEWER_PAGE, ZEM_PLAYER_PAGE}) {
        SCOPED_TRACE(pagePath);
        // The page alone, beside empty stand-ins for the scripts it reads.
        const std::string folder = zemtest::NewFolder("page");
        for (const char* script : {"data.js", "texts.js", "callviewer.js"})
            zemtest::WriteFile(folder + "/" + script, "");
        std::filesystem::copy_file(pagePath, folder + "/page.html");
        std::string error;
        const auto page = LoadPage(folder + "/page.html", &error);
        ASSERT_TRUE(page) << error;
        const auto player = std::find_if(page->objects.begin(), page->objects.end(),
                                         [](const PageObject& o) { return o.classId == "ZEMWAVE.PlayerCtrl.1"; });
        ASSERT_NE(player, page->objects.end());
        Close();
        Open({0, 0, player->width, player->height});
        const FileHandle file = engine_->AddFile(recording);
        engine_->SetFileGroup(file, "Strecke 7");
        engine_->CommandHandler(kCmdMarked, file, false);

        // Each element shown that is not whole inside the control or whose text is cut; the
        // hosted frames follow their containers when these paint.
        int shown = 0;
        const auto faults = [&] {
            RECT control{};
            GetWindowRect(window_, &control);
            std::string found;
            shown = 0;
            for (const char* container : {"", "WndContainer_Frame1", "WndContainer_Frame2", "WndContainer_Frame3"}) {
                CKelFrame* frame = *container ? Player().NestedFrame(container) : Player().MainFrame();
                for (size_t i = 0; frame && i < frame->GetElementCount(); ++i) {
                    const HWND element = frame->GetElement(i)->GetSafeHwnd();
                    if (!IsWindowVisible(element))
                        continue;
                    ++shown;
                    RECT r{};
                    GetWindowRect(element, &r);
                    const std::string name = frame->GetName() + "/" + frame->GetElement(i)->GetName();
                    if (r.left < control.left || r.right > control.right || r.top < control.top ||
                        r.bottom > control.bottom || r.right <= r.left || r.bottom <= r.top)
                        found += name + " at " + std::to_string(r.left - control.left) + "," +
                                 std::to_string(r.top - control.top) + " to " + std::to_string(r.right - control.left) +
                                 "," + std::to_string(r.bottom - control.top) + "\n";
                    const auto* text = dynamic_cast<CKelFE_TextDisplay*>(frame->GetElement(i));
                    if (text && TextWidth(*text) > r.right - r.left)
                        found += name + ": \"" + text->GetText() + "\" cut\n";
                }
            }
            return found;
        };
        PumpMessagesUntil([&] { return shown == 29 && faults().empty(); }, 5000);
        EXPECT_EQ(faults(), "");
        EXPECT_EQ(shown, 29) << "the main frame's four, ten in Frame1, seven in Frame2, eight in Frame3";
    }
}

TEST(PlayerLifetime, OffTheWindowThreadNoWindowFiftyInOneHostLeaveNothingBehind)
{
    std::thread([] {
        ComPtr<IOleObject> probe;
        ASSERT_EQ(CPlayerCtrl::Create(nullptr, IID_IOleObject, probe.OutVoid()), S_OK);
        EXPECT_NE(g_module->App().GetEngine(), nullptr) << "the first control makes the engine";
        HWND none = nullptr;
        EXPECT_EQ(probe.As<IOleInPlaceObject>()->GetWindow(&none), E_FAIL);
    }).join();
    EXPECT_EQ(g_module->App().GetEngine(), nullptr) << "the last control takes the engine with it";

    HWND host = CreateWindow(Quiet, WS_VISIBLE, 0, 0, 760, 140);
    const std::set<std::string> before = ThreadIds();
    std::vector<HWND> windows;
    int uiActivations = 0;
    for (int i = 0; i < 50; ++i) {
        ComPtr<IOleObject> player;
        ASSERT_EQ(CPlayerCtrl::Create(nullptr, IID_IOleObject, player.OutVoid()), S_OK);
        auto site = ComPtr<ControlSite>::Adopt(new ControlSite(host, {0, 0, 750, 130}, [&](ControlSite::Event e) {
            uiActivations += e == ControlSite::Event::UIActivate ? 1 : 0;
        }));
        ASSERT_EQ(player->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), nullptr, nullptr), S_OK);
        HWND window = nullptr;
        player.As<IOleInPlaceObject>()->GetWindow(&window);
        windows.push_back(window);
        PumpMessagesUntil([&] { return uiActivations > i; }, 5000);
        player->Close();
    }
    EXPECT_EQ(g_module->App().GetEngine(), nullptr);
    // A joined thread can still be listed for a moment while the kernel reaps it.
    std::set<std::string> added;
    PumpMessagesUntil([&] {
        added.clear();
        std::ranges::set_difference(ThreadIds(), before, std::inserter(added, added.end()));
        return added.empty();
    }, 5000);
    EXPECT_TRUE(added.empty()) << "threads left: " << ThreadNames(added);
    EXPECT_EQ(uiActivations, 50) << "each activates itself for the keyboard once its window is there";
    for (HWND w : windows)
        EXPECT_FALSE(IsWindow(w));
    DestroyWindow(host);
}

// The module's sample page in controlhost, as a new user runs it: the Player plays a call of
// two generated recordings, two seconds apart, into a WAV file and shows its frames.
constexpr int kRate = 8000;

// Pixels of the colour (COLORREF 0x00BBGGRR) in the columns [left, right) of the image.
int CountIn(const QImage& image, int left, int right, uint32_t colorref)
{
    const QRgb rgb = qRgb(colorref & 0xff, (colorref >> 8) & 0xff, (colorref >> 16) & 0xff);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = left; x < right && x < image.width(); ++x)
            count += image.pixel(x, y) == rgb ? 1 : 0;
    }
    return count;
}

TEST(PlayerPage, PlaysTheSecondRecordingTwoSecondsAfterTheFirstAndShowsTheFrames)
{
    ASSERT_EQ(zemtest::RunProgram(ZEM_REGSVREX, {"/c", ZEM_OCX}).exitCode, 0);
    const std::string folder = zemtest::NewFolder("page");
    std::filesystem::copy_file(ZEM_PLAYER_PAGE, folder + "/playcall.html");
    const std::string first = enginetest::WriteTone(folder + "/first.wav", 440.0, 3000);
    const std::string second = enginetest::WriteTone(folder + "/second.wav", 900.0, 1500);
    zemtest::WriteFile(folder + "/data.js",
                       "var recordings = [\n"
                       "  {file: \"" + first + "\", start: \"2024-03-05 10:00:00.000\", group: \"Zug\"},\n"
                       "  {file: \"" + second + "\", start: \"2024-03-05 10:00:02.000\", group: \"Leitstelle\"}];\n"
                       "var callId = 4711;\nvar playMs = 4000;\nvar screenshot = \"" + folder + "/shot.png\";\n");
    const std::string mixPath = folder + "/mix.wav";
    setenv("ZEM_AUDIO", ("wav:" + mixPath).c_str(), 1);
    const zemtest::ProgramRun run = zemtest::RunProgram(ZEM_CONTROLHOST, {folder + "/playcall.html"});
    unsetenv("ZEM_AUDIO");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Playing call 4711: 2 recordings"), std::string::npos) << run.output;

    const std::vector<int16_t> mix = soundtest::ReadMix(mixPath);
    const std::vector<int16_t> left = soundtest::Side(mix, 0, kRate, 0, static_cast<int>(mix.size() / 2 * 1000 / kRate));
    const long firstOnset = soundtest::ToneOnsetMs(left, 440.0, kRate, 1000);
    const long secondOnset = soundtest::ToneOnsetMs(left, 900.0, kRate, 1000);
    ASSERT_TRUE(firstOnset >= 0 && secondOnset >= 0) << firstOnset << " " << secondOnset;
    EXPECT_NEAR(secondOnset - firstOnset, 2000, zem::SoundSystem::kBlockMs);

    // The control sits 4 px into the host window; the main frame's 5 px border, then
    // Frame1 (210 px), a 5 px gap, Frame2 (220 px), a gap and Frame3 (220 px).
    const QImage shot(QString::fromStdString(folder + "/shot.png"));
    ASSERT_FALSE(shot.isNull());
    const int frame1 = 4 + 5 + 5, frame2 = frame1 + 215, frame3 = frame2 + 225;
    EXPECT_GT(CountIn(shot, frame1, frame1 + 210, 0x008000), 0) << "the play button's image";
    EXPECT_GT(CountIn(shot, frame2, frame2 + 220, 0x00974b), 0) << "the volume slider";
    EXPECT_GT(CountIn(shot, frame2, frame2 + 220, 0x000000), 1000) << "Frame2's black";
    EXPECT_EQ(CountIn(shot, frame3, frame3 + 220, 0x5c5c5c), 0) << "Frame3 hidden: nothing is marked";
}

}  // namespace
