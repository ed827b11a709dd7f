// Top-level windows closed as a person closes them: the window manager's close and Alt+F4.
#include "process/childprocess.h"
#include "support/scratch.h"
#include "support/x11session.h"

#include <gtest/gtest.h>

namespace {

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

}  // namespace
