// The program's start: a path naming no file asks the open-file dialog, whose Cancel ends the
// program before any window; "-register" takes the path as it is.
#include "QMFPlayer/qmfplay/playerstart.h"
#include "support/runprogram.h"
#include "support/scratch.h"
#include "ui/application.h"
#include "ui/filedialog.h"
#include "ui/window.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

TEST(PlayerStart, MissingFileAsksTheDialogAndCancelOpensNoWindow)
{
    ASSERT_TRUE(zem::InitApplication());
    const std::string call = zemtest::NewFolder("calls") + "/Call 4711.qmf";
    ASSERT_EQ(zemtest::RunProgram(std::filesystem::path(QMXPLAY).parent_path() / "makecallfile", {call}).exitCode, 0);
    std::vector<std::string> filters;
    bool answer = false;
    zem::SetFileDialogHook([&](const std::string& filter, std::string& chosen) {
        filters.push_back(filter);
        chosen = call;
        return answer;
    });
    std::string recording;
    StatusWindow cancelled;
    EXPECT_EQ(StartPlayer({true, false, "/no/Such.qmf"}, cancelled, recording), PlayerStart::Cancelled);
    EXPECT_EQ(cancelled.Handle(), nullptr);

    answer = true;
    StatusWindow chosen;
    ASSERT_EQ(StartPlayer({true, false, ""}, chosen, recording), PlayerStart::Started);
    EXPECT_EQ(recording, call);
    EXPECT_EQ(zem::GetWindowText(chosen.Handle()), "qmxPlayer");

    StatusWindow registering, existing;
    EXPECT_EQ(StartPlayer({true, true, "/no/Such.qmf"}, registering, recording), PlayerStart::Started);
    EXPECT_EQ(recording, "/no/Such.qmf");
    EXPECT_EQ(StartPlayer({true, false, call}, existing, recording), PlayerStart::Started);
    EXPECT_EQ(filters, std::vector<std::string>(2, "zemLog Files (*.qmf)|*.qmf|All Files (*.*)|*.*||"));
    zem::SetFileDialogHook({});
    for (StatusWindow* window : {&chosen, &registering, &existing})
        window->Destroy();
    zem::ExitApplication();
}

}  // namespace
