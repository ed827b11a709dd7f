// BrowseForFolder with no picker installed asks through the window layer's folder dialog:
// answered here by the dialog hook, cancelled without a display or off the UI thread.
#include "ZemBaseLib/browse.h"

#include "ui/folderdialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

namespace {

TEST(BrowseForFolderDialog, TheWindowLayersDialogAnswersAndCancelGivesNothing)
{
    EXPECT_EQ(BrowseForFolder(nullptr, "/start"), "") << "offscreen: nobody to ask";

    std::string seenStart;
    bool pick = true;
    zem::SetFolderDialogHook([&](const std::string& start, std::string& chosen) {
        seenStart = start;
        if (pick)
            chosen = "/chosen/f\xF6lder";  // bytes, passed unchanged
        return pick;
    });
    EXPECT_EQ(BrowseForFolder(nullptr, "/start"), "/chosen/f\xF6lder");
    EXPECT_EQ(seenStart, "/start");
    pick = false;
    EXPECT_EQ(BrowseForFolder(nullptr, ""), "");
    EXPECT_EQ(seenStart, std::filesystem::current_path().native());

    std::string offThread = "unset";
    pick = true;
    std::thread([&] { offThread = BrowseForFolder(nullptr, "/start"); }).join();
    EXPECT_EQ(offThread, "") << "only the UI thread shows dialogs";

    zem::SetFolderDialogHook([](const std::string&, std::string&) -> bool { throw std::runtime_error("broken"); });
    EXPECT_EQ(BrowseForFolder(nullptr, "/start"), "");

    // An installed picker still comes first.
    SetFolderPicker([](void*, const std::string&, std::string& chosen) {
        chosen = "/picked";
        return true;
    });
    EXPECT_EQ(BrowseForFolder(nullptr, "/start"), "/picked");
    SetFolderPicker(nullptr);
    zem::SetFolderDialogHook(nullptr);
}

}  // namespace
