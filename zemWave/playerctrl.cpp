#include "zemWave/playerctrl.h"

#include "zemWave/modulemenus.h"
#include "zemWave/typelibrary.h"

#include "KelFrame/kelbitmaps.h"
#include "KelFrame/kelfe_button.h"
#include "KelFrame/kelfe_slider.h"
#include "KelFrame/kelfe_textdisplay.h"
#include "KelFrame/kelfe_wndcontainer.h"
#include "base/trace.h"
#include "com/classfactory.h"
#include "ui/controls.h"
#include "ui/input.h"
#include "ui/menu.h"
#include "ui/window.h"

#include <algorithm>
#include <array>
#include <exception>
#include <optional>

namespace {

using namespace zem;

constexpr COLORREF kGrey = 0x808080;
constexpr COLORREF kLightGrey = 0xc0c0c0;
constexpr COLORREF kDarkGrey = 0x5c5c5c;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xffffff;
constexpr COLORREF kYellow = 0x00ffff;
constexpr COLORREF kVolumeGreen = 0x00974b;
constexpr COLORREF kSpeedBack = 0x00caca;
constexpr COLORREF kBalanceBack = 0xb76c6c;

constexpr uint32_t kFill = KFC_HFILL | KFC_VFILL;
constexpr UINT kBottomRight = DT_SINGLELINE | DT_BOTTOM | DT_RIGHT;
constexpr UINT kTopLeft = DT_SINGLELINE | DT_TOP | DT_LEFT;
constexpr UINT kCentredLine = DT_SINGLELINE | DT_VCENTER;
constexpr uint32_t kPushLikeCheck = BS_PUSHLIKE | BS_CHECKBOX;
constexpr UINT kFrameEdge = 9;    // raised outer, sunken inner
constexpr UINT kFrameSides = 15;  // all four
constexpr int kSmallPoints = 7;
constexpr int kPoints = 8;
constexpr uintptr_t kSliderOverlayCommand = ID_KFE_OVERLAY;
constexpr uint32_t kLastEffectCommand = kCmdFirstEffect + 10;
constexpr UINT kActivateUiMessage = WM_USER + 0x50;

const char* const kFrame1Container = "WndContainer_Frame1";
const char* const kFrame2Container = "WndContainer_Frame2";
const char* const kFrame3Container = "WndContainer_Frame3";
// The filter pair's check box and name, by place.
const char* const kEffectElements[2][2] = {{"CheckEffect0", "DisplayEffect0"}, {"CheckEffect1", "DisplayEffect1"}};

struct Border {
    int l, t, r, b;
    COLORREF color;
    UINT edge = 0;
    UINT sides = 0;
    int mode = -1;
};

// What every element gets before it joins its frame.
void Prepare(CKelFrameElement& element, const char* cell, const char* name, HWND linked, COLORREF back,
             const std::optional<Border>& outer, bool menuOff)
{
    element.SetCell(cell);
    element.SetName(name);
    if (linked)
        element.AddLinkedWindow(linked);
    element.SetBkColor(back);
    if (outer)
        element.SetBorderOuter(outer->l, outer->t, outer->r, outer->b, outer->color, outer->edge, outer->sides,
                               outer->mode);
    if (menuOff)
        element.EnableContextMenu(0);
}

struct TextSpec {
    const char* cell;
    const char* name;
    const char* text;
    COLORREF back;
    COLORREF fore;
    int points;
    UINT format;
    std::optional<Border> outer;
    bool menuOff = true;
    bool hidden = false;
};

CKelFE_TextDisplay* AddText(CKelFrame* frame, const TextSpec& spec)
{
    auto* display = new CKelFE_TextDisplay(frame);
    Prepare(*display, spec.cell, spec.name, nullptr, spec.back, spec.outer, spec.menuOff);
    display->SetForeColor(spec.fore);
    if (spec.hidden)
        display->SetVisible(0);
    if (!frame->Adopt(display))
        return nullptr;
    display->SetFontSize(spec.points);
    display->SetFormat(spec.format);
    display->SetText(spec.text);
    return display;
}

struct ButtonSpec {
    const char* cell;
    const char* name;
    uint32_t style;
    std::array<uint32_t, 4> bitmaps;
    std::optional<Border> outer;
    uint32_t command;
    COLORREF back;
    bool hidden = false;
};

CKelFE_Button* AddButton(CKelFrame* frame, HWND linked, const ButtonSpec& spec)
{
    auto* button = new CKelFE_Button(frame);
    Prepare(*button, spec.cell, spec.name, linked, spec.back, spec.outer, true);
    button->SetButtonStyle(spec.style);
    if (spec.bitmaps[0])
        button->SetBitmaps(spec.bitmaps[0], spec.bitmaps[1], spec.bitmaps[2], spec.bitmaps[3]);
    button->SetCommandId(spec.command);
    if (spec.hidden)
        button->SetVisible(0);
    return frame->Adopt(button);
}

struct SliderSpec {
    const char* cell;
    const char* name;
    COLORREF back;
    COLORREF frameBack;
    uint32_t thumbBitmap;
    int32_t minimum;
    int32_t maximum;
};

CKelFE_Slider* AddSlider(CKelFrame* frame, HWND linked, const SliderSpec& spec)
{
    auto* slider = new CKelFE_Slider(frame, KFS_THUMB_BITMAP);
    Prepare(*slider, spec.cell, spec.name, linked, spec.back, Border{2, 4, 0, 2, spec.frameBack}, false);
    slider->SetForeColor(kWhite);
    slider->SetBorderInner(1, 0, 1, 1, kLightGrey, 0, 0, -1);
    slider->SetThumbBitmap(spec.thumbBitmap);
    slider->SetThumbSize(32, 16);
    slider->SetThumbColor(kYellow);
    slider->SetRange(spec.minimum, spec.maximum);
    slider->SetStep(1);
    return frame->Adopt(slider);
}

void SetUpFrame(CKelFrame* frame, const char* name, COLORREF back, const std::vector<double>& columns,
                const std::vector<double>& rows)
{
    frame->SetName(name);
    frame->SetBkColor(back);
    frame->SetGridSize(static_cast<int>(columns.size()), static_cast<int>(rows.size()));
    for (size_t i = 0; i < columns.size(); ++i)
        frame->SetColumnWidth(static_cast<int>(i), columns[i]);
    for (size_t i = 0; i < rows.size(); ++i)
        frame->SetRowHeight(static_cast<int>(i), rows[i]);
}

bool IsSelfOrDescendant(HWND window, HWND ancestor)
{
    for (HWND w = window; w; w = GetParent(w)) {
        if (w == ancestor)
            return true;
    }
    return false;
}

}  // namespace

