// The playlist's list of queued recordings: the row texts, the rows kept up to date by the
// engine's file notifications, check boxes that only the engine changes, the popup menu and
// commands routed once per selected row. The engine plays into the null output on a manual
// clock; its notifications are handed to the list as the PlayList control does.
#include "zemWave/mylistctrl_playlist.h"
#include "zemWave/playlistrowtext.h"

#include "zemWave/engine/enginerig.h"
#include "support/scratch.h"

#include "ui/application.h"
#include "ui/testhooks.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <utility>

namespace {

using namespace zem;
using enginetest::At;
using enginetest::WriteTone;

// A host without controls that keeps the engine's file notifications for the test to pass on.
class TestHost : public EngineHost {
public:
    ModuleEngineSettings GetEngineSettings() const override { return settings; }
    void StoreEngineValues(uint32_t, bool, bool) override {}
    void OnEngineEvent(int, uintptr_t) override {}
    void OnFileEvent(FileHandle file, int code) override
    {
        std::lock_guard lock(mutex_);
        events_.emplace_back(file, code);
    }
    void OnUserMessage(const std::string&) override {}
    std::vector<std::pair<FileHandle, int>> TakeEvents()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(events_, {});
    }

    ModuleEngineSettings settings;

private:
    std::mutex mutex_;
    std::vector<std::pair<FileHandle, int>> events_;
};

// The list with its commands logged instead of run.
class LoggingList : public CMyListCtrl_PlayList {
public:
    using CMyListCtrl_PlayList::CMyListCtrl_PlayList;
    std::vector<std::pair<uint32_t, FileHandle>> commands;
    bool run = true;

protected:
    void RunCommand(uint32_t id, FileHandle file) override
    {
        commands.emplace_back(id, file);
        if (run)
            CMyListCtrl_PlayList::RunCommand(id, file);
    }
};

class Playlist : public ::testing::Test {
protected:
    void SetUp() override { SetFixedTextMetrics(6, 10); }
    void TearDown() override
    {
        list.reset();
        DestroyWindow(parent);
        engine.reset();
        SetMenuHook({});
        SetFixedTextMetrics(0, 0);
    }

    void Start(bool uicEnabled = false)
    {
        host.settings.UICEnabled = uicEnabled;
        engine = std::make_unique<MyFMODEngine>(host, OutputChoice::Null(&clock));
        parent = CreateWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, WS_VISIBLE, 0, 0, 600, 200);
        list = std::make_unique<LoggingList>(parent, *engine, uicEnabled);
        ASSERT_TRUE(list->Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, {0, 0, 600, 200}, parent, 1));
    }

    // Everything the engine reported so far reaches the list.
    void Deliver()
    {
        std::promise<void> done;
        ASSERT_TRUE(engine->RunOnWorker([&done] { done.set_value(); }));
        ASSERT_EQ(done.get_future().wait_for(enginetest::kPatience), std::future_status::ready);
        for (const auto& [file, code] : host.TakeEvents())
            list->UpdateItem(file, code);
    }

    FileHandle Add(const std::string& path, const std::string& info = {})
    {
        const FileHandle file = engine->AddFile(path);
        EXPECT_NE(file, 0u) << engine->GetLastError();
        if (!info.empty())
            engine->SetFileInfo(file, "<info>" + info + "</info>");
        Deliver();
        return file;
    }

    std::vector<std::string> Row(int item) const
    {
        std::vector<std::string> texts;
        for (int column = 0; column < CMyListCtrl_PlayList::kColumnCount; ++column)
            texts.push_back(ListView_GetItemText(list->GetSafeHwnd(), item, column));
        return texts;
    }

    std::string folder = zemtest::NewFolder("playlist");
    ManualClock clock;
    TestHost host;
    std::unique_ptr<MyFMODEngine> engine;
    HWND parent = nullptr;
    std::unique_ptr<LoggingList> list;
};

