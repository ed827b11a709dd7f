#include "zemWave/mylistctrl_playlist.h"

#include "zemWave/modulemenus.h"
#include "zemWave/playlistrowtext.h"

#include "ui/input.h"
#include "ui/window.h"

#include <vector>

using namespace zem;

namespace {

constexpr uint32_t kListExtendedStyles = LVS_EX_CHECKBOXES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT;
constexpr uint32_t kSliderRedrawCommand = 2009;  // the slider's own; never the engine's
constexpr int kEffectSlots = 10;
constexpr int kFullRow = 0;  // file code 0, and what Refill asks for

struct ColumnForm {
    const char* title;
    int width;
};
constexpr ColumnForm kColumns[CMyListCtrl_PlayList::kColumnCount] = {
    {"Status", 60}, {"CallID", 60}, {"Kanal", 100}, {"Datum", 70}, {"Beginn", 60}, {"Dauer", 60},
    {"Transfer", 60}, {"Effekt", 80}, {"Volume", 60}, {"Balance", 60}, {"AudioPath", 0},
};

// The check box as the list's handler counts it: 0 unchecked (or no image), 1 checked.
UINT CheckIndex(UINT state)
{
    const UINT image = STATEIMAGEINDEX(state);
    return image == 0 ? 0 : image - 1;
}

}  // namespace

CMyListCtrl_PlayList::CMyListCtrl_PlayList(HWND owner, MyFMODEngine& engine, bool uicEnabled)
    : owner_(owner), engine_(engine), uicEnabled_(uicEnabled)
{
    RegisterModuleMenus();
}

CMyListCtrl_PlayList::~CMyListCtrl_PlayList()
{
    if (popup_)
        DestroyMenu(popup_);
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);
}

bool CMyListCtrl_PlayList::Create(uint32_t style, const RECT& rect, HWND parent, uintptr_t id)
{
    hwnd_ = CreateListView(style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, id,
                           [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                               return WindowProc(hwnd, message, wParam, lParam);
                           });
    return hwnd_ != nullptr;
}

LRESULT CMyListCtrl_PlayList::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        hwnd_ = hwnd;
        DefListViewProc(hwnd, message, wParam, lParam);
        InitColumns();
        return 0;
    case WM_NCDESTROY:
        DefListViewProc(hwnd, message, wParam, lParam);
        hwnd_ = nullptr;
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_COMMAND:
        if (OnCmdMsg(LOWORD(wParam), HIWORD(wParam)))
            return 0;
        break;
    case OCM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == LVN_ITEMCHANGING)
            return OnItemChanging(*reinterpret_cast<const NMLISTVIEW*>(lParam));
        if (header->code == LVN_KEYDOWN)
            return 0;  // the list's own key handling stays
        break;
    }
    default: break;
    }
    return DefListViewProc(hwnd, message, wParam, lParam);
}

void CMyListCtrl_PlayList::InitColumns()
{
    ListView_SetExtendedStyle(hwnd_, ListView_GetExtendedStyle(hwnd_) | kListExtendedStyles);
    ListView_SetBkColor(hwnd_, RGB(0, 0, 0));
    ListView_SetTextBkColor(hwnd_, RGB(0, 0, 0));
    ListView_SetTextColor(hwnd_, RGB(255, 255, 255));
    for (int column = 0; column < kColumnCount; ++column)
        ListView_InsertColumn(hwnd_, column, kColumns[column].title, kColumns[column].width);
    Refill();
}

void CMyListCtrl_PlayList::Refill()
{
    ListView_DeleteAllItems(hwnd_);
    std::vector<_FMODFile*> files;
    engine_.GetGroupFiles(files, nullptr);
    for (const _FMODFile* file : files)
        UpdateItem(file->GetHandle(), kFullRow);
}

void CMyListCtrl_PlayList::SetText(int item, Column column, const std::string& text)
{
    ListView_SetItemText(hwnd_, item, column, text);
}

