#include "zemWave/playlistctrl.h"

#include "zemWave/typelibrary.h"

#include "KelFrame/kelfe_textdisplay.h"
#include "KelFrame/kelfe_wndcontainer.h"
#include "KelFrame/kelframe.h"
#include "base/trace.h"
#include "ui/gdi.h"
#include "ui/listview.h"
#include "ui/window.h"

using namespace zem;

namespace {

constexpr DISPID kAddFile = 1;
constexpr uintptr_t kFrameId = 1;
constexpr uintptr_t kListId = 1;
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr int kStatusHeight = 16;
constexpr UINT kStatusFormat = DT_SINGLELINE | DT_VCENTER;
constexpr int kStatusFontPoints = 7;

}  // namespace

HRESULT CPlayListCtrl::Create(ModuleUsage* usage, REFIID iid, void** object)
{
    return HandOver(static_cast<IOleObject*>(new CPlayListCtrl(usage)), iid, object);
}

CPlayListCtrl::CPlayListCtrl(ModuleUsage* usage)
    : CZemWaveOleControl(zemwave::PlayListInterface(), zemwave::kControlMiscStatus, usage, ControlKind::PlayList)
{
}

CPlayListCtrl::~CPlayListCtrl()
{
    // The frame and the list go with the window, while this object is still whole.
    DestroyControlWindow();
}

HRESULT CPlayListCtrl::Call(const MemberCall& call, VARIANT* result)
{
    if (call.member.id != kAddFile)
        return DISP_E_MEMBERNOTFOUND;
    MyFMODEngine* engine = Engine();
    const FileHandle file = engine ? engine->AddFile(call.args[0].bstrVal) : 0;
    if (result)
        *result = VARIANT::I4(int32_t(file));
    return S_OK;
}

std::vector<CLSID> CPlayListCtrl::PropertyPages() const
{
    return {zemwave::ModuleClassOf(zemwave::ClassId::PlayListPropPage).registration.clsid};
}

int CPlayListCtrl::OnCreate()
{
    if (CZemWaveOleControl::OnCreate() != 0)
        return -1;
    if (frameWindow_)
        return 0;
    MyFMODEngine* engine = Engine();
    RECT client{};
    if (!engine || !GetClientRect(GetSafeHwnd(), &client))
        return -1;

    auto* frame = new CKelFrame;
    if (!frame->Create(GetSafeHwnd(), client, kFrameId)) {
        delete frame;  // no window, so it cannot delete itself
        return -1;
    }
    frameWindow_ = frame->GetSafeHwnd();
    frame->SetName("MainFrame");
    frame->SetBorderOuter(10, 10, 10, 10, kGrey, 0, 0, -1);
    frame->SetBorderInner(2, 2, 2, 2, kGrey, 9, 15, 2);
    frame->SetBkColor(kGrey);
    frame->SetGridSize(1, 2);
    frame->SetColumnWidth(0, -100);
    frame->SetRowHeight(0, -100);
    frame->SetRowHeight(1, kStatusHeight);

    auto* container = new CKelFE_WndContainer(frame);
    container->SetCell("c0r0");
    container->SetName("ListCtrlContainer");
    if (!frame->Adopt(container))
        return -1;
    container->SetBkColor(kGrey);
    container->SetForeColor(RGB(255, 255, 255));

    list_ = std::make_unique<CMyListCtrl_PlayList>(container->GetSafeHwnd(), *engine,
                                                   GetZemWaveApp() && GetZemWaveApp()->UICEnabled != 0);
    if (!list_->Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, container->GetInnerRect(), container->GetSafeHwnd(),
                       kListId))
        return -1;
    container->Attach(list_->GetSafeHwnd(), KFC_HFILL | KFC_VFILL);

    auto* status = new CKelFE_TextDisplay(frame);
    status->SetCell("c0r1");
    status->SetName("ListCtrlStatus");
    status->SetBorderInner(0, 2, 0, 0, kGrey, 9, 2, 2);
    if (!frame->Adopt(status))
        return -1;
    status->SetBkColor(RGB(0, 0, 0));
    status->SetForeColor(RGB(192, 192, 192));
    status->SetFormat(kStatusFormat);
    status->SetFontSize(kStatusFontPoints);

    frame->ShowLayout();
    return 0;
}

void CPlayListCtrl::OnSize(int cx, int cy)
{
    CZemWaveOleControl::OnSize(cx, cy);
    if (IsWindow(frameWindow_))
        MoveWindow(frameWindow_, 0, 0, cx, cy, true);
}

void CPlayListCtrl::OnDraw()
{
    if (!IsWindow(frameWindow_))
        return;
    InvalidateRect(frameWindow_, nullptr, true);
    ShowWindow(frameWindow_, SW_SHOWNORMAL);
}

void CPlayListCtrl::OnFileUpdate(FileHandle file, int code)
{
    const CKelFrame* frame = IsWindow(frameWindow_) ? CKelFrame::FromHandle(frameWindow_) : nullptr;
    const auto* container =
        frame ? dynamic_cast<const CKelFE_WndContainer*>(frame->FindElementByName("ListCtrlContainer")) : nullptr;
    if (!container || !list_ || !container->GetWnd() || container->GetWnd() != list_->GetSafeHwnd())
        return;
    list_->UpdateItem(file, code);
}

LRESULT CPlayListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        switch (message) {
        case ControlNotifier::WM_FMODFILE_UPDATE:
            OnFileUpdate(FileHandle(lParam), int(wParam));
            return 0;
        case ControlNotifier::WM_FMODENGINE_UPDATE:
            return 0;
        case WM_PAINT:
            OnDraw();
            break;
        case WM_NCDESTROY:
            frameWindow_ = nullptr;
            break;
        default: break;
        }
    } catch (...) {
        Trace("CPlayListCtrl: message 0x%X failed", message);
        return 0;
    }
    return CZemWaveOleControl::WindowProc(message, wParam, lParam);
}