HRESULT CPlayerCtrl::Create(ModuleUsage* usage, REFIID iid, void** object)
{
    return HandOver(static_cast<IOleObject*>(new CPlayerCtrl(usage)), iid, object);
}

CPlayerCtrl::CPlayerCtrl(ModuleUsage* usage)
    : CZemWaveOleControl(zemwave::PlayerInterface(), zemwave::kControlMiscStatus, usage, ControlKind::Player)
{
}

CPlayerCtrl::~CPlayerCtrl()
{
    // While this object is whole: the window's last messages still reach WindowProc here.
    DestroyControlWindow();
}

CKelFrame* CPlayerCtrl::MainFrame() const
{
    return mainFrameWindow_ ? CKelFrame::FromHandle(mainFrameWindow_) : nullptr;
}

std::vector<CLSID> CPlayerCtrl::PropertyPages() const
{
    return {zemwave::ModuleClassOf(zemwave::ClassId::PlayerPropPage).registration.clsid};
}

// --- Layout ---

int CPlayerCtrl::OnCreate()
{
    // UI activation needs the window the host is still being given: it follows right after.
    PostMessage(GetSafeHwnd(), kActivateUiMessage, 0, 0);
    if (MainFrame())
        return 0;
    RegisterKelBitmaps();
    RegisterModuleMenus();
    BuildLayout();
    return 0;
}

