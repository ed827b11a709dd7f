// The module's application object with small controls that own a window: the engine's life
// with the registered controls, the control kind query, the settings at start-up and
// shut-down, which control windows receive which notification, and shutting down while the
// engine's worker wants the control-list lock.
#include "zemWave/zemwaveapp.h"

#include "zemWave/engine/enginerig.h"
#include "support/scratch.h"

#include "base/paths.h"
#include "registry/registry.h"
#include "ui/application.h"
#include "ui/messagebox.h"
#include "ui/testhooks.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace {

using zem::HWND;
using zem::LPARAM;
using zem::LRESULT;
using zem::UINT;
using zem::WPARAM;

constexpr int kBoundMs = 20000;  // only a broken layer gets near it
constexpr auto kPatience = std::chrono::seconds(30);
constexpr UINT kEngineUpdate = ControlNotifier::WM_FMODENGINE_UPDATE;
constexpr UINT kFileUpdate = ControlNotifier::WM_FMODFILE_UPDATE;

struct Received {
    UINT message;
    WPARAM code;
    LPARAM argument;
    bool operator==(const Received&) const = default;
};

void PrintTo(const Received& r, std::ostream* out)
{
    *out << std::hex << "0x" << r.message << std::dec << "(" << r.code << ", " << r.argument << ")";
}

// A control as the module's controls are: it owns a window and registers itself for its life.
class TestControl : public CZemWaveCtrl {
public:
    TestControl(CZemWaveApp& app, ControlKind kind) : app_(app), kind_(kind)
    {
        AttachWindow(zem::CreateWindow(
            [this](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (message == kEngineUpdate || message == kFileUpdate)
                    received.push_back({message, wParam, lParam});
                return 0;
            },
            0, 0, 0, 20, 20));
        if (kind == ControlKind::Player)
            app_.RegisterPlayerCtrl(this);
        else if (kind == ControlKind::Prompt)
            app_.RegisterPromptCtrl(this);
        else
            app_.RegisterPlayListCtrl(this);
    }
    ~TestControl() override
    {
        DestroyControlWindow();
        if (kind_ == ControlKind::Player)
            app_.UnregisterPlayerCtrl(this);
        else if (kind_ == ControlKind::Prompt)
            app_.UnregisterPromptCtrl(this);
        else
            app_.UnregisterPlayListCtrl(this);
    }
    // The window goes; the control stays registered.
    void CloseWindow() { DestroyControlWindow(); }

    std::vector<Received> received;  // UI thread

private:
    CZemWaveApp& app_;
    const ControlKind kind_;
};

// Waits until the engine's worker has handled everything posted so far.
void Settle(MyFMODEngine* engine)
{
    ASSERT_NE(engine, nullptr);
    std::promise<void> done;
    std::future<void> handled = done.get_future();
    ASSERT_TRUE(engine->RunOnWorker([&done] { done.set_value(); }));
    ASSERT_EQ(handled.wait_for(kPatience), std::future_status::ready);
}

// Delivers every window message posted so far.
void Drain()
{
    constexpr UINT kMarker = zem::WM_USER + 1;
    bool arrived = false;
    HWND marker = zem::CreateWindow(
        [&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
            arrived = arrived || message == kMarker;
            return 0;
        },
        0, 0, 0, 1, 1);
    ASSERT_TRUE(zem::PostMessage(marker, kMarker, 0, 0));
    ASSERT_TRUE(zem::PumpMessagesUntil([&] { return arrived; }, kBoundMs));
    zem::DestroyWindow(marker);
}

// The engine has handled what was posted to it and the controls have what it posted them.
void SettleAndDrain(MyFMODEngine* engine)
{
    Settle(engine);
    Drain();
}

std::string WriteTone(const std::string& name)
{
    static const std::string folder = zemtest::NewFolder("recordings");
    return enginetest::WriteTone(folder + "/" + name, 440, 500);
}

class ZemWaveApp : public ::testing::Test {
protected:
    void SetUp() override { std::remove(zem::HiveFilePath("HKCU").c_str()); }

