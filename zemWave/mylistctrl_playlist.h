// CMyListCtrl_PlayList: the list of the engine's queued recordings inside the PlayList
// control. One row per engine file (the row's item data is its FileHandle) with call id,
// channel group, date, start, duration, transfer state, effect, volume, balance and path; the
// check box is the recording's enabled flag, which only the engine changes. Every command
// of its popup menu goes to the engine's command handler for each selected row.
//
// UI thread only; the engine reaches the list through the PlayList control, which passes each
// file notification on to UpdateItem.
#pragma once

#include "zemWave/engine/myfmodengine.h"

#include "ui/listview.h"
#include "ui/menu.h"

#include <cstdint>

class CMyListCtrl_PlayList {
public:
    enum Column : int {
        kStatus, kCallId, kChannel, kDate, kBegin, kDuration, kTransfer, kEffect, kVolume, kBalance, kAudioPath,
        kColumnCount
    };

    // owner: the window that hosts the list (kept, not used). uicEnabled: the module setting
    // that adds the filter submenu to the popup.
    CMyListCtrl_PlayList(zem::HWND owner, MyFMODEngine& engine, bool uicEnabled);
    // Destroys the popup menu and a window still standing; destroying the window leaves the
    // object alive.
    virtual ~CMyListCtrl_PlayList();
    CMyListCtrl_PlayList(const CMyListCtrl_PlayList&) = delete;
    CMyListCtrl_PlayList& operator=(const CMyListCtrl_PlayList&) = delete;

    // The list view window; its creation builds the columns and rows. False on failure.
    bool Create(uint32_t style, const zem::RECT& rect, zem::HWND parent, uintptr_t id);
    zem::HWND GetSafeHwnd() const { return hwnd_; }
    zem::HWND GetOwner() const { return owner_; }

    // Check boxes, full-row select, white on black, the eleven columns; then Refill.
    void InitColumns();
    // All rows anew, from the engine's queue in order.
    void Refill();
    // A file notification (the engine's file codes; 0 fills the whole row). A file without a
    // row gets one, filled completely; a handle the engine does not know is ignored.
    void UpdateItem(FileHandle handle, int code);

protected:
    // One command to the engine's command handler.
    virtual void RunCommand(uint32_t id, FileHandle file);

private:
    zem::LRESULT WindowProc(zem::HWND hwnd, zem::UINT message, zem::WPARAM wParam, zem::LPARAM lParam);
    zem::LRESULT OnItemChanging(const zem::NMLISTVIEW& change);
    void OnRButtonDown(zem::POINT point);
    // False when the command is not the engine's (base handling).
    bool OnCmdMsg(uint32_t id, int notifyCode);
    zem::HMENU BuildPopup();
    void SetText(int item, Column column, const std::string& text);

    zem::HWND owner_;
    MyFMODEngine& engine_;
    const bool uicEnabled_;
    zem::HWND hwnd_ = nullptr;
    zem::HMENU popup_ = nullptr;
};
