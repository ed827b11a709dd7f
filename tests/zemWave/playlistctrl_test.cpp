// The PlayList control activated in place in a host window, with the module's application
// object and its engine on the null output: its layout, the rows it shows for a download, a
// local and a missing recording, a check-box click that only the engine decides, and the
// property pages that the built module serves; and a page in controlhost.
#include "zemWave/playlistctrl.h"
#include "zemWave/typelibrary.h"

#include "zemWave/engine/enginerig.h"
#include "platform/sound/wavfiles.h"
#include "support/runprogram.h"
#include "support/scratch.h"
#include "support/testserver.h"

#include "KelFrame/kelfe_textdisplay.h"
#include "KelFrame/kelfe_wndcontainer.h"
#include "KelFrame/kelframe.h"
#include "com/host.h"
#include "com/propertyframe.h"
#include "ui/application.h"
#include "ui/dialogbox.h"
#include "ui/testhooks.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using namespace zem;

CZemWaveModule theModule;

class PlayListControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        host_ = CreateWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, WS_VISIBLE, 0, 0, 700, 300);
        ASSERT_EQ(CPlayListCtrl::Create(nullptr, IID_IDispatch, control_.OutVoid()), S_OK);
        site_ = ComPtr<ControlSite>::Adopt(new ControlSite(host_, RECT{0, 0, 640, 240}));
        ASSERT_EQ(control_.As<IOleObject>()->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), nullptr, nullptr), S_OK);
        ASSERT_EQ(control_.As<IOleInPlaceObject>()->GetWindow(&window_), S_OK);
        frame_ = CKelFrame::FromHandle(GetDlgItem(window_, 1));
        ASSERT_NE(frame_, nullptr);
        auto* container = dynamic_cast<CKelFE_WndContainer*>(frame_->FindElementByName("ListCtrlContainer"));
        ASSERT_TRUE(container && (list_ = container->GetWnd()));
    }
    void TearDown() override
    {
        control_.As<IOleObject>()->Close();
        control_.Reset();
        DestroyWindow(host_);
        EXPECT_EQ(theModule.App().GetEngine(), nullptr) << "the control took the engine with it";
    }

    FileHandle AddFile(const std::string& name)
    {
        VARIANT result;
        EXPECT_EQ(DispatchCall(control_.Get(), "AddFile", DISPATCH_METHOD, {VARIANT::Bstr(name)}, &result), S_OK);
        return FileHandle(result.lVal);
    }
    std::string Cell(FileHandle file, int column) const
    {
        const int item = ListView_FindItemData(list_, LPARAM(file));
        return item < 0 ? "(no row)" : ListView_GetItemText(list_, item, column);
    }
    bool Shows(FileHandle file, int column, const std::string& text) const
    {
        return PumpMessagesUntil([&] { return Cell(file, column) == text; }, 30000);
    }

    HWND host_ = nullptr;
    ComPtr<IDispatch> control_;
    ComPtr<ControlSite> site_;
    HWND window_ = nullptr;
    CKelFrame* frame_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(PlayListControl, BuildsItsFrameAndKeepsItSizedToTheControl)
{
    EXPECT_EQ(frame_->GetName(), "MainFrame");
    EXPECT_EQ(ListView_GetColumnCount(list_), CMyListCtrl_PlayList::kColumnCount);
    const auto* status = dynamic_cast<CKelFE_TextDisplay*>(frame_->FindElementByName("ListCtrlStatus"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(std::pair(status->GetCell(), status->GetFormat()), std::pair(std::string("C0R1"), 36u));

    ASSERT_EQ(control_.As<IOleInPlaceObject>()->SetObjectRects({0, 0, 500, 260}, {0, 0, 500, 260}), S_OK);
    RECT client{}, strip{};
    ASSERT_TRUE(GetClientRect(frame_->GetSafeHwnd(), &client));
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(500, 260));
    PumpMessagesUntil([&] { return GetClientRect(status->GetSafeHwnd(), &strip) && strip.bottom == 16; }, 2000);
    EXPECT_EQ(strip.bottom, 16) << "the status strip keeps its height";

    DestroyWindow(frame_->GetSafeHwnd());
    EXPECT_EQ(SendMessage(window_, ControlNotifier::WM_FMODFILE_UPDATE, 0, 1), 0) << "no frame, nothing to update";
}

TEST_F(PlayListControl, RowsShowADownloadALocalAndAMissingRecording)
{
    const std::string folder = zemtest::NewFolder("playlistctrl");
    zemtest::TestServer server;
    soundtest::WavSpec spec;
    spec.dataBytes = soundtest::Pcm16(soundtest::Tone(440, 8000, enginetest::kRate, 6 * enginetest::kRate));
    server.Route("/far.wav", {.body = soundtest::MakeWav(spec), .pieceSize = 3000, .pieceDelay = std::chrono::milliseconds(30)});
    const FileHandle far = AddFile(server.Url("/far.wav"));
    const FileHandle local = AddFile(enginetest::WriteTone(folder + "/near.wav", 440, 2500));
    const FileHandle missing = AddFile(folder + "/gone.wav");
    ASSERT_TRUE(far && local && missing);
    EXPECT_TRUE(Shows(far, CMyListCtrl_PlayList::kTransfer, "Checked")) << "the header, before playback comes near";
    MyFMODEngine* engine = theModule.App().GetEngine();
    engine->SetFileInfo(far, "<info><starttime>" + enginetest::At(0).FormatText(' ') + "</starttime></info>");
    engine->Play();

    constexpr int kTransfer = CMyListCtrl_PlayList::kTransfer;
    EXPECT_TRUE(Shows(local, kTransfer, "Complete")) << Cell(local, kTransfer);
    EXPECT_EQ(Cell(local, CMyListCtrl_PlayList::kDuration), "00:00:02");
    EXPECT_TRUE(Shows(missing, kTransfer, "Invalid")) << Cell(missing, kTransfer);
    EXPECT_EQ(engine->FindFile(missing)->GetWave()->GetState(), _Wave::kStateFailed);

    // The download's percentage moves up until it is complete.
    const std::regex loading(R"(Loading \((\d+\.\d\d) %\))");
    std::vector<double> seen;
    EXPECT_TRUE(PumpMessagesUntil([&] {
        std::smatch match;
        const std::string text = Cell(far, kTransfer);
        if (std::regex_match(text, match, loading) && (seen.empty() || std::stod(match[1]) != seen.back()))
            seen.push_back(std::stod(match[1]));
        return text == "Complete";
    }, 30000)) << Cell(far, kTransfer);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()) && seen.front() < seen.back());
    EXPECT_EQ(Cell(far, CMyListCtrl_PlayList::kDuration), "00:00:06");

    // Clicking the box of a selected row asks the engine; its answer sets the box.
    const int row = ListView_FindItemData(list_, LPARAM(local));
    ASSERT_TRUE(ClickListViewItem(list_, row) && ClickListViewCheckBox(list_, row));
    EXPECT_TRUE(ListView_GetCheckState(list_, row)) << "the box waits for the engine";
    EXPECT_FALSE(engine->GetFileEnabled(local));
    EXPECT_TRUE(Shows(local, CMyListCtrl_PlayList::kStatus, "Inaktiv"));
    EXPECT_FALSE(ListView_GetCheckState(list_, row));
    EXPECT_TRUE(engine->GetFileEnabled(far));
}