    static void WriteSetting(const char* name, zem::DWORD value)
    {
        zem::HKEY key = nullptr;
        ASSERT_EQ(zem::RegCreateKeyEx(zem::HKEY_CURRENT_USER, kZemWaveSettingsKey, zem::KEY_ALL_ACCESS, &key),
                  zem::ERROR_SUCCESS);
        ASSERT_EQ(zem::RegSetValueEx(key, name, zem::REG_DWORD, reinterpret_cast<const zem::BYTE*>(&value), sizeof value),
                  zem::ERROR_SUCCESS);
        zem::RegCloseKey(key);
    }
    static zem::DWORD ReadSetting(const char* name)
    {
        zem::HKEY key = nullptr;
        if (zem::RegOpenKeyEx(zem::HKEY_CURRENT_USER, kZemWaveSettingsKey, zem::KEY_READ, &key) != zem::ERROR_SUCCESS)
            return 0xDEADBEEF;
        zem::DWORD value = 0xDEADBEEF;
        zem::DWORD size = sizeof value;
        zem::DWORD type = 0;
        zem::RegQueryValueEx(key, name, &type, reinterpret_cast<zem::BYTE*>(&value), &size);
        zem::RegCloseKey(key);
        return value;
    }

    zem::ManualClock clock;
    CZemWaveApp app{zem::OutputChoice::Null(&clock)};
};

TEST_F(ZemWaveApp, TheFirstControlCreatesTheEngineOthersShareItTheLastDeletesIt)
{
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.GetEngine(), nullptr);
    auto player = std::make_unique<TestControl>(app, ControlKind::Player);
    MyFMODEngine* engine = app.GetEngine();
    ASSERT_NE(engine, nullptr);
    auto prompt = std::make_unique<TestControl>(app, ControlKind::Prompt);
    auto list = std::make_unique<TestControl>(app, ControlKind::PlayList);
    EXPECT_EQ(app.GetEngine(), engine) << "a second control shares the engine";

    engine->SetVolume(99);
    engine->SetSkipSilence(true);
    player.reset();
    list.reset();
    EXPECT_EQ(app.GetEngine(), engine) << "a control is left";
    EXPECT_EQ(app.Volume, 255u) << "nothing is written back while the engine lives";
    prompt.reset();
    EXPECT_EQ(app.GetEngine(), nullptr);
    EXPECT_EQ(app.Volume, 99u);
    EXPECT_EQ(app.SkipSilence, 1u);

    auto later = std::make_unique<TestControl>(app, ControlKind::PlayList);
    ASSERT_NE(app.GetEngine(), nullptr);
    EXPECT_EQ(app.GetEngine()->GetVolume(), 99u) << "a new engine starts from the values the last one left";
    EXPECT_TRUE(app.GetEngine()->GetSkipSilence());
}

