// Top-level windows closed as a person closes them: the window manager's close and Alt+F4.
#include "../QMFPlayer/qmfplay/qmftestfile.h"
#include "process/childprocess.h"
#include "support/scratch.h"
#include "support/x11session.h"

#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

using zem::ChildProcess;

constexpr int kEndMs = 20000;

TEST(X11Closing, KelframedemoEndsWhenItsWindowIsClosed)
{
    zemtest::X11Session x;
    ZEM_REQUIRE_X11(x);
    struct Case {
        const char* how;
        bool altF4;
    };
    for (const Case& c : {Case{"window manager's close", false}, Case{"Alt+F4", true}}) {
        SCOPED_TRACE(c.how);
        ChildProcess demo;
        const std::string picture = zemtest::NewFolder("demo") + "/demo.png";
        ASSERT_TRUE(demo.Start({std::string("\"") + KELFRAMEDEMO + "\" --stay \"" + picture + "\"", "", true}));
        const auto window = x.FindWindow("^kelframedemo$");
        ASSERT_NE(window, 0u);
        // Painted through the window system: the title's background shows on the screen.
        EXPECT_TRUE(zemtest::WaitUntil([&] {
            const QImage image = x.Grab(window);
            return !image.isNull() && (image.pixel(5, 5) & 0xFFFFFF) == 0x000060u;
        }));
        // Made bigger, the frame fills it: the title to its new right end, the border strip beside it.
        ASSERT_EQ(x.Run({"xdotool", "windowsize", std::to_string(window), "520", "260"}).exitCode, 0);
        EXPECT_TRUE(zemtest::WaitUntil([&] {
            const QImage image = x.Grab(window);
            return image.width() == 520 && image.height() == 260 && (image.pixel(510, 5) & 0xFFFFFF) == 0x000060u &&
                   (image.pixel(517, 130) & 0xFFFFFF) == 0xA0A0A0u;
        }));
        if (c.altF4) {
            ASSERT_TRUE(x.Activate(window));
            ASSERT_TRUE(x.Key("alt+F4"));
        } else {
            ASSERT_TRUE(x.Close(window));
        }
        std::string output;
        EXPECT_EQ(demo.Wait(kEndMs, zem::WakeEvent(), output), ChildProcess::Outcome::Exited) << output;
        EXPECT_EQ(demo.ExitCode(), 0) << output;
    }
}

// Closed while a big call is being unpacked: the copying stops, the registration made for the
// viewer is undone and the temporary folder deleted.
TEST(X11Closing, QmxplayEndsWhenItsStatusWindowIsClosedWhileUnpacking)
{
    zemtest::X11Session x;
    ZEM_REQUIRE_X11(x);
    const std::string tmp = zemtest::NewFolder("tmp");
    setenv("TMP", tmp.c_str(), 1);
    const std::string call = zemtest::NewFolder("call") + "/big.qmf";
    qmftest::WriteBigQmf(call, 1u << 30);

    ChildProcess player;
    ASSERT_TRUE(player.Start({std::string("\"") + QMXPLAY + "\" \"" + call + "\"", "", true}));
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
    EXPECT_THAT(zemtest::ReadFile(hive), testing::HasSubstr(folder)) << "registered for the viewer";
    ASSERT_TRUE(x.Close(window));
    std::string output;
    EXPECT_EQ(player.Wait(kEndMs, zem::WakeEvent(), output), ChildProcess::Outcome::Exited) << output;
    EXPECT_EQ(player.ExitCode(), 0) << output;
    EXPECT_THAT(zemtest::ReadFile(hive), testing::Not(testing::HasSubstr(folder)));
    EXPECT_TRUE(fs::is_empty(tmp));
}

}  // namespace
