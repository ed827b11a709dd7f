#include "ui/menu.h"

#include "base/handletable.h"
#include "ui/application.h"
#include "ui/input.h"
#include "ui/internal/hooks.h"
#include "ui/internal/procedurecall.h"
#include "ui/window.h"

#include <QAction>
#include <QMenu>

#include <map>
#include <memory>
#include <vector>

namespace zem {
namespace {

struct MenuItem {
    UINT flags = 0;
    uintptr_t id = 0;
    std::string text;
    HMENU submenu = nullptr;
};

struct MenuRecord {
    std::vector<MenuItem> items;
};

HandleTable<MenuRecord, 20>& Menus()
{
    static HandleTable<MenuRecord, 20> menus;
    return menus;
}

uint32_t Id(HMENU menu) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(menu)); }

std::shared_ptr<MenuRecord> Find(HMENU menu) { return IsUiThread() ? Menus().Find(Id(menu)) : nullptr; }

// By position, or by command id searched through the submenus too.
MenuItem* FindItem(HMENU menu, UINT item, UINT flags)
{
    auto record = Find(menu);
    if (!record)
        return nullptr;
    if (flags & MF_BYPOSITION)
        return item < record->items.size() ? &record->items[item] : nullptr;
    for (MenuItem& entry : record->items) {
        if (entry.submenu) {
            if (MenuItem* found = FindItem(entry.submenu, item, flags))
                return found;
        } else if (!(entry.flags & MF_SEPARATOR) && entry.id == item) {
            return &entry;
        }
    }
    return nullptr;
}

UINT ChangeState(HMENU menu, UINT item, UINT flags, UINT bits)
{
    MenuItem* entry = FindItem(menu, item, flags);
    if (!entry)
        return kMenuFailed;
    const UINT previous = entry->flags & bits;
    entry->flags = (entry->flags & ~bits) | (flags & bits);
    return previous;
}

void Fill(QMenu& qmenu, HMENU menu, std::map<QAction*, uintptr_t>& ids)
{
    auto record = Find(menu);
    if (!record)
        return;
    for (const MenuItem& item : record->items) {
        const QString text = QString::fromLatin1(item.text.data(), qsizetype(item.text.size()));
        if (item.flags & MF_SEPARATOR) {
            qmenu.addSeparator();
        } else if (item.submenu) {
            Fill(*qmenu.addMenu(text), item.submenu, ids);
        } else {
            QAction* action = qmenu.addAction(text);
            action->setCheckable(item.flags & MF_CHECKED);
            action->setChecked(item.flags & MF_CHECKED);
            action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
            ids[action] = item.id;
        }
    }
}

uintptr_t AskPerson(HMENU menu, int x, int y)
{
    if (ui::IsHeadless())
        return 0;
    QMenu qmenu;
    std::map<QAction*, uintptr_t> ids;
    Fill(qmenu, menu, ids);
    QAction* chosen = qmenu.exec(QPoint(x, y));
    const auto found = ids.find(chosen);
    return found == ids.end() ? 0 : found->second;
}

std::map<uint32_t, std::function<HMENU()>>& Resources()
{
    static std::map<uint32_t, std::function<HMENU()>> resources;
    return resources;
}

}  // namespace

HMENU CreatePopupMenu()
{
    if (!IsUiThread())
        return nullptr;
    return reinterpret_cast<HMENU>(static_cast<uintptr_t>(Menus().Add(std::make_shared<MenuRecord>())));
}

bool AppendMenu(HMENU menu, UINT flags, uintptr_t idOrSubmenu, const std::string& text)
{
    auto record = Find(menu);
    if (!record)
        return false;
    MenuItem item{flags, idOrSubmenu, text, nullptr};
    if (flags & MF_POPUP) {
        item.submenu = reinterpret_cast<HMENU>(idOrSubmenu);
        item.id = 0;
        if (!Find(item.submenu) || item.submenu == menu)
            return false;
    }
    record->items.push_back(item);
    return true;
}

UINT CheckMenuItem(HMENU menu, UINT item, UINT flags) { return ChangeState(menu, item, flags, MF_CHECKED); }
UINT EnableMenuItem(HMENU menu, UINT item, UINT flags) { return ChangeState(menu, item, flags, MF_GRAYED | MF_DISABLED); }

UINT GetMenuState(HMENU menu, UINT item, UINT flags)
{
    const MenuItem* entry = FindItem(menu, item, flags);
    return entry ? entry->flags & ~UINT(MF_BYPOSITION) : kMenuFailed;
}

int GetMenuItemCount(HMENU menu)
{
    auto record = Find(menu);
    return record ? int(record->items.size()) : -1;
}

int GetMenuItemID(HMENU menu, int position)
{
    const MenuItem* entry = position < 0 ? nullptr : FindItem(menu, UINT(position), MF_BYPOSITION);
    if (!entry || entry->submenu || (entry->flags & MF_SEPARATOR))
        return -1;
    return int(entry->id);
}

HMENU GetSubMenu(HMENU menu, int position)
{
    const MenuItem* entry = position < 0 ? nullptr : FindItem(menu, UINT(position), MF_BYPOSITION);
    return entry ? entry->submenu : nullptr;
}

std::string GetMenuString(HMENU menu, UINT item, UINT flags)
{
    const MenuItem* entry = FindItem(menu, item, flags);
    return entry ? entry->text : std::string();
}

bool DestroyMenu(HMENU menu)
{
    auto record = Find(menu);
    if (!record)
        return false;
    Menus().Remove(Id(menu));
    for (const MenuItem& item : record->items) {
        if (item.submenu)
            DestroyMenu(item.submenu);
    }
    return true;
}

uintptr_t TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner)
{
    if (!Find(menu))
        return 0;
    uintptr_t chosen = 0;
    try {
        const auto& hook = ui::TestHooks().menu;
        chosen = hook ? hook(menu) : AskPerson(menu, x, y);
    } catch (...) {
        ui::TraceFailure("menu hook");
    }
    if (chosen != 0 && !(flags & TPM_RETURNCMD))
        PostMessage(owner, WM_COMMAND, MAKEWPARAM(int(chosen), 0), 0);
    return chosen;
}

void RegisterMenuResource(uint32_t id, std::function<HMENU()> build)
{
    Resources()[id] = std::move(build);
}

HMENU LoadMenu(uint32_t id)
{
    const auto found = Resources().find(id);
    return found == Resources().end() || !IsUiThread() ? nullptr : found->second();
}

}  // namespace zem