void CPlayerCtrl::BuildLayout()
{
    const HWND self = GetSafeHwnd();
    RECT client{};
    GetClientRect(self, &client);
    auto* main = new CKelFrame;
    if (!main->Create(self, client, 1, WS_CHILD)) {
        delete main;
        return;
    }
    mainFrameWindow_ = main->GetSafeHwnd();
    SetUpFrame(main, "MainFrame", kGrey, {5, 210, 5, 220, 5, 220, -100}, {-100});
    main->SetBorderInner(5, 5, 5, 5, kGrey, 0, 0, -1);

    AddNestedFrame("c1r0", kFrame1Container, "Frame1", true, &CPlayerCtrl::BuildFrame1);
    AddNestedFrame("c3r0", kFrame2Container, "Frame2", false, &CPlayerCtrl::BuildFrame2);
    AddNestedFrame("c5r0", kFrame3Container, "Frame3", false, &CPlayerCtrl::BuildFrame3);
    ShowFrame3ByMarks();
    AddText(main, {"c6r0", "Version_Info", kVersionText, kGrey, kLightGrey, kSmallPoints, kBottomRight,
                   Border{1, 1, 5, 1, kGrey}, false});
    main->ShowLayout();
    ShowFrame3ByMarks();
}

void CPlayerCtrl::AddNestedFrame(const char* cell, const char* containerName, const char* frameName,
                                                 bool menuOff, void (CPlayerCtrl::*build)(CKelFrame*))
{
    CKelFrame* main = MainFrame();
    auto* container = new CKelFE_WndContainer(main);
    container->SetCell(cell);
    container->SetName(containerName);
    if (menuOff)
        container->EnableContextMenu(0);
    if (!main->Adopt(container))
        return;
    RECT inner{};
    GetClientRect(container->GetSafeHwnd(), &inner);
    auto* frame = new CKelFrame;
    if (!frame->Create(container->GetSafeHwnd(), inner)) {
        delete frame;
        return;
    }
    SetUpFrame(frame, frameName, kGrey, {}, {});
    (this->*build)(frame);
    frame->ShowLayout();
    container->Attach(frame->GetSafeHwnd(), kFill);
}

void CPlayerCtrl::BuildFrame1(CKelFrame* frame)
{
    SetUpFrame(frame, "Frame1", kGrey, {-50, 34, 34, 34, 34, 34, 34, -50}, {-50, 15, 25, 25, -50});
    AddText(frame, {"c1r0-c6r0", "KFEDisplay", "", kGrey, kWhite, kPoints, kBottomRight, Border{2, 1, 1, 0, kGrey}});
    const Border top{0, 1, 0, 0, kGrey};
    const ButtonSpec buttons[] = {
        {"c1r1-c2r2", "KFEButton_TogglePlayPause", kPushLikeCheck, {IDB_PLAY, IDB_PAUSE, IDB_PLAY, 0}, top,
         kCmdStartPause, kGrey},
        {"c3r1-c4r2", "KFEButton_Stop", CKelFE_Button::kDefaultStyle, {IDB_STOP}, top, kCmdStop, kGrey},
        {"c5r1-c6r2", "KFEButton_SetIndex", CKelFE_Button::kDefaultStyle, {IDB_SETINDEX}, top, kCmdIndexSet, kGrey},
        {"c1r3", "KFEButton_Rewind", CKelFE_Button::kDefaultStyle, {IDB_REWIND}, {}, kCmdBack, kGrey},
        {"c2r3", "KFEButton_Forward", CKelFE_Button::kDefaultStyle, {IDB_FORWARD}, {}, kCmdForward, kGrey},
        {"c3r3", "KFEButton_PrevFile", CKelFE_Button::kDefaultStyle, {IDB_PREVFILE}, {}, kCmdPreviousRecording, kGrey},
        {"c4r3", "KFEButton_NextFile", CKelFE_Button::kDefaultStyle, {IDB_NEXTFILE}, {}, kCmdNextRecording, kGrey},
        {"c5r3", "KFEButton_PrevIndex", CKelFE_Button::kDefaultStyle, {IDB_PREVINDEX}, {}, kCmdPreviousIndex, kGrey},
        {"c6r3", "KFEButton_NextIndex", CKelFE_Button::kDefaultStyle, {IDB_NEXTINDEX}, {}, kCmdNextIndex, kGrey},
    };
    for (const ButtonSpec& spec : buttons)
        AddButton(frame, GetSafeHwnd(), spec);
}

