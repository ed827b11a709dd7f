#include "zemWave/modulemenus.h"

#include "zemWave/engine/commandids.h"

#include "ui/menu.h"

#include <initializer_list>
#include <vector>

namespace {

using namespace zem;

// An item; id 0 is a separator.
struct MenuItem {
    uint32_t id;
    const char* text;
};

void RegisterMenu(uint32_t resource, std::initializer_list<MenuItem> items)
{
    std::vector<MenuItem> list(items);
    RegisterMenuResource(resource, [list] {
        HMENU menu = CreatePopupMenu();
        for (const MenuItem& item : list) {
            if (item.id == 0)
                AppendMenu(menu, MF_SEPARATOR, 0);
            else
                AppendMenu(menu, MF_STRING, item.id, item.text);
        }
        return menu;
    });
}

}  // namespace

// Texts are Latin-1.
void RegisterModuleMenus()
{
    RegisterMenu(kIndexMenuId, {{kCmdIndexSet, "Index setzen"},
                                {0, nullptr},
                                {kCmdIndexRemoveCurrent, "Aktuellen entfernen"},
                                {kCmdIndexRemovePrevious, "Vorherigen entfernen"},
                                {kCmdIndexRemoveNext, "N\xE4" "chsten entfernen"},
                                {kCmdIndexRemoveAll, "Alle entfernen"},
                                {0, nullptr},
                                {kCmdIndexBeep, "Signalton bei Index"},
                                {kCmdIndexLoop, "Loop zwischen Indizes"}});
    RegisterMenu(kVolumeMenuId, {{kCmdNormalVolume, "Normal"},
                                 {0, nullptr},
                                 {kCmdLouder, "Lauter"},
                                 {kCmdQuieter, "Leiser"},
                                 {0, nullptr},
                                 {kCmdMute, "Stumm"}});
    RegisterMenu(kSpeedMenuId,
                 {{kCmdNormalSpeed, "Normal"}, {0, nullptr}, {kCmdFaster, "Schneller"}, {kCmdSlower, "Langsamer"}});
    RegisterMenu(kViewMenuId,
                 {{kCmdChannelView, "Kanalansicht"}, {kCmdFileView, "Dateiansicht"}, {kCmdSumView, "Summenansicht"}});
    RegisterMenu(kRecordingMenuId, {{kCmdMarked, "Markiert"}, {kCmdActive, "Aktiv"}});
}
