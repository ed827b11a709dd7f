// The player worker end to end with stand-in tools: a registration tool and a browser that
// log what they were given. Every run, also a failed or stopped one, leaves no folder behind.
#include "QMFPlayer/qmfplay/playerworker.h"
#include "../common/ziptestfile.h"
#include "qmftestfile.h"
#include "recordingview.h"
#include "registry/registry.h"
#include "support/scratch.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

const std::string kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe";
const std::string kSettings = "Software\\KESTRALON\\zemwave.ocx";

void SetRegistryText(zem::HKEY root, const std::string& key, const std::string& name, const std::string& text)
{
    zem::HKEY handle = nullptr;
    ASSERT_EQ(zem::RegCreateKeyEx(root, key, zem::KEY_ALL_ACCESS, &handle), zem::ERROR_SUCCESS);
    zem::RegSetValueEx(handle, name, zem::REG_SZ, reinterpret_cast<const zem::BYTE*>(text.c_str()), text.size() + 1);
    zem::RegCloseKey(handle);
}

std::vector<std::string> Split(const std::string& text, char separator = '\n')
{
    std::vector<std::string> parts;
    for (size_t at = 0, end; at < text.size(); at = end + 1)
        parts.push_back(text.substr(at, (end = std::min(text.find(separator, at), text.size())) - at));
    return parts;
}

class PlayerWorkerTest : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("TMP", tmp_.c_str(), 1);
        zemtest::WriteFile(program_ + ".dll", ziptest::MakeZip({
            {"regrgs.exe", "#!/bin/sh\necho \"$*\" >> '" + logs_ + "/regrgs'\n", 0100755},
            {"zemwave_hkcu.rgs", "HKCU {}\n", 0100644}, {"start.html", "<html/>", 0100644}}));
        SetBrowser("1.2");
        SetRegistryText(zem::HKEY_LOCAL_MACHINE, kAppPaths, "", logs_ + "/browser");
        zemtest::WriteFile(recording_, qmftest::MakeQmf(qmftest::SmallCallXml(), {{"REC1", "r"}, {"ATT1", "twenty bytes of text"}}));
    }
    void TearDown() override
    {
        zem::RegDeleteTree(zem::HKEY_LOCAL_MACHINE, kAppPaths);
        zem::RegDeleteTree(zem::HKEY_CURRENT_USER, "Software\\KESTRALON");
    }

    // A browser that logs its arguments, keeps the script it was shown and stays open.
    void SetBrowser(const std::string& seconds)
    {
        zemtest::WriteFile(logs_ + "/browser", "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" + logs_ + "/browser.args'\n"
                           "cp \"${2%/start.html}/data.js\" '" + logs_ + "/data.js'\nsleep " + seconds + "\n");
        chmod((logs_ + "/browser").c_str(), 0755);
    }
    PlayerWorker Worker(bool useControl, bool installed)
    {
        return PlayerWorker({program_, recording_, useControl}, view_, [this, installed] { return ++probes_, installed; });
    }
    void Run(bool useControl = true, bool installed = false)
    {
        const std::atomic<bool> running{true};
        Worker(useControl, installed).Run(running);
    }
    std::string Log(const std::string& name) const { return zemtest::ReadFile(logs_ + "/" + name); }

    const std::string tmp_ = zemtest::NewFolder("tmp");
    const std::string program_ = zemtest::NewFolder("prog") + "/qmxplay";
    const std::string logs_ = zemtest::NewFolder("logs");
    const std::string recording_ = zemtest::NewFolder("calls") + "/Call A.qmf";
    RecordingView view_;
    int probes_ = 0;
};

