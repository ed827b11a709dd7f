// CPromptCtrl: the Prompt control. It shows the engine's queue as waveform rows on one common
// timeline (one row for the sum, one per recording or one per channel group) with a time
// ruler below and the timeline's date and the position above. It keeps no playback state: it
// redraws from the engine when the engine notifies it and sends every user action to the
// engine's command handler. Everything but construction runs on the control's window thread.
#pragma once

#include "zemWave/promptrows.h"
#include "zemWave/zemwaveolecontrol.h"

#include "KelFrame/kelframe.h"
#include "ui/menu.h"

#include <string>

namespace zem {
class CKelFE_WavePrompt;
class CKelFrameElement;
}  // namespace zem

class CPromptCtrl : public CZemWaveOleControl {
public:
    explicit CPromptCtrl(zem::ModuleUsage* usage);

    // The class factory's create function.
    static zem::HRESULT Create(zem::ModuleUsage* usage, zem::REFIID iid, void** object);

    int GetViewMode() const { return viewMode_; }
    // Null before the window is created.
    zem::CKelFrame* GetMainFrame() const { return frame_; }
    // The frame holding the rows; null when there is none.
    zem::CKelFrame* GetRowsFrame() const;
    // The row showing `file` as its own recording; null when none does.
    zem::CKelFE_WavePrompt* FindRowByFile(FileHandle file) const;

protected:
    zem::HRESULT Call(const zem::MemberCall& call, zem::VARIANT* result) override;
    std::vector<zem::CLSID> PropertyPages() const override;
    int OnCreate() override;
    void OnSize(int cx, int cy) override;
    zem::LRESULT WindowProc(zem::UINT message, zem::WPARAM wParam, zem::LPARAM lParam) override;

private:
    void CreateMainFrame();
    // Destroys the rows and builds them anew for the current view mode.
    void InitPromptFramex();
    // The same, and the whole control repainted.
    void Rebuild();
    // Gives the time ruler the engine's timeline where the rows get it (a rebuild, engine
    // codes 0 and 2): a control made after the files were placed misses the code 2 that
    // placed them. Nothing changes while the ruler already shows that timeline.
    void SetRulerTimeline(const SysTime& start, const SysTime& end);
    void AddRow(zem::CKelFrame* rows, const PromptRow& plan, const SysTime& start, const SysTime& end);
    // The row at grid row `index` of the rows frame, or null.
    zem::CKelFE_WavePrompt* RowAt(int index) const;
    template <class Visit>
    void ForEachRow(Visit visit) const;

    void OnUpdateFMODEngine(int code);
    void OnUpdateFMODFile(int code, FileHandle file);
    void OnKfeNotify(int code, zem::LPARAM element);
    void OnRowNotify(int code, zem::CKelFE_WavePrompt* row);
    // True when the command was the control's or the engine's.
    bool OnCommand(uint32_t id, uint32_t notifyCode);

    static void BuildContextMenu(zem::CKelFrameElement* element, uintptr_t control, int phase, zem::HMENU menu);

    bool GroupFlag() const { return viewMode_ == kChannelView; }
    void ShowMessage(const char* text) const;

    zem::CKelFrame* frame_ = nullptr;  // deletes itself with its window
    int viewMode_ = kChannelView;
    // The row the menu was last opened on, or last double-clicked, or whose flag was clicked.
    std::string currentRowCell_;
};
