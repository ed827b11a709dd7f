// The open-file dialog's filter as the toolkit gets it, and the hook that answers for a person.
#include "ui/filedialog.h"
#include "ui/internal/filechooser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

using testing::ElementsAreArray;

TEST(FileDialog, FilterPairsBecomeNameFilters)
{
    const struct {
        const char* filter;
        std::vector<std::string> names;
    } cases[] = {
        {"zemLog Files (*.qmf)|*.qmf|All Files (*.*)|*.*||", {"zemLog Files (*.qmf)", "All Files (*)"}},
        {"Sound|*.wav; *.mp3|Text (old)|*.txt", {"Sound (*.wav *.mp3)", "Text (*.txt)"}},
        {"Calls|*.qmf||Ignored|*.x", {"Calls (*.qmf)"}},  // "||" ends the list
        {"No patterns|;|Dangling", {}},
        {"Gr\xF6\xDF" "e|*.g", {"Gr\xF6\xDF" "e (*.g)"}},  // Latin-1 both ways
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_THAT(zem::ui::NameFilters(c.filter), ElementsAreArray(c.names)) << c.filter;
}

TEST(FileDialog, TheHookAnswersOnTheUiThreadOnly)
{
    zem::SetFileDialogHook([](const std::string& filter, std::string& chosen) {
        chosen = "/calls/" + filter;
        return true;
    });
    std::string chosen;
    ASSERT_TRUE(zem::OpenFileDialog(nullptr, "Call 1.qmf", chosen));
    EXPECT_EQ(chosen, "/calls/Call 1.qmf");
    std::thread([&] { EXPECT_FALSE(zem::OpenFileDialog(nullptr, "", chosen)); }).join();

    zem::SetFileDialogHook([](const std::string&, std::string&) { return false; });
    EXPECT_FALSE(zem::OpenFileDialog(nullptr, "", chosen));
    zem::SetFileDialogHook({});
    EXPECT_FALSE(zem::OpenFileDialog(nullptr, "", chosen)) << "offscreen nobody can be asked";
}

}  // namespace
