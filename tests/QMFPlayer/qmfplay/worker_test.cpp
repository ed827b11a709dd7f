// The player worker end to end with stand-in tools: a registration tool and a browser that
// log what they were given. Every run, also a failed or stopped one, leaves no folder behind.
#include "QMFPlayer/qmfplay/playerworker.h"
#include "qmftestfile.h"
#include "recordingview.h"
#include "registry/registry.h"
#include "support/scratch.h"
#include "../common/ziptestfile.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::MatchesRegex;

namespace {

const std::string kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe";

void SetRegistryText(zem::HKEY root, const std::string& key, const std::string& name, const std::string& text)
{
    zem::HKEY handle = nullptr;
    ASSERT_EQ(zem::RegCreateKeyEx(root, key, zem::KEY_ALL_ACCESS, &handle), zem::ERROR_SUCCESS);
    zem::RegSetValueEx(handle, name, zem::REG_SZ, reinterpret_cast<const zem::BYTE*>(text.c_str()),
                       static_cast<zem::DWORD>(text.size() + 1));
    zem::RegCloseKey(handle);
}

void WriteScript(const std::string& path, const std::string& body)
{
    zemtest::WriteFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
}

std::vector<std::string> Lines(const std::string& text, char separator = '\n')
{
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find(separator, at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

class PlayerWorkerTest : public testing::Test {
protected:
    void SetUp() override
    {
        tmp_ = zemtest::NewFolder("tmp");
        setenv("TMP", tmp_.c_str(), 1);
        program_ = zemtest::NewFolder("prog") + "/qmxplay";
        logs_ = zemtest::NewFolder("logs");
        WriteArchive(program_ + ".dll");
        SetBrowser("1.2");
        SetRegistryText(zem::HKEY_LOCAL_MACHINE, kAppPaths, "", logs_ + "/browser");
        recording_ = zemtest::NewFolder("calls") + "/Call A.qmf";
        zemtest::WriteFile(recording_, qmftest::MakeQmf(qmftest::SmallCallXml(), {{"REC1", "r"}, {"ATT1", "twenty bytes of text"}}));
    }
    void TearDown() override
    {
        zem::RegDeleteTree(zem::HKEY_LOCAL_MACHINE, kAppPaths);
        zem::RegDeleteTree(zem::HKEY_CURRENT_USER, "Software\\KESTRALON");
    }

    void WriteArchive(const std::string& path)
    {
        zemtest::WriteFile(path, ziptest::MakeZip({
            {"regrgs.exe", "#!/bin/sh\necho \"$*\" >> '" + logs_ + "/regrgs'\n", 0100755},
            {"zemwave_hkcu.rgs", "HKCU {}\n", 0100644},
            {"start.html", "<html/>", 0100644}}));
    }
    // A browser that logs its arguments, keeps the script it was shown and stays open.
    void SetBrowser(const std::string& seconds)
    {
        WriteScript(logs_ + "/browser", "printf '%s\\0' \"$@\" > '" + logs_ + "/browser.args'\n"
                    "cp \"${2%/start.html}/data.js\" '" + logs_ + "/data.js'\nsleep " + seconds + "\n");
    }

    void Run(bool useControl = true, bool installed = false)
    {
        const std::atomic<bool> running{true};
        Worker(useControl, installed).Run(running);
    }
    PlayerWorker Worker(bool useControl, bool installed)
    {
        return PlayerWorker({program_, recording_, useControl}, view_, [this, installed] {
            ++probes_;
            return installed;
        });
    }
    std::string Folder() const
    {
        const auto args = Lines(zemtest::ReadFile(logs_ + "/browser.args"), '\0');
        return args.size() == 2 ? fs::path(args[1]).parent_path().string() : "";
    }
    bool TmpIsEmpty() const { return fs::is_empty(tmp_); }
    std::string Log(const std::string& name) const { return zemtest::ReadFile(logs_ + "/" + name); }

    std::string tmp_, program_, logs_, recording_;
    RecordingView view_;
    int probes_ = 0;
};

TEST_F(PlayerWorkerTest, RegistersShowsTheCallAndCleansUp)
{
    Run();
    const std::string t = Folder();
    ASSERT_THAT(t, testing::StartsWith(tmp_ + "/qmf"));
    EXPECT_THAT(view_.Statuses(), ElementsAre("Creating temporary folder", "Extracting files...",
                                              "Install and register temporary zemWave Control...",
                                              "Analyzing Call A.qmf...", "<hidden>"));
    EXPECT_EQ(Lines(Log("regrgs")), (std::vector<std::string>{
        "/s " + t + "/zemwave_hkcu.rgs MODPATH=" + t, "/u /s " + t + "/zemwave_hkcu.rgs MODPATH=" + t}));
    EXPECT_EQ(Lines(Log("browser.args"), '\0'), (std::vector<std::string>{"-new", t + "/start.html"}));
    EXPECT_THAT(Log("data.js"), HasSubstr("var IsInstalledzemWaveActiveX = true;\r\n"));
    EXPECT_THAT(Log("data.js"), HasSubstr("['fname'] = \"" + t + "/REC1.dat\";"));
    EXPECT_TRUE(view_.Messages().empty());
    EXPECT_EQ(view_.Quits(), 1);
    EXPECT_EQ(probes_, 1);
    EXPECT_TRUE(TmpIsEmpty());
}

TEST_F(PlayerWorkerTest, InstalledControlIsNeitherRegisteredNorProbedWithoutControl)
{
    Run(true, true);
    EXPECT_THAT(view_.Statuses(), testing::Contains("zemWave ActiveX-Control already installed..."));
    EXPECT_THAT(Log("data.js"), HasSubstr("var IsInstalledzemWaveActiveX = true;\r\n"));
    EXPECT_FALSE(zemtest::Exists(logs_ + "/regrgs"));

    Run(false, true);
    EXPECT_EQ(probes_, 1);
    EXPECT_THAT(Log("data.js"), HasSubstr("var IsInstalledzemWaveActiveX = false;\r\n"));
    EXPECT_FALSE(zemtest::Exists(logs_ + "/regrgs"));
    EXPECT_TRUE(TmpIsEmpty());
}

TEST_F(PlayerWorkerTest, LanguageChoosesTheArchive)
{
    fs::rename(program_ + ".dll", program_ + "_eng.dll");
    SetRegistryText(zem::HKEY_CURRENT_USER, "Software\\KESTRALON\\zemwave.ocx", "Language", "Deu");
    Run(true, true);
    EXPECT_THAT(view_.Messages(), ElementsAre("Missing " + program_ + ".dll!"));
    EXPECT_EQ(view_.Quits(), 1);
    EXPECT_FALSE(zemtest::Exists(logs_ + "/browser.args"));

    SetRegistryText(zem::HKEY_CURRENT_USER, "Software\\KESTRALON\\zemwave.ocx", "Language", "english");
    Run(true, true);
    EXPECT_TRUE(zemtest::Exists(logs_ + "/browser.args"));
    EXPECT_EQ(view_.Messages().size(), 1u);
    EXPECT_TRUE(TmpIsEmpty());
}

TEST_F(PlayerWorkerTest, BrowserThatEndsAtOnceMeansAPopupBlocker)
{
    SetBrowser("0");
    Run(true, true);
    EXPECT_THAT(view_.Messages(), ElementsAre("Cannot open Call Viewer window. Popup-Blocker active?"));
    EXPECT_TRUE(TmpIsEmpty());
}

TEST_F(PlayerWorkerTest, FailuresStillRunTheEndSteps)
{
    const std::string fatal = "Fatal Error ! Please write down info:\n.*(playerworker|qmfconversion)\\.cpp \\(L:[0-9]+\\)";
    const std::string whole = zemtest::ReadFile(recording_);
    const struct {
        std::string bytes;
        bool browserKnown;
        std::string message;  // regular expression; empty: none
    } cases[] = {
        {whole, false, fatal},                   // no browser entry
        {whole.substr(0, 10), true, fatal},      // cut in the head
        {whole.substr(0, 30), true, fatal},      // cut in the call description
        {whole.substr(0, whole.size() - 3), true, ""},  // a last chunk a little short
        {"RIFX" + whole.substr(4), true, "Invalid qmf-Format. RIFF expected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message + " / " + std::to_string(c.bytes.size()));
        fs::remove(logs_ + "/regrgs");
        if (!c.browserKnown)
            zem::RegDeleteTree(zem::HKEY_LOCAL_MACHINE, kAppPaths);
        else
            SetRegistryText(zem::HKEY_LOCAL_MACHINE, kAppPaths, "", logs_ + "/browser");
        zemtest::WriteFile(recording_, c.bytes);
        view_.Clear();
        SetBrowser("1.1");
        Run();
        if (c.message.empty())
            EXPECT_TRUE(view_.Messages().empty());
        else
            EXPECT_THAT(view_.Messages(), ElementsAre(MatchesRegex(c.message)));
        EXPECT_EQ(Lines(Log("regrgs")).size(), 2u);  // registered and unregistered
        EXPECT_TRUE(TmpIsEmpty());
    }
}

TEST_F(PlayerWorkerTest, StopWhileTheBrowserRunsUndoesEverything)
{
    SetBrowser("30");
    std::atomic<bool> running{true};
    PlayerWorker worker = Worker(true, false);
    std::thread thread([&] { worker.Run(running); });
    for (int i = 0; i < 200 && !zemtest::Exists(logs_ + "/data.js"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    running = false;
    thread.join();
    EXPECT_EQ(Lines(Log("regrgs")).size(), 2u);
    EXPECT_TRUE(view_.Messages().empty());
    EXPECT_EQ(view_.Quits(), 1);
    EXPECT_TRUE(TmpIsEmpty());
}

}  // namespace
