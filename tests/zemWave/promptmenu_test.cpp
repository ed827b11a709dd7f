// The Prompt's row menu: which submenus it offers, what is checked and grayed, and where each
// command is routed.
#include "zemWave/promptmenu.h"

#include "zemWave/engine/commandids.h"
#include "zemWave/engine/enginerig.h"
#include "zemWave/modulemenus.h"
#include "zemWave/promptrows.h"

#include <gtest/gtest.h>

namespace {

using namespace zem;
using enginetest::At;
using enginetest::EngineRig;

// The submenu appended under text, or null.
HMENU Submenu(HMENU menu, const std::string& text)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (GetMenuString(menu, UINT(i), MF_BYPOSITION) == text)
            return GetSubMenu(menu, i);
    }
    return nullptr;
}

class PromptMenu : public ::testing::Test {
protected:
    void SetUp() override { RegisterModuleMenus(); }
    void TearDown() override { DestroyMenu(menu_); }

    HMENU Build(int viewMode, FileHandle file)
    {
        DestroyMenu(menu_);
        menu_ = CreatePopupMenu();
        AppendPromptMenu(menu_, rig_.engine(), settings_, viewMode, file);
        return menu_;
    }
    FileHandle Add(const std::string& name, const std::string& group)
    {
        const FileHandle file = rig_.engine().AddFile(rig_.Path(name), At(0));
        rig_.engine().SetFileGroup(file, group);
        return file;
    }

    EngineRig rig_;
    ZemWaveSettings settings_;
    HMENU menu_ = nullptr;
};

TEST_F(PromptMenu, RowSubmenuAndFilterPairsThatFollowTheGroupName)
{
    settings_.UICEnabled = 1;
    for (int slot = 0; slot < 4; ++slot)
        ASSERT_TRUE(rig_.engine().EditEffect(uint16_t(slot), "F" + std::to_string(slot), "bandreject", "1", "2"));
    const struct {
        const char* group;
        bool saveGroupSettings;
        bool lineEnabled, centreEnabled;
    } cases[] = {
        {"Strecke 1", true, true, false},     {"ZENTRALE", true, false, true},
        {"strecke-zentrale", true, false, true}, {"Sonst", true, false, false},
        {"Sonst", false, true, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        settings_.SaveGroupSettings = c.saveGroupSettings;
        const FileHandle file = Add("g" + std::to_string(n++), c.group);
        HMENU filters = Submenu(Build(kFileView, file), "UICF Frequenzfilter");
        ASSERT_NE(filters, nullptr);
        EXPECT_EQ(GetMenuState(filters, kCmdNoEffect, MF_BYCOMMAND), MF_CHECKED) << "no effect on the file";
        const auto enabled = [filters](uint32_t id) { return (GetMenuState(filters, id, MF_BYCOMMAND) & MF_GRAYED) == 0; };
        EXPECT_EQ(enabled(kCmdFirstEffect), c.lineEnabled) << c.group;
        EXPECT_EQ(enabled(kCmdFirstEffect + 1), c.lineEnabled) << c.group;
        EXPECT_EQ(enabled(kCmdFirstEffect + 2), c.centreEnabled) << c.group;
        EXPECT_EQ(enabled(kCmdFirstEffect + 3), c.centreEnabled) << c.group;
        EXPECT_NE(Submenu(menu_, "Aufzeichnung"), nullptr);
    }
    EXPECT_EQ(Submenu(Build(kSumView, 0), "Aufzeichnung"), nullptr) << "the sum row has no recording";
}

TEST(PromptCommandRouting, ViewRowAndEngineCommands)
{
    const struct {
        uint32_t id, code;
        size_t files;
        PromptCommand route;
    } cases[] = {
        {kCmdSumView, 0, 0, PromptCommand::SumView},         {kCmdFileView, 0, 10, PromptCommand::FileView},
        {kCmdFileView, 0, 11, PromptCommand::Engine},        {kCmdChannelView, 0, 50, PromptCommand::ChannelView},
        {kCmdMarked, 0, 1, PromptCommand::RowFile},          {kCmdFirstEffect + 10, 0, 1, PromptCommand::RowFile},
        {kCmdFirstEffect + 11, 0, 1, PromptCommand::Engine}, {kCmdStop, 0, 1, PromptCommand::Engine},
        {2009, 0, 1, PromptCommand::PassOn},                 {kCmdStop, 1, 1, PromptCommand::PassOn},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyPromptCommand(c.id, c.code, c.files), c.route) << c.id << " " << c.code;
}

}  // namespace