TEST_F(PlayerWorkerTest, RegistersShowsTheCallAndCleansUp)
{
    Run();
    const auto args = Split(Log("browser.args"), '\0');
    ASSERT_EQ(args.size(), 2u);
    const std::string t = fs::path(args[1]).parent_path();
    EXPECT_THAT(args, ElementsAre("-new", testing::StartsWith(tmp_ + "/qmf")));
    EXPECT_THAT(view_.statuses, ElementsAre("Creating temporary folder", "Extracting files...",
                                            "Install and register temporary zemWave Control...",
                                            "Analyzing Call A.qmf...", "<hidden>"));
    EXPECT_THAT(Split(Log("regrgs")), ElementsAre("/s " + t + "/zemwave_hkcu.rgs MODPATH=" + t,
                                                  "/u /s " + t + "/zemwave_hkcu.rgs MODPATH=" + t));
    EXPECT_THAT(Log("data.js"), HasSubstr("var IsInstalledzemWaveActiveX = true;\r\n"));
    EXPECT_THAT(Log("data.js"), HasSubstr("['fname'] = \"" + t + "/REC1.dat\";"));
    EXPECT_TRUE(view_.messages.empty());
    EXPECT_EQ(view_.quits, 1);
    EXPECT_TRUE(fs::is_empty(tmp_));
}

TEST_F(PlayerWorkerTest, InstalledControlIsNeitherRegisteredNorProbedWithoutControl)
{
    Run(true, true);
    EXPECT_THAT(view_.statuses, testing::Contains("zemWave ActiveX-Control already installed..."));
    EXPECT_THAT(Log("data.js"), HasSubstr("var IsInstalledzemWaveActiveX = true;\r\n"));
    Run(false, true);
    EXPECT_EQ(probes_, 1);
    EXPECT_THAT(Log("data.js"), HasSubstr("var IsInstalledzemWaveActiveX = false;\r\n"));
    EXPECT_FALSE(zemtest::Exists(logs_ + "/regrgs"));
    EXPECT_TRUE(fs::is_empty(tmp_));
}

TEST_F(PlayerWorkerTest, LanguageChoosesTheArchive)
{
    fs::rename(program_ + ".dll", program_ + "_eng.dll");
    SetRegistryText(zem::HKEY_CURRENT_USER, kSettings, "Language", "Deu");
    Run(true, true);
    EXPECT_THAT(view_.messages, ElementsAre("Missing " + program_ + ".dll!"));
    EXPECT_EQ(view_.quits, 1);
    EXPECT_FALSE(zemtest::Exists(logs_ + "/browser.args"));
    SetRegistryText(zem::HKEY_CURRENT_USER, kSettings, "Language", "english");
    Run(true, true);
    EXPECT_TRUE(zemtest::Exists(logs_ + "/browser.args"));
    EXPECT_EQ(view_.messages.size(), 1u);
}

TEST_F(PlayerWorkerTest, BrowserThatEndsAtOnceMeansAPopupBlocker)
{
    SetBrowser("0");
    zem::ManualClock clock;  // stands still: the browser ended at once, however busy the machine
    const std::atomic<bool> running{true};
    PlayerWorker({program_, recording_, true}, view_, [] { return true; }, clock).Run(running);
    EXPECT_THAT(view_.messages, ElementsAre("Cannot open Call Viewer window. Popup-Blocker active?"));
    EXPECT_TRUE(fs::is_empty(tmp_));
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
        {whole, false, fatal},                          // no browser entry
        {whole.substr(0, 10), true, fatal},             // cut in the head
        {whole.substr(0, 30), true, fatal},             // cut in the call description
        {whole.substr(0, whole.size() - 3), true, ""},  // a last chunk a little short
        {"RIFX" + whole.substr(4), true, "Invalid qmf-Format. RIFF expected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message + " / " + std::to_string(c.bytes.size()));
        fs::remove(logs_ + "/regrgs");
        if (c.browserKnown)
            SetRegistryText(zem::HKEY_LOCAL_MACHINE, kAppPaths, "", logs_ + "/browser");
        else
            zem::RegDeleteTree(zem::HKEY_LOCAL_MACHINE, kAppPaths);
        zemtest::WriteFile(recording_, c.bytes);
        view_ = {};
        Run();
        if (c.message.empty())
            EXPECT_TRUE(view_.messages.empty());
        else
            EXPECT_THAT(view_.messages, ElementsAre(testing::MatchesRegex(c.message)));
        EXPECT_EQ(Split(Log("regrgs")).size(), 2u);  // registered and unregistered
        EXPECT_TRUE(fs::is_empty(tmp_));
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
    EXPECT_EQ(Split(Log("regrgs")).size(), 2u);
    EXPECT_TRUE(view_.messages.empty());
    EXPECT_TRUE(fs::is_empty(tmp_));
}

}  // namespace
