// CPlayerCtrl: the transport and settings panel ("ZEMWAVE.PlayerCtrl.1"). It keeps no playback
// state: its grid of buttons and sliders shows the shared engine's values as the engine
// reports them, and every user action becomes one call of the engine's command handler. Its
// scripting interface is _DPlayer.
#pragma once

#include "zemWave/filterpairs.h"
#include "zemWave/zemwaveolecontrol.h"

#include "KelFrame/kelframe.h"
#include "KelFrame/kelframeelement.h"

#include <string>

class CPlayerCtrl : public CZemWaveOleControl {
public:
    static constexpr const char* kVersionText = "v3.7.0.5";

    // The module's factory function.
    static zem::HRESULT Create(zem::ModuleUsage* usage, zem::REFIID iid, void** object);

    explicit CPlayerCtrl(zem::ModuleUsage* usage = nullptr);

    // The layout's root; null before the window exists and after it is gone.
    zem::CKelFrame* MainFrame() const;
    // The frame hosted by the named container of the main frame; null when either is missing.
    zem::CKelFrame* NestedFrame(const char* containerName) const;
    // An element of that frame by name, of that kind; null when missing or of another kind.
    template <class Element>
    Element* Find(const char* containerName, const char* name) const
    {
        zem::CKelFrame* frame = NestedFrame(containerName);
        return frame ? dynamic_cast<Element*>(frame->FindElementByName(name)) : nullptr;
    }

protected:
    ~CPlayerCtrl() override;

    zem::HRESULT Call(const zem::MemberCall& call, zem::VARIANT* result) override;
    zem::HRESULT OnAccelerator(const zem::MSG& message) override;
    std::vector<zem::CLSID> PropertyPages() const override;

    int OnCreate() override;
    void OnSize(int cx, int cy) override;
    zem::LRESULT WindowProc(zem::UINT message, zem::WPARAM wParam, zem::LPARAM lParam) override;

private:
    void BuildLayout();
    void BuildFrame1(zem::CKelFrame* frame);
    void BuildFrame2(zem::CKelFrame* frame);
    void BuildFrame3(zem::CKelFrame* frame);
    // A nested frame in a new container of the main frame, laid out by build.
    void AddNestedFrame(const char* cell, const char* containerName, const char* frameName, bool menuOff,
                        void (CPlayerCtrl::*build)(zem::CKelFrame*));
    void ShowFrame3ByMarks();

    void OnUpdateFMODEngine(int code);
    void OnUpdateFMODFile(int code, uint32_t file);
    void OnKFENotify(int code, zem::LPARAM element);
    // True when the command was handled.
    bool OnCmdMsg(uintptr_t id, int notifyCode);
    void OnRButtonDown(zem::LPARAM point);
    void OnPaint();
    void UpdateEffectPair(zem::CKelFrame* frame3, const FilterPairs& pairs);


    // _DPlayer
    zem::HRESULT PutToggle(uint32_t command, bool wanted, bool current);
    bool SetFileEnabled(uint32_t file, int16_t enabled);

    zem::HWND mainFrameWindow_ = nullptr;
};