TEST_F(ZemWaveApp, TheControlKindQueryFindsEachControlInItsList)
{
    TestControl player(app, ControlKind::Player);
    TestControl prompt(app, ControlKind::Prompt);
    TestControl list(app, ControlKind::PlayList);
    TestControl unregistered(app, ControlKind::Prompt);
    app.UnregisterPromptCtrl(&unregistered);
    const struct {
        const CZemWaveCtrl* control;
        int kind;
    } cases[] = {{&player, 1}, {&prompt, 2}, {&list, 3}, {&unregistered, 0}, {nullptr, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(app.GetControlKind(c.control), c.kind);
}

TEST_F(ZemWaveApp, SettingsAreReadAtStartUpAndTheLastEnginesValuesWrittenAtShutDown)
{
    WriteSetting("Volume", 77);
    WriteSetting("Loop", 1);
    WriteSetting("UICEnabled", 1);
    ASSERT_TRUE(app.InitInstance());
    {
        TestControl player(app, ControlKind::Player);
        MyFMODEngine* engine = app.GetEngine();
        EXPECT_EQ(engine->GetVolume(), 77u);
        EXPECT_TRUE(engine->GetIndexLoop());
        EXPECT_FALSE(engine->GetSkipSilence());
        EXPECT_EQ(engine->GetEffect(0)->name, "Pilotton");
        engine->SetVolume(120);
        engine->SetIndexLoop(false);
        engine->SetSkipSilence(true);
    }
    EXPECT_EQ(app.ExitInstance(), 0);
    EXPECT_EQ(ReadSetting("Volume"), 120u);
    EXPECT_EQ(ReadSetting("Loop"), 0u);
    EXPECT_EQ(ReadSetting("SkipSilence"), 1u);

    std::remove(zem::HiveFilePath("HKCU").c_str());
    CZemWaveApp unused(zem::OutputChoice::Null(&clock));
    unused.InitInstance();
    unused.ExitInstance();
    EXPECT_EQ(ReadSetting("Volume"), 255u) << "without an engine the values read (here the defaults) go back";
    EXPECT_EQ(ReadSetting("Loop"), 0u);
    EXPECT_EQ(ReadSetting("SkipSilence"), 0u);
}

TEST_F(ZemWaveApp, ControlsReceiveTheCodesTheReceiverTableGivesThemInOrder)
{
    TestControl player(app, ControlKind::Player);
    TestControl prompt(app, ControlKind::Prompt);
    TestControl list(app, ControlKind::PlayList);
    MyFMODEngine* engine = app.GetEngine();
    const FileHandle file = engine->AddFile(WriteTone("a.wav"));
    ASSERT_NE(file, 0u);
    SettleAndDrain(engine);
    for (TestControl* c : {&player, &prompt, &list})
        c->received.clear();

    for (int code = 0; code <= 8; ++code)
        engine->NotifyEngine(code);
    for (int code = 0; code <= 8; ++code)
        engine->NotifyFile(engine->FindFile(file), code);
    SettleAndDrain(engine);

    const auto expected = [file](std::vector<int> fileCodes) {
        std::vector<Received> messages;
        for (WPARAM code = 0; code <= 8; ++code)
            messages.push_back({kEngineUpdate, code, 0});
        for (int code : fileCodes)
            messages.push_back({kFileUpdate, static_cast<WPARAM>(code), static_cast<LPARAM>(file)});
        return messages;
    };
    EXPECT_EQ(player.received, expected({2, 5, 6, 7}));
    EXPECT_EQ(prompt.received, expected({1, 2, 3, 5, 6, 7, 8}));
    EXPECT_EQ(list.received, expected({0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(ZemWaveApp, CommandsReachTheControlWindowsAsTheyHappen)
{
    TestControl player(app, ControlKind::Player);
    MyFMODEngine* engine = app.GetEngine();
    const FileHandle file = engine->AddFile(WriteTone("a.wav"));
    SettleAndDrain(engine);
    player.received.clear();

    engine->CommandHandler(kCmdSetVolume, 80, false);  // stopped: still reported
    engine->CommandHandler(kCmdMarked, file, false);
    engine->CommandHandler(kCmdIndexSet, 1500, false);
    engine->CommandHandler(kCmdSetVolume, 80, false);  // no change: nothing
    engine->CommandHandler(kCmdSkipSilence, 0, false);
    SettleAndDrain(engine);
    const std::vector<Received> expected = {
        {kEngineUpdate, _FMODEngine::kEngineVolume, 0},
        {kFileUpdate, _FMODEngine::kFileMarked, static_cast<LPARAM>(file)},
        {kEngineUpdate, _FMODEngine::kEngineIndexChanged, 0},
        {kEngineUpdate, _FMODEngine::kEngineSkipSilence, 0},
    };
    EXPECT_EQ(player.received, expected);
}

TEST_F(ZemWaveApp, ADestroyedControlWindowReceivesNothingAndBreaksNothing)
{
    auto closing = std::make_unique<TestControl>(app, ControlKind::PlayList);
    auto gone = std::make_unique<TestControl>(app, ControlKind::Prompt);
    TestControl staying(app, ControlKind::Player);
    MyFMODEngine* engine = app.GetEngine();
    SettleAndDrain(engine);
    for (TestControl* c : {closing.get(), gone.get(), &staying})
        c->received.clear();

    // Posts race with the window's end and the control's end.
    std::thread notifier([engine] {
        for (int i = 0; i < 300; ++i)
            engine->NotifyEngine(_FMODEngine::kEnginePosition);
    });
    closing->CloseWindow();
    gone.reset();
    notifier.join();
    engine->NotifyEngine(_FMODEngine::kEngineSpeed);
    SettleAndDrain(engine);

    EXPECT_TRUE(closing->received.empty());
    ASSERT_EQ(staying.received.size(), 301u);
    EXPECT_EQ(staying.received.back(), (Received{kEngineUpdate, _FMODEngine::kEngineSpeed, 0}));
    closing.reset();
    EXPECT_NE(app.GetEngine(), nullptr);
}

// Holds the application's control-list lock on another thread until released (inside the
// visit of the first registered control, so one must be registered).
class LockHolder {
public:
    explicit LockHolder(CZemWaveApp& app)
        : thread_([this, &app] {
              app.VisitControlWindows(0, [this, first = true](ControlKind, HWND) mutable {
                  if (!std::exchange(first, false))
                      return;
                  holding_.set_value();
                  released_.wait();
              });
          })
    {
        holding_.get_future().wait();
    }
    ~LockHolder() { Release(); }
    void Release()
    {
        if (thread_.joinable()) {
            release_.set_value();
            thread_.join();
        }
    }

private:
    std::promise<void> holding_;
    std::promise<void> release_;
    std::shared_future<void> released_ = release_.get_future().share();
    std::thread thread_;
};

// Long enough for another thread to reach the wait it is heading for.
constexpr auto kSettle = std::chrono::milliseconds(50);

TEST_F(ZemWaveApp, ShuttingDownDoesNotWaitForANotificationThatWantsTheLock)
{
    auto control = std::make_unique<TestControl>(app, ControlKind::Player);
    MyFMODEngine* engine = app.GetEngine();
    SettleAndDrain(engine);
    control->received.clear();

    // The worker waits for the lock in a notification; the unregistration, which goes first,
    // gets the lock when it is free and shuts the engine down, which waits for the worker.
    LockHolder holder(app);
    engine->NotifyEngine(_FMODEngine::kEngineSpeed);
    std::this_thread::sleep_for(kSettle);
    auto unregistered = std::async(std::launch::async, [&] { app.UnregisterPlayerCtrl(control.get()); });
    std::this_thread::sleep_for(kSettle);
    holder.Release();
    if (unregistered.wait_for(kPatience) != std::future_status::ready) {
        clock.Advance(ControlNotifier::kControlLockWaitMs);  // lets the worker give up, so the test ends
        unregistered.wait();
        FAIL() << "shutting down waited for the notification's time-out";
    }
    EXPECT_EQ(app.GetEngine(), nullptr);
    Drain();
    EXPECT_TRUE(control->received.empty());
}

TEST_F(ZemWaveApp, ANotificationThatCannotHaveTheLockWithin5000MsIsDropped)
{
    TestControl control(app, ControlKind::Player);
    MyFMODEngine* engine = app.GetEngine();
    SettleAndDrain(engine);
    control.received.clear();

    LockHolder holder(app);
    engine->NotifyEngine(_FMODEngine::kEngineSpeed);
    std::atomic<bool> past = false;
    ASSERT_TRUE(engine->RunOnWorker([&] { past = true; }));
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!past && std::chrono::steady_clock::now() < giveUp) {
        clock.Advance(ControlNotifier::kControlLockWaitMs);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    holder.Release();
    EXPECT_TRUE(past) << "the worker waits for the lock for ever";

    engine->NotifyEngine(_FMODEngine::kEngineIndexLoop);
    SettleAndDrain(engine);
    EXPECT_EQ(control.received, (std::vector<Received>{{kEngineUpdate, _FMODEngine::kEngineIndexLoop, 0}}));
}

}  // namespace

namespace {

// "Fehler !" from the mixer thread: one box per file, shown on the UI thread; without a
// display, or before any control, the text goes to standard error.
TEST_F(ZemWaveApp, AFailedFilterIsShownOnceAsAMessageBoxOnTheUiThread)
{
    ::testing::internal::CaptureStderr();
    app.OnUserMessage("before any control");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "before any control\n");

    auto player = std::make_unique<TestControl>(app, ControlKind::Player);
    MyFMODEngine* engine = app.GetEngine();
    const FileHandle file = engine->AddFile(WriteTone("boxed.wav"));
    SettleAndDrain(engine);
    ASSERT_TRUE(engine->EditEffect(0, "slot", "bandreject", "5000", "300"));  // above half the rate
    engine->SetFileEffect(file, 0);
    SettleAndDrain(engine);

    std::vector<std::pair<std::string, std::string>> boxes;
    zem::SetMessageBoxHook([&](const std::string& text, const std::string& caption, UINT) {
        boxes.emplace_back(text, caption);
        return zem::IDOK;
    });
    std::thread mixer([&] {
        std::vector<int16_t> block(800, 1000);
        for (int i = 0; i < 3; ++i) {
            zem::DspBlock dsp{block.data(), 800, 1, enginetest::kRate};
            engine->FindFile(file)->DspCallback(dsp);
        }
    });
    mixer.join();
    EXPECT_TRUE(boxes.empty()) << "shown by the UI thread, not on the mixer's";
    Drain();
    EXPECT_EQ(boxes, (std::vector<std::pair<std::string, std::string>>{{"Fehler !", "zemWave"}}));

    zem::SetMessageBoxHook(nullptr);
    ::testing::internal::CaptureStderr();
    app.OnUserMessage("Fehler !");
    Drain();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "zemWave: Fehler !\n") << "offscreen: no display";
}

}  // namespace
