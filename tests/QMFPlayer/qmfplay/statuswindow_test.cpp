// The status window as the worker meets it: a window the user closes ends the program, one
// the worker hides does not; the worker's message boxes come up on the window's thread.
#include "QMFPlayer/qmfplay/statuswindow.h"
#include "ui/application.h"
#include "ui/input.h"
#include "ui/messagebox.h"
#include "ui/testhooks.h"
#include "ui/window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

// The exit code of the first quit request: the window's (0), or the test's own after 600 ms.
int FirstQuit()
{
    std::thread late([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        zem::PostQuitMessage(7);
    });
    const int code = zem::RunMessageLoop();
    late.join();
    return code;
}

TEST(StatusWindow, ClosedByTheUserEndsTheProgramHiddenByTheWorkerDoesNot)
{
    ASSERT_TRUE(zem::InitApplication());
    std::vector<std::string> boxes;  // the hook answers boxes of the window's thread only
    zem::SetMessageBoxHook([&](const std::string& text, const std::string&, zem::UINT) {
        boxes.push_back(text);
        return zem::IDOK;
    });
    StatusWindow hidden, closed;
    ASSERT_TRUE(hidden.Create() && closed.Create());
    std::thread worker([&] {
        hidden.ShowStatus("Extracting files...");
        hidden.ShowMessage("Missing x!");
        hidden.HideStatus();
    });
    EXPECT_EQ(FirstQuit(), 7);
    worker.join();
    EXPECT_FALSE(zem::IsWindowVisible(hidden.Handle()));

    ASSERT_TRUE(zem::SimulateClose(closed.Handle()));
    EXPECT_EQ(FirstQuit(), 0);
    EXPECT_FALSE(zem::IsWindow(closed.Handle()));
    zem::SimulateKey(hidden.Handle(), zem::VK_ESCAPE, true);
    EXPECT_EQ(FirstQuit(), 0);
    zem::SetMessageBoxHook({});
    EXPECT_THAT(boxes, testing::ElementsAre("Missing x!"));
    zem::ExitApplication();
}

}  // namespace