void CPlayerCtrl::BuildFrame2(CKelFrame* frame)
{
    SetUpFrame(frame, "Frame2", kBlack, {20, -50, 20, -50}, {-100, 20, 20, 20});
    frame->SetBorderInner(10, 2, 10, 2, kBlack, kFrameEdge, kFrameSides, 2);
    const HWND self = GetSafeHwnd();
    MyFMODEngine* engine = Engine();
    AddText(frame, {"c0r0-c3r0", "Display", "Allgemein:", kBlack, kYellow, kPoints, kTopLeft, Border{2, 1, 1, 0, kBlack}});
    if (CKelFE_Slider* volume = AddSlider(frame, self, {"c0r1-c3r1", "SliderVolume", kVolumeGreen, kBlack, IDB_THUMB_VOLUME, 0, 255});
        volume && engine)
        volume->SetValue(static_cast<int32_t>(engine->GetVolume()), KFE_DRAG);
    AddSlider(frame, self, {"c0r2-c3r2", "SliderSpeed", kSpeedBack, kBlack, IDB_THUMB_SPEED, 33, 300});
    if (CKelFE_Button* loop = AddButton(frame, self, {"c0r3", "CheckIndexLoop", BS_CHECKBOX, {}, Border{2, 0, 0, 0, kBlack},
                                                      kCmdIndexLoop, kBlack});
        loop && engine)
        loop->SetCheck(engine->GetIndexLoop() ? 1 : 0);
    AddText(frame, {"c1r3", "", "Loop", kBlack, kWhite, kPoints, kCentredLine, {}});
    if (CKelFE_Button* skip = AddButton(frame, self, {"c2r3", "CheckSkipSilence", BS_CHECKBOX, {}, {}, kCmdSkipSilence, kBlack});
        skip && engine)
        skip->SetCheck(engine->GetSkipSilence() ? 1 : 0);
    AddText(frame, {"c3r3", "KFEDisplay_Check", "SkipSilence", kBlack, kWhite, kPoints, kCentredLine, {}});
}

void CPlayerCtrl::BuildFrame3(CKelFrame* frame)
{
    SetUpFrame(frame, "Frame3", kDarkGrey, {38, 20, -50, 20, -50}, {-100, 20, 20, 20});
    frame->SetBorderInner(10, 2, 10, 2, kDarkGrey, kFrameEdge, kFrameSides, 2);
    const HWND self = GetSafeHwnd();
    AddText(frame, {"c0r0-c4r0", "KFEDisplay", "Markierter Bereich:", kDarkGrey, kYellow, kPoints, kTopLeft,
                    Border{2, 1, 1, 0, kDarkGrey}});
    AddSlider(frame, self, {"c0r1-c4r1", "SliderVolume", kVolumeGreen, kDarkGrey, IDB_THUMB_VOLUME, 0, 255});
    AddSlider(frame, self, {"c0r2-c4r2", "SliderBalance", kBalanceBack, kDarkGrey, IDB_THUMB_BALANCE, 0, 255});
    MyFMODEngine* engine = Engine();
    if (!engine || !App() || !App()->UICEnabled)
        return;
    AddText(frame, {"c0r3", "KFEDisplay", "Filter:", kDarkGrey, kYellow, kPoints, kTopLeft, Border{2, 2, 1, 0, kDarkGrey}});
    const char* const cells[2][2] = {{"c1r3", "c2r3"}, {"c3r3", "c4r3"}};
    for (int slot = 0; slot < 2; ++slot) {
        const std::optional<_FMODEffect> effect = engine->GetEffect(slot);
        if (!effect || effect->name.empty())
            continue;
        AddButton(frame, self, {cells[slot][0], kEffectElements[slot][0], BS_CHECKBOX, {}, {}, kCmdFirstEffect + slot, kDarkGrey, true});
        AddText(frame, {cells[slot][1], kEffectElements[slot][1], effect->name.c_str(), kDarkGrey, kWhite, kPoints, kCentredLine, {},
                        true, true});
    }
}

