// CPlayListCtrl: the PlayList control. A frame with the list of the engine's queued recordings
// above a thin status strip; it keeps the frame sized to the control, hands the engine's file
// notifications to the list and offers one scripting method, AddFile. What the list shows and
// does is the list's own (CMyListCtrl_PlayList).
#pragma once

#include "zemWave/mylistctrl_playlist.h"
#include "zemWave/zemwaveolecontrol.h"

#include "com/classfactory.h"

#include <memory>

class CPlayListCtrl : public CZemWaveOleControl {
public:
    // The class factory's create function.
    static zem::HRESULT Create(zem::ModuleUsage* usage, zem::REFIID iid, void** object);

    explicit CPlayListCtrl(zem::ModuleUsage* usage);

protected:
    ~CPlayListCtrl() override;

    zem::HRESULT Call(const zem::MemberCall& call, zem::VARIANT* result) override;
    std::vector<zem::CLSID> PropertyPages() const override;

    int OnCreate() override;
    void OnSize(int cx, int cy) override;
    zem::LRESULT WindowProc(zem::UINT message, zem::WPARAM wParam, zem::LPARAM lParam) override;

private:
    void OnDraw();
    void OnFileUpdate(FileHandle file, int code);

    // The frame deletes itself with its window, so it is looked up by handle, never kept.
    zem::HWND frameWindow_ = nullptr;
    std::unique_ptr<CMyListCtrl_PlayList> list_;
};