TEST(PlaylistRowText, ValuesBecomeTheColumnsTexts)
{
    const struct {
        uint32_t state;
        double percent;
        const char* text;
    } transfers[] = {
        {0, 0, "NoFile"}, {1, 0, "Invalid"}, {2, 0, "Checking"}, {4, 0, "Checked"},
        {12, 42.5, "Loading (42.50 %)"}, {20, 7.5, "Paused (7.50 %)"}, {36, 100, "Complete"},
        {8, 0, "Error"}, {37, 0, "Error"},
    };
    for (const auto& t : transfers)
        EXPECT_EQ(TransferText(t.state, t.percent), t.text) << t.state;
    const std::pair<uint32_t, const char*> durations[] = {
        {3725400, "01:02:05"}, {999, "00:00:00"}, {59999, "00:00:59"}, {360000000, "100:00:00"}};
    for (const auto& [ms, text] : durations)
        EXPECT_EQ(DurationText(ms), text) << ms;
    EXPECT_EQ(VolumeText(255), "100.00%");
    EXPECT_EQ(VolumeText(128), "50.20%");
    EXPECT_EQ(BalanceText(128), "128.00");

    const std::string none = StartTimeText(SysTime());
    EXPECT_EQ(none, std::string(28, ' '));
    EXPECT_EQ(DateText(none), std::string(10, ' '));
    EXPECT_EQ(BeginText(none), std::string(8, ' '));
    const std::string start = StartTimeText(At(3723045));
    EXPECT_EQ(DateText(start), start.substr(0, 10));
    EXPECT_EQ(BeginText(start), "11:02:03");
}

TEST_F(Playlist, BuildsItsColumnsAndFillsRowsFromTheQueue)
{
    Start();
    const FileHandle queued = Add(WriteTone(folder + "/a.wav", 440, 2500));
    list->Refill();
    const HWND hwnd = list->GetSafeHwnd();
    const std::pair<const char*, int> columns[] = {{"Status", 60}, {"CallID", 60}, {"Kanal", 100}, {"Datum", 70},
        {"Beginn", 60}, {"Dauer", 60}, {"Transfer", 60}, {"Effekt", 80}, {"Volume", 60}, {"Balance", 60}, {"AudioPath", 0}};
    ASSERT_EQ(ListView_GetColumnCount(hwnd), 11);
    for (int c = 0; c < 11; ++c)
        EXPECT_EQ(std::pair(ListView_GetColumnText(hwnd, c), ListView_GetColumnWidth(hwnd, c)),
                  std::pair(std::string(columns[c].first), columns[c].second));
    EXPECT_EQ(ListView_GetExtendedStyle(hwnd) & 0x34u, 0x34u);
    EXPECT_EQ(ListView_GetBkColor(hwnd), 0x000000u);
    EXPECT_EQ(ListView_GetTextBkColor(hwnd), 0x000000u);
    EXPECT_EQ(ListView_GetTextColor(hwnd), 0xFFFFFFu);
    ASSERT_EQ(ListView_GetItemCount(hwnd), 1);
    EXPECT_EQ(ListView_GetItemData(hwnd, 0), LPARAM(queued));
}

TEST_F(Playlist, RowsShowALoadedAndAMissingRecording)
{
    Start();
    const std::string path = WriteTone(folder + "/call.wav", 440, 2500);
    const FileHandle loaded = Add(path, "<starttime>" + At(3723045).FormatText(' ') +
                                             "</starttime><group>Funk 1</group><callid>4711</callid>");
    const FileHandle missing = Add(folder + "/none.wav");
    ASSERT_EQ(ListView_GetItemCount(list->GetSafeHwnd()), 2);
    const bool enabled = engine->GetFileEnabled(loaded);
    const std::string date = At(0).FormatText(' ').substr(0, 10);
    EXPECT_EQ(Row(0), (std::vector<std::string>{enabled ? "Aktiv" : "Inaktiv", "4711", "Funk 1", date, "11:02:03",
                                                "00:00:02", "Complete", "kein", "100.00%", "128.00", path}));
    EXPECT_EQ(ListView_GetCheckState(list->GetSafeHwnd(), 0), enabled);
    EXPECT_EQ(Row(1)[6], "Invalid");
    EXPECT_EQ(engine->FindFile(missing)->GetWave()->GetState(), _Wave::kStateFailed);
    EXPECT_EQ(Row(1)[3], std::string(10, ' '));
}