CKelFrame* CPlayerCtrl::NestedFrame(const char* containerName) const
{
    CKelFrame* main = MainFrame();
    auto* container = main ? dynamic_cast<CKelFE_WndContainer*>(main->FindElementByName(containerName)) : nullptr;
    return container ? CKelFrame::FromHandle(container->GetWnd()) : nullptr;
}

void CPlayerCtrl::ShowFrame3ByMarks()
{
    CKelFrame* main = MainFrame();
    MyFMODEngine* engine = Engine();
    if (CKelFrameElement* container = main ? main->FindElementByName(kFrame3Container) : nullptr)
        container->SetVisible(engine && engine->GetMarkedCount() > 0 ? 1 : 0);
}

// --- Messages ---

LRESULT CPlayerCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case ControlNotifier::WM_FMODENGINE_UPDATE:
        OnUpdateFMODEngine(static_cast<int>(wParam));
        return 0;
    case ControlNotifier::WM_FMODFILE_UPDATE:
        OnUpdateFMODFile(static_cast<int>(wParam), static_cast<uint32_t>(lParam));
        return 0;
    case KFE_NOTIFY:
        OnKFENotify(static_cast<int>(wParam), lParam);
        return 0;
    case WM_COMMAND:
        OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown(lParam);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case kActivateUiMessage:
        DoVerb(OLEIVERB_UIACTIVATE, nullptr, nullptr, nullptr, nullptr);
        return 0;
    case WM_NCDESTROY:
        mainFrameWindow_ = nullptr;
        return 0;
    default:
        return CZemWaveOleControl::WindowProc(message, wParam, lParam);
    }
}

void CPlayerCtrl::OnSize(int cx, int cy)
{
    if (CKelFrame* main = MainFrame())
        MoveWindow(main->GetSafeHwnd(), 0, 0, cx, cy, true);
}

// The control paints nothing itself; the main frame, created hidden, shows with the first paint.
void CPlayerCtrl::OnPaint()
{
    PAINTSTRUCT paint;
    BeginPaint(GetSafeHwnd(), &paint);
    EndPaint(GetSafeHwnd(), &paint);
    if (CKelFrame* main = MainFrame(); main && !IsWindowVisible(main->GetSafeHwnd())) {
        InvalidateRect(main->GetSafeHwnd(), nullptr, true);
        ShowWindow(main->GetSafeHwnd(), SW_SHOWNORMAL);
    }
}

void CPlayerCtrl::OnUpdateFMODEngine(int code)
{
    MyFMODEngine* engine = Engine();
    if (!engine || !MainFrame())
        return;
    switch (code) {
    case _FMODEngine::kEngineVolume:
        if (auto* slider = Find<CKelFE_Slider>(kFrame2Container, "SliderVolume"))
            slider->SetValue(static_cast<int32_t>(engine->GetVolume()), KFE_DRAG);
        break;
    case _FMODEngine::kEngineSpeed:
        // A speed that is a whole percent shows as that percent despite binary rounding.
        if (auto* slider = Find<CKelFE_Slider>(kFrame2Container, "SliderSpeed"))
            slider->SetValue(static_cast<int32_t>(engine->GetSpeed() * 100 + 1e-6), KFE_DRAG);
        break;
    case _FMODEngine::kEngineIndexLoop:
        if (auto* check = Find<CKelFE_Button>(kFrame2Container, "CheckIndexLoop"))
            check->SetCheck(engine->GetIndexLoop() ? 1 : 0);
        break;
    case _FMODEngine::kEngineSkipSilence:
        if (auto* check = Find<CKelFE_Button>(kFrame2Container, "CheckSkipSilence"))
            check->SetCheck(engine->GetSkipSilence() ? 1 : 0);
        break;
    default:
        break;
    }
}

