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
}
