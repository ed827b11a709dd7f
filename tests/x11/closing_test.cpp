// Top-level windows closed as a person closes them: the window manager's close and Alt+F4. Each
// program ends through it, with its own end steps.
#include "../QMFPlayer/qmfplay/qmftestfile.h"
#include "process/childprocess.h"
#include "support/runprogram.h"
#include "support/scratch.h"
#include "support/x11session.h"

#include <chrono>
#include <filesystem>
#include <thread>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using zem::ChildProcess;

constexpr int kEndMs = 30000;
const std::string kBin = fs::path(QMXPLAY).parent_path();

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Closes the window one of the two ways a person does.
void CloseAsAPerson(const zemtest::X11Session& x, zemtest::X11Session::Window window, bool altF4)
{
    if (altF4) {
        ASSERT_TRUE(x.Activate(window));
        ASSERT_TRUE(x.Key("alt+F4"));
    } else {
        ASSERT_TRUE(x.Close(window));
    }
}

// Waits for the program's end: 0 when it exited by itself with code 0.
void ExpectEndsWithZero(ChildProcess& program)
{
    std::string output;
    EXPECT_EQ(program.Wait(kEndMs, zem::WakeEvent(), output), ChildProcess::Outcome::Exited) << output;
    EXPECT_EQ(program.ExitCode(), 0) << output;
}

TEST(X11Closing, KelframedemoEndsWhenItsWindowIsClosed)
{
    zemtest::X11Session x;
    ZEM_REQUIRE_X11(x);
    for (const bool altF4 : {false, true}) {
        SCOPED_TRACE(altF4 ? "Alt+F4" : "the window manager's close");
        ChildProcess demo;
        const std::string picture = zemtest::NewFolder("demo") + "/demo.png";
        ASSERT_TRUE(demo.Start({Quoted(KELFRAMEDEMO) + " --stay " + Quoted(picture), "", true}));
        const auto window = x.FindWindow("^kelframedemo$");
        ASSERT_NE(window, 0u);
        // Painted through the window system, and placed with its title bar on the screen.
        EXPECT_TRUE(zemtest::WaitUntil([&] {
            const QImage image = x.Grab(window);
            return !image.isNull() && (image.pixel(5, 5) & 0xFFFFFF) == 0x000060u;
        }));
        const QRect client = x.Geometry(window);
        EXPECT_GT(client.top(), 100) << "the frame, not the client area, at 100, 100";
        EXPECT_EQ(client.size(), QSize(400, 200));
        // Made bigger, the frame fills it: the title to its new right end, the border strip beside it.
        ASSERT_EQ(x.Run({"xdotool", "windowsize", std::to_string(window), "520", "260"}).exitCode, 0);
        EXPECT_TRUE(zemtest::WaitUntil([&] {
            const QImage image = x.Grab(window);
            return image.width() == 520 && image.height() == 260 && (image.pixel(510, 5) & 0xFFFFFF) == 0x000060u &&
                   (image.pixel(517, 130) & 0xFFFFFF) == 0xA0A0A0u;
        }));
        CloseAsAPerson(x, window, altF4);
        ExpectEndsWithZero(demo);
    }
}