TEST_F(Playlist, UpdatesIgnoreUnknownHandlesAndFillNewRowsWhole)
{
    Start();
    const FileHandle file = Add(WriteTone(folder + "/a.wav", 440, 1500));
    list->Refill();
    ListView_DeleteAllItems(list->GetSafeHwnd());
    list->UpdateItem(file + 1000, 0);  // a handle from a message that outlived its file
    EXPECT_EQ(ListView_GetItemCount(list->GetSafeHwnd()), 0);
    list->UpdateItem(file, _FMODEngine::kFileVolume);
    ASSERT_EQ(ListView_GetItemCount(list->GetSafeHwnd()), 1);
    EXPECT_EQ(Row(0)[CMyListCtrl_PlayList::kDuration], "00:00:01");
    // Only a complete load refills the row beyond the code's own column.
    ListView_SetItemText(list->GetSafeHwnd(), 0, CMyListCtrl_PlayList::kDuration, "");
    list->UpdateItem(file, _FMODEngine::kFileBalance);
    EXPECT_EQ(Row(0)[CMyListCtrl_PlayList::kDuration], "");
    list->UpdateItem(file, _FMODEngine::kFileLoaded);
    EXPECT_EQ(Row(0)[CMyListCtrl_PlayList::kDuration], "00:00:01");
    engine->SetFileEffect(file, 3);  // a slot with no preset behind it
    Deliver();
    EXPECT_EQ(Row(0)[CMyListCtrl_PlayList::kEffect], "");
}

TEST_F(Playlist, CheckBoxClicksGoToTheEngineWhichDecidesWhatTheRowShows)
{
    Start();
    const FileHandle a = Add(WriteTone(folder + "/a.wav", 440, 1000));
    const FileHandle b = Add(WriteTone(folder + "/b.wav", 440, 1000));
    const HWND hwnd = list->GetSafeHwnd();
    ASSERT_TRUE(engine->GetFileEnabled(a));
    ASSERT_TRUE(ListView_GetCheckState(hwnd, 0));

    ASSERT_TRUE(ClickListViewCheckBox(hwnd, 0));  // no row selected: nothing happens
    EXPECT_TRUE(list->commands.empty());
    EXPECT_TRUE(ListView_GetCheckState(hwnd, 0));

    ASSERT_TRUE(ClickListViewItem(hwnd, 1));
    ASSERT_TRUE(ClickListViewCheckBox(hwnd, 0));
    EXPECT_EQ(list->commands, (std::vector<std::pair<uint32_t, FileHandle>>{{32872, a}}));
    EXPECT_TRUE(ListView_GetCheckState(hwnd, 0)) << "unchanged until the engine reports";
    Deliver();
    EXPECT_FALSE(engine->GetFileEnabled(a));
    EXPECT_FALSE(ListView_GetCheckState(hwnd, 0));
    EXPECT_EQ(Row(0)[0], "Inaktiv");
    EXPECT_TRUE(engine->GetFileEnabled(b));
}

std::vector<std::string> MenuTexts(HMENU menu)
{
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        texts.push_back(GetMenuState(menu, UINT(i), MF_BYPOSITION) & MF_SEPARATOR
                            ? "-" : GetMenuString(menu, UINT(i), MF_BYPOSITION));
    return texts;
}