TEST_F(PlayListControl, ThePropertyFrameShowsThePagesTheModuleServes)
{
    ASSERT_EQ(zemtest::RunProgram(ZEM_REGSVREX, {"/c", ZEM_OCX}).exitCode, 0);
    CoInitialize();
    std::vector<CLSID> pages;
    ASSERT_EQ(control_.As<ISpecifyPropertyPages>()->GetPages(&pages), S_OK);
    for (const zemwave::ClassId other : {zemwave::ClassId::PlayerPropPage, zemwave::ClassId::PromptPropPage})
        pages.push_back(zemwave::ModuleClassOf(other).registration.clsid);
    IUnknown* objects[] = {control_.Get()};
    {
        PropertyFrame frame;
        ASSERT_EQ(frame.Open(host_, objects, pages), S_OK);
        EXPECT_EQ(frame.PageCount(), 3u);
        RECT client{};
        ASSERT_TRUE(GetClientRect(frame.Window(), &client));
        EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(DialogUnitsToPixelsX(255), DialogUnitsToPixelsY(73)))
            << "the PlayList page is the largest";
        EXPECT_TRUE(frame.SelectPage(1) == S_OK && frame.SelectPage(2) == S_OK && frame.Apply() == S_OK);
    }
    CoUninitialize();
}

// As a user meets it: created by ProgID in controlhost and driven by a page's script.
TEST(PlayListPage, QueuesRecordingsByScript)
{
    ASSERT_EQ(zemtest::RunProgram(ZEM_REGSVREX, {"/c", ZEM_OCX}).exitCode, 0);
    const std::string folder = zemtest::NewFolder("playlistpage");
    const std::string wav = enginetest::WriteTone(folder + "/a.wav", 440, 500);
    zemtest::WriteFile(folder + "/page.html",
                       "<object id=\"list\" classid=\"ZEMWAVE.PlayListCtrl.1\" width=\"600\" height=\"200\"></object>\n"
                       "<script>\nvar a = list.AddFile(\"" + wav + "\");\n"
                       "host.print(\"added \" + (a > 0) + \" again \" + list.AddFile(\"" + wav + "\"));\n"
                       "host.quit(0);\n</script>\n");
    const zemtest::ProgramRun run = zemtest::RunProgram(ZEM_CONTROLHOST, {"-new", folder + "/page.html"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("added true again 0\n"), std::string::npos) << run.output;
}

}  // namespace
