// Menus: popup menus built item by item or from registered menu resources, tracked at a screen
// point. Menus are ids from the layer's handle table. UI thread only.
#pragma once

#include "ui/wintypes.h"

#include <functional>
#include <string>

namespace zem {

struct HMENU__;
using HMENU = HMENU__*;

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT kMenuFailed = 0xFFFFFFFF;

constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU CreatePopupMenu();
// With MF_POPUP, idOrSubmenu is a submenu (cast to uintptr_t), which the menu then owns.
bool AppendMenu(HMENU menu, UINT flags, uintptr_t idOrSubmenu, const std::string& text = {});
// Both return the previous state (MF_CHECKED or MF_GRAYED bits), kMenuFailed when no such item.
UINT CheckMenuItem(HMENU menu, UINT item, UINT flags);
UINT EnableMenuItem(HMENU menu, UINT item, UINT flags);
// The item's MF_ flags, kMenuFailed when no such item.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuItemCount(HMENU menu);
// The command id at a position; -1 for a submenu, separator or no item.
int GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
std::string GetMenuString(HMENU menu, UINT item, UINT flags);
// Destroys the menu and its submenus.
bool DestroyMenu(HMENU menu);

// Shows the menu at the screen point. The chosen command is posted to the owner as
// WM_COMMAND(id, 0), or with TPM_RETURNCMD returned instead. Returns the command, 0 when the
// menu was dismissed. Without a display or a menu hook every menu is dismissed.
uintptr_t TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner);

// Menu resources: a program registers how to build each of its menus once; LoadMenu builds a
// fresh copy that the caller destroys.
void RegisterMenuResource(uint32_t id, std::function<HMENU()> build);
HMENU LoadMenu(uint32_t id);

}  // namespace zem