void CMyListCtrl_PlayList::UpdateItem(FileHandle handle, int code)
{
    // The handle comes from a posted message: the file may be gone by now.
    const _FMODFile* file = engine_.FindFile(handle);
    if (!file || !hwnd_)
        return;
    int item = ListView_FindItemData(hwnd_, LPARAM(handle));
    if (item < 0) {
        item = ListView_InsertItem(hwnd_, ListView_GetItemCount(hwnd_), "");
        ListView_SetItemData(hwnd_, item, LPARAM(handle));
        code = kFullRow;
    }
    bool full = code == kFullRow;
    // The engine reports a checked header as "enabled" only: without a look at the wave the
    // row would say "Checking" until the full load starts.
    if (full || code == _FMODEngine::kFileEnabled || code == _FMODEngine::kFileLoaded ||
        code == _FMODEngine::kFileLoading) {
        const _Wave* wave = file->GetWave();
        const uint32_t state = wave ? wave->GetState() : _Wave::kStateNone;
        SetText(item, kTransfer, TransferText(state, wave ? wave->GetLoadPercent() : 0.0));
        full = full || state == _Wave::kStateLoaded;  // loaded: length and all are known now
    }
    if (full || code == _FMODEngine::kFileEnabled) {
        const bool enabled = engine_.GetFileEnabled(handle);
        ListView_SetCheckState(hwnd_, item, enabled);
        SetText(item, kStatus, enabled ? "Aktiv" : "Inaktiv");
    }
    if (full || code == _FMODEngine::kFileEffect) {
        const int slot = file->GetEffect();
        const std::optional<_FMODEffect> effect = slot < 0 ? std::nullopt : engine_.GetEffect(slot);
        SetText(item, kEffect, effect ? effect->name : "kein");
    }
    if (full || code == _FMODEngine::kFileVolume)
        SetText(item, kVolume, VolumeText(engine_.GetFileVolume(handle)));
    if (full || code == _FMODEngine::kFileBalance)
        SetText(item, kBalance, BalanceText(engine_.GetFileBalance(handle)));
    if (!full)
        return;
    SetText(item, kChannel, engine_.GetFileGroup(handle));
    const std::string start = StartTimeText(file->GetStartTime());
    SetText(item, kDate, DateText(start));
    SetText(item, kBegin, BeginText(start));
    SetText(item, kDuration, DurationText(file->GetLength()));
    SetText(item, kAudioPath, file->GetName());
    SetText(item, kCallId, file->GetInfo("callid"));
}

LRESULT CMyListCtrl_PlayList::OnItemChanging(const NMLISTVIEW& change)
{
    const auto handle = FileHandle(change.lParam);
    if (handle == 0 || change.uOldState == 0 || change.uNewState == 0)
        return 0;
    const UINT before = CheckIndex(change.uOldState);
    const UINT after = CheckIndex(change.uNewState);
    if (before == after)
        return 0;  // selection or focus
    const bool enabled = engine_.GetFileEnabled(handle);
    if (enabled == (after != 0))
        return 0;  // the box follows the engine
    // The engine decides: it reports the new flag, which then sets the box.
    if (ListView_GetSelectedCount(hwnd_) > 0)
        RunCommand(kCmdActive, handle);
    return 1;
}

HMENU CMyListCtrl_PlayList::BuildPopup()
{
    HMENU popup = CreatePopupMenu();
    if (!popup)
        return nullptr;
    AppendMenu(popup, MF_STRING, kCmdStartPause, "Play/Pause");
    AppendMenu(popup, MF_STRING, kCmdStop, "Stop");
    AppendMenu(popup, MF_SEPARATOR, 0);
    if (uicEnabled_) {
        HMENU filters = CreatePopupMenu();
        if (!filters) {
            DestroyMenu(popup);
            return nullptr;
        }
        AppendMenu(filters, MF_STRING, kCmdNoEffect, "Kein Filter");
        for (int slot = 0; slot < kEffectSlots; ++slot) {
            const std::optional<_FMODEffect> effect = engine_.GetEffect(slot);
            if (effect && !effect->name.empty())
                AppendMenu(filters, MF_STRING, kCmdFirstEffect + uint32_t(slot), effect->name);
        }
        AppendMenu(popup, MF_POPUP, reinterpret_cast<uintptr_t>(filters), "UICF Frequenzfilter");
    }
    if (HMENU volume = LoadMenu(kVolumeMenuId))
        AppendMenu(popup, MF_POPUP, reinterpret_cast<uintptr_t>(volume), "Lautst\xE4rke");
    AppendMenu(popup, MF_SEPARATOR, 0);
    return popup;
}

void CMyListCtrl_PlayList::OnRButtonDown(POINT point)
{
    const HWND hwnd = hwnd_;
    ClientToScreen(hwnd, &point);
    const HMENU popup = BuildPopup();
    if (!popup)
        return;
    popup_ = popup;
    TrackPopupMenu(popup, 0, point.x, point.y, hwnd);
    // The menu's loop may have closed the list and deleted this object: locals only, and the
    // member only while the window (which this object destroys) still exists.
    DestroyMenu(popup);  // with its submenus
    if (IsWindow(hwnd))
        popup_ = nullptr;
}

bool CMyListCtrl_PlayList::OnCmdMsg(uint32_t id, int notifyCode)
{
    if (notifyCode != 0 || id == kSliderRedrawCommand)
        return false;
    std::vector<FileHandle> files;
    bool anySelected = false;
    for (int item = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(hwnd_, item, LVNI_SELECTED)) {
        anySelected = true;
        if (const auto file = FileHandle(ListView_GetItemData(hwnd_, item)))
            files.push_back(file);
    }
    if (!anySelected)
        RunCommand(id, 0);
    else if (id == kCmdStartPause && !files.empty())
        RunCommand(id, files.front());  // a toggle: once, or two rows cancel each other out
    else
        for (const FileHandle file : files)
            RunCommand(id, file);
    return true;
}

void CMyListCtrl_PlayList::RunCommand(uint32_t id, FileHandle file) { engine_.CommandHandler(id, file, false); }