void CPlayerCtrl::OnUpdateFMODFile(int code, uint32_t file)
{
    MyFMODEngine* engine = Engine();
    CKelFrame* main = MainFrame();
    CKelFrameElement* container = main ? main->FindElementByName(kFrame3Container) : nullptr;
    CKelFrame* frame3 = NestedFrame(kFrame3Container);
    if (!engine || !container || !frame3)
        return;
    const bool marked = code == _FMODEngine::kFileMarked;
    if (marked) {
        std::vector<_FMODFile*> files;
        engine->GetMarkedFiles(files);
        if (App() && App()->UICEnabled && !files.empty())
            UpdateEffectPair(frame3, FilterPairsOfGroup(engine->GetFileGroup(files.front()->GetHandle())));
        container->SetVisible(files.empty() ? 0 : 1);
    }
    if (marked || code == _FMODEngine::kFileVolume) {
        auto* slider = dynamic_cast<CKelFE_Slider*>(frame3->FindElementByName("SliderVolume"));
        if (!slider)
            return;
        slider->SetValue(static_cast<int32_t>(engine->GetFileVolume(file)), KFE_DRAG);
    }
    if (marked || code == _FMODEngine::kFileBalance) {
        auto* slider = dynamic_cast<CKelFE_Slider*>(frame3->FindElementByName("SliderBalance"));
        if (!slider)
            return;
        slider->SetValue(static_cast<int32_t>(engine->GetFileBalance(file)), KFE_DRAG);
    }
    if (marked || code == _FMODEngine::kFileEffect) {
        auto* check0 = dynamic_cast<CKelFE_Button*>(frame3->FindElementByName("CheckEffect0"));
        auto* check1 = dynamic_cast<CKelFE_Button*>(frame3->FindElementByName("CheckEffect1"));
        if (!check0 || !check1)
            return;
        // An unknown handle has no effect: both unchecked.
        const _FMODFile* target = engine->FindFile(file);
        const int slot = target ? target->GetEffect() : -1;
        check0->SetCheck(slot == 0 || slot == 2 ? 1 : 0);
        check1->SetCheck(slot == 1 || slot == 3 ? 1 : 0);
    }
}

// The filter pair that fits the first marked recording's group; a group that fits both ends
// with the control centre's pair.
void CPlayerCtrl::UpdateEffectPair(CKelFrame* frame3, const FilterPairs& pairs)
{
    CKelFrameElement* elements[2][2];
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            elements[i][j] = frame3->FindElementByName(kEffectElements[i][j]);
            if (elements[i][j])
                elements[i][j]->SetVisible(0);
        }
    }
    if (!elements[0][0] || !elements[0][1])
        return;
    MyFMODEngine* engine = Engine();
    // False when a slot or element is missing: the filter part ends there.
    const auto showPair = [&](int firstSlot) {
        for (int i = 0; i < 2; ++i) {
            const std::optional<_FMODEffect> effect = engine->GetEffect(firstSlot + i);
            auto* check = dynamic_cast<CKelFE_Button*>(elements[i][0]);
            auto* display = dynamic_cast<CKelFE_TextDisplay*>(elements[i][1]);
            if (!effect || effect->name.empty() || !check || !display)
                return false;
            check->SetCommandId(kCmdFirstEffect + static_cast<uint32_t>(firstSlot + i));
            display->SetText(effect->name);
            check->SetVisible(1);
            display->SetVisible(1);
        }
        return true;
    };
    if (pairs.line && !showPair(kLineFilterSlot))
        return;
    if (pairs.centre)
        showPair(kCentreFilterSlot);
}

