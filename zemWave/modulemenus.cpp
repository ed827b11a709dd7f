#include "zemWave/modulemenus.h"

#include "zemWave/engine/commandids.h"

#include "ui/menu.h"

void RegisterModuleMenus()
{
    zem::RegisterMenuResource(kVolumeMenuId, [] {
        using namespace zem;
        HMENU menu = CreatePopupMenu();
        AppendMenu(menu, MF_STRING, kCmdNormalVolume, "Normal");
        AppendMenu(menu, MF_SEPARATOR, 0);
        AppendMenu(menu, MF_STRING, kCmdLouder, "Lauter");
        AppendMenu(menu, MF_STRING, kCmdQuieter, "Leiser");
        AppendMenu(menu, MF_SEPARATOR, 0);
        AppendMenu(menu, MF_STRING, kCmdMute, "Stumm");
        return menu;
    });
    zem::RegisterMenuResource(kIndexMenuId, [] {
        using namespace zem;
        HMENU menu = CreatePopupMenu();
        AppendMenu(menu, MF_STRING, kCmdIndexSet, "Index setzen");
        AppendMenu(menu, MF_STRING, kCmdIndexRemoveCurrent, "Aktuellen entfernen");
        AppendMenu(menu, MF_STRING, kCmdIndexRemovePrevious, "Vorherigen entfernen");
        AppendMenu(menu, MF_STRING, kCmdIndexRemoveNext, "N\xE4" "chsten entfernen");
        AppendMenu(menu, MF_STRING, kCmdIndexRemoveAll, "Alle entfernen");
        AppendMenu(menu, MF_STRING, kCmdIndexBeep, "Signalton bei Index");
        AppendMenu(menu, MF_STRING, kCmdIndexLoop, "Loop zwischen Indizes");
        return menu;
    });
}
