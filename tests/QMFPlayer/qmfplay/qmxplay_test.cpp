// qmxplay as a user runs it: the build's archive, a call file of two recordings (one
// enciphered) and an attachment, the browser named by App Paths. The stand-in browser keeps
// a copy of the call-viewer folder and of the user's registry as it saw them.
#include "QMFPlayer/common/zipextractor.h"
#include "com/host.h"
#include "qmftestfile.h"
#include "support/runprogram.h"
#include "support/scratch.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <utility>

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;
using zemtest::ReadFile;
using zemtest::RunProgram;

namespace {

const std::string kBin = fs::path(QMXPLAY).parent_path();

pid_t ParentOf(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string line((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t end = line.rfind(')');
    return end == std::string::npos ? 0 : std::atoi(line.c_str() + end + 4);  // after ") S "
}

// The qmxplay this test started, directly or through the shell; 0 while there is none.
pid_t OurQmxplay()
{
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const pid_t pid = std::atoi(entry.path().filename().c_str());
        if (pid <= 0 || ReadFile(entry.path().string() + "/comm") != "qmxplay\n")
            continue;
        if (const pid_t parent = ParentOf(pid); parent == getpid() || ParentOf(parent) == getpid())
            return pid;
    }
    return 0;
}

// Polls every 10 ms, for at most a minute.
template <class Condition>
bool WaitFor(Condition condition)
{
    for (int i = 0; i < 6000; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class QmxplayTest : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("TMP", tmp_.c_str(), 1);
        setenv("ZEM_UI", "headless", 1);
        setenv("ZEM_AUDIO", "null", 1);
        setenv("LC_ALL", "C.UTF-8", 1);  // a terminal's usual locale: texts printed as UTF-8
        ASSERT_EQ(RunProgram(kBin + "/makecallfile", {call_}).exitCode, 0);
        SetBrowser(logs_ + "/browser", "1.5");
    }

    // The App Paths value, imported as the README does.
    void SetBrowser(const std::string& path, const std::string& seconds)
    {
        zemtest::WriteFile(logs_ + "/browser", "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + logs_ + "/args\n"
                           "cp -r \"$(dirname \"$2\")\" " + logs_ + "/seen\ncp " + Hive() + " " + logs_ + "/hkcu\n"
                           "echo $PPID > " + logs_ + "/ppid\nsleep " + seconds + "\n");
        chmod((logs_ + "/browser").c_str(), 0755);
        Import("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe", path);
    }
    void Import(const std::string& key, const std::string& value)
    {
        zemtest::WriteFile(logs_ + "/in.reg", "REGEDIT4\r\n\r\n[" + key + "]\r\n@=\"" + value + "\"\r\n");
        ASSERT_EQ(RunProgram(kBin + "/regedit.exe", {"/s", logs_ + "/in.reg"}).exitCode, 0);
    }
    // qmxplay with controlhost as the browser, offscreen, closing by itself after closeMs.
    zemtest::ProgramRun RunViewer(const std::string& closeMs)
    {
        SetBrowser(kBin + "/controlhost", "0");
        setenv("ZEM_CONTROLHOST_CLOSE_MS", closeMs.c_str(), 1);
        setenv("ZEM_CONTROLHOST_SCREENSHOT", (logs_ + "/viewer.png").c_str(), 1);
        const zemtest::ProgramRun run = RunProgram(QMXPLAY, {call_});
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_THAT(run.output, Not(HasSubstr("Popup-Blocker")));
        EXPECT_EQ(ReadFile(logs_ + "/viewer.png").substr(1, 3), "PNG");
        EXPECT_TRUE(fs::is_empty(tmp_));
        return run;
    }
    static std::string Hive() { return zemtest::RootFolder() + "/registry/HKCU.reg"; }
    // The call-viewer folder the browser was shown.
    std::string Shown() const { return fs::path(ReadFile(logs_ + "/args").substr(5)).parent_path(); }

    const std::string tmp_ = zemtest::NewFolder("tmp");
    const std::string logs_ = zemtest::NewFolder("logs");
    const std::string call_ = zemtest::NewFolder("calls") + "/Call 4711.qmf";
};

TEST_F(QmxplayTest, EachLanguagesArchiveHoldsTheToolsAndPages)
{
    for (const auto& [archive, word] : {std::pair{"/qmxplay.dll", "Aufnahmen"}, {"/qmxplay_eng.dll", "recordings"}}) {
        const std::string folder = zemtest::NewFolder("viewer");
        ASSERT_TRUE(ExtractArchive(kBin + archive, folder, false));
        for (const char* name : {"regrgs.exe", "zemcrypt.exe", "libblowfish.so", "zemwave.ocx", "zemwave_hkcu.rgs",
                                 "start.html", "callviewer.js"})
            EXPECT_TRUE(zemtest::Exists(folder + "/" + name)) << name;
        EXPECT_THAT(ReadFile(folder + "/texts.js"), HasSubstr(word));
    }
}

TEST_F(QmxplayTest, ShowsTheCallAndUndoesTheRegistration)
{
    const zemtest::ProgramRun run = RunProgram(QMXPLAY, {call_});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string t = Shown();
    EXPECT_EQ(ReadFile(logs_ + "/args"), "-new\n" + t + "/start.html\n");
    EXPECT_THAT(t, testing::StartsWith(tmp_ + "/qmf"));
    const std::string seen = logs_ + "/seen";
    EXPECT_EQ(ReadFile(seen + "/CTR1.dat").substr(0, 4), "RIFF") << "deciphered by the archive's tool";
    EXPECT_EQ(ReadFile(seen + "/TRN1.dat").substr(0, 4), "RIFF");
    EXPECT_THAT(ReadFile(seen + "/notiz.txt"), HasSubstr("Bremsprobe"));
    EXPECT_THAT(ReadFile(seen + "/data.js"), HasSubstr("var IsInstalledzemWaveActiveX = true;\r\n"));
    EXPECT_THAT(ReadFile(logs_ + "/hkcu"), HasSubstr("InprocServer32]\n@=\"" + t)) << "registered while shown";
    EXPECT_THAT(ReadFile(Hive()), Not(HasSubstr(t))) << "and unregistered after";
    EXPECT_TRUE(fs::is_empty(tmp_));

    // The viewer's script hands each recording to the player, placed by its tag's begin.
    zemtest::WriteFile(seen + "/page.html",
        "<script>var player = { n: 0, AddFile: function (f) { host.print('add ' + f); return ++this.n; },\n"
        "  SetFileInfo: function (h, x) { host.print('info ' + h + ' ' + x); }, Play: function () { host.print('play'); } };\n"
        "var oCallViewer = new Array(); var oAudioFiles;\n</script>\n"
        "<script src=\"data.js\"></script><script src=\"texts.js\"></script><script src=\"callviewer.js\"></script>\n"
        "<script>ShowCalls(player); host.quit(0);</script>\n");
    const zemtest::ProgramRun page = RunProgram(kBin + "/controlhost", {seen + "/page.html"});
    EXPECT_EQ(page.exitCode, 0) << page.output;
    const auto info = [](const char* second) {
        return std::string("<fileinfo><starttime>2024-03-05 10:00:0") + second +
               "</starttime><group>Zugfunk 3</group><callid>4711</callid></fileinfo>";
    };
    for (const std::string& line : {"add " + t + "/TRN1.dat\ninfo 1 " + info("0"), "add " + t + "/CTR1.dat\ninfo 2 " + info("2"),
                                    "Anruf 4711: 2 Aufnahmen, 1 Anh\xC3\xA4nge (" + t + "/notiz.txt)\nplay\n"})
        EXPECT_THAT(page.output, HasSubstr(line));
}

TEST_F(QmxplayTest, InstalledControlOrNoControlRegistersNothing)
{
    ASSERT_EQ(RunProgram(kBin + "/regsvrex.exe", {"/c", kBin + "/comtestcontrol.so"}).exitCode, 0);
    Import("HKEY_CURRENT_USER\\Software\\Classes\\ZEMWAVE.PlayerCtrl.1\\CLSID", "{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E01}");
    const struct {
        std::vector<std::string> args;
        const char* installed;
    } cases[] = {{{call_}, "true"}, {{"-NoZemWaveOCX", call_}, "false"}};
    for (const auto& c : cases) {
        fs::remove_all(logs_ + "/seen");
        const zemtest::ProgramRun run = RunProgram(QMXPLAY, c.args);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_THAT(ReadFile(logs_ + "/seen/data.js"), HasSubstr(std::string("IsInstalledzemWaveActiveX = ") + c.installed));
        EXPECT_THAT(ReadFile(logs_ + "/hkcu"), Not(HasSubstr(Shown())));
        EXPECT_TRUE(fs::is_empty(tmp_));
    }
}

TEST_F(QmxplayTest, EndRequestWhileTheBrowserRunsStillCleansUp)
{
    SetBrowser(logs_ + "/browser", "60");
    zemtest::ProgramRun run;
    std::thread program([&] { run = RunProgram(QMXPLAY, {call_}); });
    for (int i = 0; i < 300 && ReadFile(logs_ + "/ppid").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const pid_t qmxplay = std::atoi(ReadFile(logs_ + "/ppid").c_str());
    ASSERT_GT(qmxplay, 0);
    kill(qmxplay, SIGTERM);
    program.join();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_THAT(run.output, Not(HasSubstr("Popup-Blocker")));
    EXPECT_THAT(ReadFile(Hive()), Not(HasSubstr(Shown())));
    EXPECT_TRUE(fs::is_empty(tmp_));
}

// A path that is no regular file is refused without waiting in an open; the end steps run.
TEST_F(QmxplayTest, FifoIsRefusedAndNothingStaysBehind)
{
    const std::string fifo = logs_ + "/call.qmf";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const zemtest::ProgramRun run = RunProgram(QMXPLAY, {fifo});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.output, HasSubstr("Error opening qmf-file"));
    EXPECT_FALSE(zemtest::Exists(logs_ + "/args")) << "no viewer";
    EXPECT_THAT(ReadFile(Hive()), Not(HasSubstr(tmp_)));
    EXPECT_TRUE(fs::is_empty(tmp_));
}

// SIGTERM while a big call is being unpacked: the copying stops, the registration made for the
// viewer is undone and the temporary folder deleted.
TEST_F(QmxplayTest, EndRequestWhileUnpackingABigCallCleansUp)
{
    const std::string big = logs_ + "/big.qmf";
    qmftest::WriteBigQmf(big, 150u << 20);
    zemtest::ProgramRun run;
    std::thread program([&] { run = RunProgram(QMXPLAY, {big}); });
    std::string copy;
    EXPECT_TRUE(WaitFor([&] {
        for (const auto& folder : fs::directory_iterator(tmp_)) {
            if (zemtest::Exists(folder.path().string() + "/BIG1.dat"))
                copy = folder.path().string();
        }
        return !copy.empty();
    }));
    EXPECT_THAT(ReadFile(Hive()), HasSubstr(copy)) << "registered for the viewer";
    const pid_t qmxplay = OurQmxplay();
    EXPECT_GT(qmxplay, 0);
    if (qmxplay > 0)
        kill(qmxplay, SIGTERM);
    program.join();
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_FALSE(zemtest::Exists(logs_ + "/args")) << "no viewer";
    EXPECT_THAT(ReadFile(Hive()), Not(HasSubstr(tmp_)));
    EXPECT_TRUE(fs::is_empty(tmp_));
}

// Offscreen nobody closes the viewer: it stays the second that tells it from a blocked one,
// then ends as its environment asks.
TEST_F(QmxplayTest, OffscreenViewerOutlivesThePopupCheck)
{
    RunViewer("1");
}

// The whole road with the real controls: the viewer shows the call offscreen, takes a
// picture and mixes the call into a WAV file.
TEST_F(QmxplayTest, ViewerPlaysTheCallWithTheControls)
{
    ASSERT_EQ(RunProgram(kBin + "/regsvrex.exe", {"/c", kBin + "/zemwave.ocx"}).exitCode, 0);
    zem::CoInitialize();
    zem::IDispatch* player = nullptr;
    const bool available = zem::SUCCEEDED(zem::CreateDispatch("ZEMWAVE.PlayerCtrl.1", &player)) && player;
    if (player)
        player->Release();
    zem::CoUninitialize();
    ASSERT_EQ(RunProgram(kBin + "/regsvrex.exe", {"/u", "/c", kBin + "/zemwave.ocx"}).exitCode, 0);
    if (!available)
        GTEST_SKIP() << "the module does not serve the Player control yet";

    setenv("ZEM_AUDIO", ("wav:" + logs_ + "/mix.wav").c_str(), 1);
    const zemtest::ProgramRun run = RunViewer("8000");
    EXPECT_THAT(run.output, HasSubstr("Anruf 4711: 2 Aufnahmen"));
    EXPECT_THAT(run.output, Not(HasSubstr("cannot create")));
    const std::string mix = ReadFile(logs_ + "/mix.wav");
    EXPECT_NE(mix.find_first_not_of('\0', std::min<size_t>(mix.size(), 44)), std::string::npos) << "sound in the mix";
}

}  // namespace