void CPlayerCtrl::OnKFENotify(int code, LPARAM element)
{
    MyFMODEngine* engine = Engine();
    CKelFrame* main = MainFrame();
    if (!engine || !main || !IsWindow(main->GetSafeHwnd()))
        return;
    if (code != KFE_RELEASE && code != KFE_DBLCLICK)
        return;
    // The element is matched against the sliders the control knows, never dereferenced first:
    // lParam may be anything.
    const struct {
        const char* container;
        const char* name;
        uint32_t command;
        uint32_t doubleClickValue;
    } sliders[] = {
        {kFrame2Container, "SliderVolume", kCmdSetVolume, 128},
        {kFrame2Container, "SliderSpeed", kCmdSetSpeed, 100},
        {kFrame3Container, "SliderVolume", kCmdSelectedSetVolume, 128},
        {kFrame3Container, "SliderBalance", kCmdSelectedSetBalance, 128},
    };
    for (const auto& s : sliders) {
        auto* slider = Find<CKelFE_Slider>(s.container, s.name);
        if (!slider || reinterpret_cast<LPARAM>(static_cast<CKelFrameElement*>(slider)) != element)
            continue;
        const uint32_t argument =
            code == KFE_RELEASE ? static_cast<uint32_t>(std::max(slider->GetValue(), 0)) : s.doubleClickValue;
        engine->CommandHandler(s.command, argument, false);
        return;
    }
}

bool CPlayerCtrl::OnCmdMsg(uintptr_t id, int notifyCode)
{
    MyFMODEngine* engine = Engine();
    if (notifyCode != 0 || id == kSliderOverlayCommand || !engine)
        return false;
    try {
        if (id >= kCmdNoEffect && id <= kLastEffectCommand) {
            std::vector<_FMODFile*> marked;
            engine->GetMarkedFiles(marked);
            std::vector<FileHandle> handles;
            for (const _FMODFile* file : marked)
                handles.push_back(file->GetHandle());
            // Choosing the filter that is already set switches it off.
            uint32_t command = static_cast<uint32_t>(id);
            if (!marked.empty() && marked.front()->GetEffect() >= 0 &&
                command == kCmdFirstEffect + static_cast<uint32_t>(marked.front()->GetEffect()))
                command = kCmdNoEffect;
            for (FileHandle handle : handles)
                engine->CommandHandler(command, handle, false);
            return true;
        }
        engine->CommandHandler(static_cast<uint32_t>(id), 0, false);
    } catch (const std::exception& e) {
        Trace("CPlayerCtrl: command %u failed: %s", static_cast<unsigned>(id), e.what());
    } catch (...) {
        Trace("CPlayerCtrl: command %u failed", static_cast<unsigned>(id));
    }
    return true;
}