TEST_F(Playlist, PopupHasTheFilterSubmenuOnlyWithUicEnabled)
{
    for (const bool uic : {false, true}) {
        SCOPED_TRACE(uic);
        Start(uic);
        std::vector<std::string> top, filters, volume;
        SetMenuHook([&](HMENU menu) -> uintptr_t {
            top = MenuTexts(menu);
            const int volumeAt = int(top.size()) - 2;
            volume = MenuTexts(GetSubMenu(menu, volumeAt));
            if (uic)
                filters = MenuTexts(GetSubMenu(menu, volumeAt - 1));
            return 0;
        });
        ASSERT_TRUE(SimulateMouse(list->GetSafeHwnd(), WM_RBUTTONDOWN, 50, 50, MK_RBUTTON));
        std::vector<std::string> expected{"Play/Pause", "Stop", "-", "Lautst\xE4rke", "-"};
        if (uic)
            expected.insert(expected.begin() + 3, "UICF Frequenzfilter");
        EXPECT_EQ(top, expected);
        EXPECT_EQ(volume, (std::vector<std::string>{"Normal", "-", "Lauter", "Leiser", "-", "Stumm"}));
        const std::vector<std::string> presets{"Kein Filter", "Pilotton", "Notruf", "Freizeichen", "Sammelruf"};
        EXPECT_EQ(filters, uic ? presets : std::vector<std::string>{});
        TearDown();
    }
}

// The menu's loop can close the control and with it the list; the right click's handler
// then touches nothing of the list (a sanitizer build sees any touch).
TEST_F(Playlist, TheListMayGoWhileItsMenuIsOpen)
{
    Start();
    const HWND hwnd = list->GetSafeHwnd();
    SetMenuHook([&](HMENU) -> uintptr_t {
        list.reset();
        return 0;
    });
    SimulateMouse(hwnd, WM_RBUTTONDOWN, 50, 50, MK_RBUTTON);
    EXPECT_EQ(list, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(Playlist, CommandsGoOncePerSelectedRowButPlayPauseOnce)
{
    Start();
    const FileHandle a = Add(WriteTone(folder + "/a.wav", 440, 1000));
    const FileHandle b = Add(WriteTone(folder + "/b.wav", 440, 1000));
    const FileHandle c = Add(WriteTone(folder + "/c.wav", 440, 1000));
    const HWND hwnd = list->GetSafeHwnd();
    using Calls = std::vector<std::pair<uint32_t, FileHandle>>;
    const struct {
        std::vector<int> rows;
        uint32_t id;
        int notifyCode;
        Calls calls;
    } cases[] = {
        {{0, 2}, kCmdQuieter, 0, {{kCmdQuieter, a}, {kCmdQuieter, c}}},
        {{}, kCmdQuieter, 0, {{kCmdQuieter, 0}}},
        {{0, 1}, kCmdStartPause, 0, {{kCmdStartPause, a}}},
        {{1}, kCmdFirstEffect + 1, 0, {{kCmdFirstEffect + 1, b}}},
        {{1}, 2009, 0, {}},
        {{1}, kCmdStop, 1, {}},
    };
    list->run = false;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.id);
        ListView_SetItemState(hwnd, -1, 0, LVIS_SELECTED);
        for (int row : k.rows)
            ListView_SetItemState(hwnd, row, LVIS_SELECTED, LVIS_SELECTED);
        list->commands.clear();
        SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(int(k.id), k.notifyCode), 0);
        EXPECT_EQ(list->commands, k.calls);
    }
}

TEST_F(Playlist, AMenuCommandActsOnTheSelectedRecordingsInTheEngine)
{
    Start();
    const FileHandle a = Add(WriteTone(folder + "/a.wav", 440, 1000));
    const FileHandle b = Add(WriteTone(folder + "/b.wav", 440, 1000));
    const uint32_t before = engine->GetFileVolume(b);
    ASSERT_TRUE(ClickListViewItem(list->GetSafeHwnd(), 0));
    SetMenuHook([](HMENU) -> uintptr_t { return kCmdQuieter; });
    ASSERT_TRUE(SimulateMouse(list->GetSafeHwnd(), WM_RBUTTONDOWN, 20, 30, MK_RBUTTON));
    ASSERT_TRUE(PumpMessagesUntil([&] { return !list->commands.empty(); }, 20000));
    Deliver();
    EXPECT_LT(engine->GetFileVolume(a), before);
    EXPECT_EQ(engine->GetFileVolume(b), before);
    EXPECT_EQ(Row(0)[CMyListCtrl_PlayList::kVolume], VolumeText(engine->GetFileVolume(a)));
}

}  // namespace