// qmxplay shows the call in the browser (controlhost with the call viewer); closing the viewer
// ends qmxplay after its end steps: the registration undone, the temporary folder gone.
TEST(X11Closing, QmxplayEndsWithItsViewerAndCleansUp)
{
    zemtest::X11Session x;
    ZEM_REQUIRE_X11(x);
    const std::string tmp = zemtest::NewFolder("tmp");
    const std::string call = zemtest::NewFolder("calls") + "/Call 4711.qmf";
    const std::string reg = zemtest::NewFolder("reg") + "/browser.reg";
    ASSERT_EQ(zemtest::RunProgram(kBin + "/makecallfile", {call}).exitCode, 0);
    zemtest::WriteFile(reg, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App "
                            "Paths\\iexplore.exe]\r\n@=\"" + kBin + "/controlhost\"\r\n");
    ASSERT_EQ(zemtest::RunProgram(kBin + "/regedit.exe", {"/s", reg}).exitCode, 0);
    setenv("TMP", tmp.c_str(), 1);
    setenv("ZEM_AUDIO", "null", 1);
    unsetenv("ZEM_CONTROLHOST_CLOSE_MS");

    for (const bool altF4 : {false, true}) {
        SCOPED_TRACE(altF4 ? "Alt+F4" : "the window manager's close");
        ChildProcess player;
        ASSERT_TRUE(player.Start({Quoted(QMXPLAY) + " " + Quoted(call), "", true}));
        const auto viewer = x.FindWindow("^Call Viewer$", kEndMs);
        ASSERT_NE(viewer, 0u);
        EXPECT_FALSE(fs::is_empty(tmp)) << "the call-viewer folder while it is shown";
        // A viewer that ends within a second of its start reads as a popup blocker, which
        // qmxplay reports in a box: a person looks at the call before closing it.
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        CloseAsAPerson(x, viewer, altF4);
        ExpectEndsWithZero(player);
        EXPECT_TRUE(fs::is_empty(tmp));
        EXPECT_EQ(zemtest::ReadFile(zemtest::RootFolder() + "/registry/HKCU.reg").find(tmp), std::string::npos);
    }
}

// Closed while a big call is being unpacked: the copying stops, the registration made for the
// viewer is undone and the temporary folder deleted.
TEST(X11Closing, QmxplayClosedWhileUnpackingCleansUp)
{
    zemtest::X11Session x;
    ZEM_REQUIRE_X11(x);
    const std::string tmp = zemtest::NewFolder("tmp");
    setenv("TMP", tmp.c_str(), 1);
    const std::string call = zemtest::NewFolder("call") + "/big.qmf";
    qmftest::WriteBigQmf(call, 1u << 30);

    ChildProcess player;
    ASSERT_TRUE(player.Start({Quoted(QMXPLAY) + " " + Quoted(call), "", true}));
    const auto window = x.FindWindow("^qmxPlayer$");
    ASSERT_NE(window, 0u);
    std::string folder;
    EXPECT_TRUE(zemtest::WaitUntil([&] {
        for (const auto& entry : fs::directory_iterator(tmp)) {
            if (fs::exists(entry.path() / "BIG1.dat"))
                folder = entry.path().string();
        }
        return !folder.empty();
    }, 60000));
    const std::string hive = zemtest::RootFolder() + "/registry/HKCU.reg";
    EXPECT_NE(zemtest::ReadFile(hive).find(folder), std::string::npos) << "registered for the viewer";
    CloseAsAPerson(x, window, false);
    ExpectEndsWithZero(player);
    EXPECT_EQ(zemtest::ReadFile(hive).find(tmp), std::string::npos);
    EXPECT_TRUE(fs::is_empty(tmp));
}

// The settings dialog shows the program's icon; closing it is Cancel: nothing is saved.
TEST(X11Closing, SettingsDialogIsCancelledAndShowsTheIcon)
{
    zemtest::X11Session x;
    ZEM_REQUIRE_X11(x);
    const std::string hive = zemtest::RootFolder() + "/registry/HKCU.reg";
    const std::string before = zemtest::Exists(hive) ? zemtest::ReadFile(hive) : std::string();
    ChildProcess settings;
    ASSERT_TRUE(settings.Start({Quoted(kBin + "/qmxplaycfg"), "", true}));
    const auto dialog = x.FindWindow("^qmxPlayer Konfiguration$");
    ASSERT_NE(dialog, 0u);
    const auto icon = x.Run({"xprop", "-id", std::to_string(dialog), "_NET_WM_ICON"});
    EXPECT_NE(icon.output.find("Icon (32 x 32)"), std::string::npos) << icon.output;
    ASSERT_TRUE(x.Close(dialog));
    ExpectEndsWithZero(settings);
    EXPECT_EQ(zemtest::Exists(hive) ? zemtest::ReadFile(hive) : std::string(), before);
}

}  // namespace