// Over the "set index" button the index menu; anywhere else nothing.
void CPlayerCtrl::OnRButtonDown(LPARAM point)
{
    CKelFrame* main = MainFrame();
    MyFMODEngine* engine = Engine();
    if (!main || !engine)
        return;
    POINT p{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    ClientToScreen(GetSafeHwnd(), &p);
    auto* container = dynamic_cast<CKelFE_WndContainer*>(main->ElementFromPoint(p.x, p.y));
    CKelFrame* hosted = container ? CKelFrame::FromHandle(container->GetWnd()) : nullptr;
    CKelFrameElement* element = hosted ? hosted->ElementFromPoint(p.x, p.y) : nullptr;
    if (!element || element->GetName() != "KFEButton_SetIndex")
        return;
    const HMENU menu = LoadMenu(kIndexMenuId);
    if (!menu)
        return;
    CheckMenuItem(menu, kCmdIndexBeep, MF_BYCOMMAND | (engine->GetIndexBeep() ? MF_CHECKED : 0));
    CheckMenuItem(menu, kCmdIndexLoop, MF_BYCOMMAND | (engine->GetIndexLoop() ? MF_CHECKED : 0));
    // The choice comes back as WM_COMMAND and takes the command route.
    TrackPopupMenu(menu, 0, p.x, p.y, GetSafeHwnd());
    DestroyMenu(menu);
}

HRESULT CPlayerCtrl::OnAccelerator(const MSG& message)
{
    if (message.message != WM_KEYDOWN && message.message != WM_KEYUP)
        return S_FALSE;
    if (message.wParam < static_cast<WPARAM>(VK_END) || message.wParam > static_cast<WPARAM>(VK_DOWN))
        return S_FALSE;
    // Only a focus inside this control takes the key; otherwise the host keeps it.
    const HWND focus = GetFocus();
    if (!focus || !GetSafeHwnd() || !IsSelfOrDescendant(focus, GetSafeHwnd()))
        return S_FALSE;
    SendMessage(focus, message.message, message.wParam, message.lParam);
    return S_OK;
}

// --- _DPlayer ---

HRESULT CPlayerCtrl::Call(const MemberCall& call, VARIANT* result)
{
    MyFMODEngine* engine = Engine();
    if (!engine)
        return E_UNEXPECTED;
    const std::vector<VARIANT>& args = call.args;
    const auto command = [engine](uint32_t id, uint32_t argument = 0) { engine->CommandHandler(id, argument, false); };
    switch (call.member.id) {
    case 1:  // Balance
    case 2:  // Volume: kept by the engine per recording and as the master volume, not here
        if (call.put)
            SetModifiedFlag();
        else
            *result = VARIANT::I2(0);
        return S_OK;
    case 3:  // IndexBeep
        if (!call.put) {
            *result = VARIANT::Bool(engine->GetIndexBeep() != 0);
            return S_OK;
        }
        return PutToggle(kCmdIndexBeep, args[0].boolVal != 0, engine->GetIndexBeep() != 0);
    case 4:  // IndexLoop
        if (!call.put) {
            *result = VARIANT::Bool(engine->GetIndexLoop());
            return S_OK;
        }
        return PutToggle(kCmdIndexLoop, args[0].boolVal != 0, engine->GetIndexLoop());
    case 6:  // AddFile
        *result = VARIANT::I4(static_cast<int32_t>(engine->AddFile(args[0].bstrVal)));
        return S_OK;
    case 7:
        command(kCmdPlay);
        return S_OK;
    case 8:
        command(kCmdPause);
        return S_OK;
    case 9:   // Forward
    case 10:  // Rewind
        if (args[0].lVal < 0)
            return E_INVALIDARG;
        command(call.member.id == 9 ? kCmdForward : kCmdBack, static_cast<uint32_t>(args[0].lVal));
        return S_OK;
    case 11:
        command(kCmdNextIndex);
        return S_OK;
    case 12:
        command(kCmdPreviousIndex);
        return S_OK;
    case 13:
        *result = VARIANT::Bool(SetFileEnabled(static_cast<uint32_t>(args[0].lVal), args[1].iVal));
        return S_OK;
    case 14:  // GetHandle
        *result = VARIANT::I4(static_cast<int32_t>(ControlId()));
        return S_OK;
    case 15:  // NextFile
    case 16:  // PrevFile
        return S_OK;
    case 17:
        engine->SetFileInfo(static_cast<uint32_t>(args[0].lVal), args[1].bstrVal);
        return S_OK;
    case 18:
        command(kCmdStop);
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

// The engine's command toggles; sent only when the flag is not already what was asked for.
HRESULT CPlayerCtrl::PutToggle(uint32_t command, bool wanted, bool current)
{
    if (wanted != current)
        Engine()->CommandHandler(command, wanted ? 1 : 0, false);
    SetModifiedFlag();
    return S_OK;
}

// Handle 0 means every recording; an unknown one changes nothing.
bool CPlayerCtrl::SetFileEnabled(uint32_t file, int16_t enabled)
{
    MyFMODEngine* engine = Engine();
    if (file != 0 && !engine->FindFile(file))
        return false;
    engine->SetFileEnabled(file, enabled != 0, true);
    return true;
}
