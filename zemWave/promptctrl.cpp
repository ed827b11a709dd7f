#include "zemWave/promptctrl.h"

#include "zemWave/controlnotifier.h"
#include "zemWave/engine/commandids.h"
#include "zemWave/modulemenus.h"
#include "zemWave/promptmenu.h"
#include "zemWave/typelibrary.h"
#include "zemWave/usermessagebox.h"
#include "zemWave/zemwaveapp.h"

#include "KelFrame/kelfe_scaleslider.h"
#include "KelFrame/kelfe_textdisplay.h"
#include "KelFrame/kelfe_waveprompt.h"
#include "KelFrame/kelfe_wndcontainer.h"
#include "KelFrame/kelmessages.h"
#include "base/trace.h"
#include "com/classfactory.h"
#include "ui/input.h"
#include "ui/messagebox.h"
#include "ui/window.h"

#include <strings.h>

using namespace zem;

namespace {

constexpr const char* kMainFrameName = "MainFrame";
constexpr const char* kRowsFrameName = "Frame_ZemPrompts";
constexpr const char* kRowName = "ZemPrompt";
constexpr const char* kTimeInfoName = "TextDisplay_TimeInfo";
constexpr const char* kActPosName = "TextDisplay_ActPos";
constexpr const char* kContainerName = "WndContainer_ZemPrompts";
constexpr const char* kRulerName = "Measure_TimeRuler";
constexpr const char* kContainerCell = "c0r1-c1r1";

constexpr COLORREF kFrameGrey = 0x808080;
constexpr COLORREF kHeaderBlue = 0xFF8000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kYellow = 0x00FFFF;
constexpr uint32_t kFillContainer = KFC_HFILL | KFC_VFILL;
constexpr uint32_t kTopLeft = KFC_LEFT | KFC_TOP;
constexpr int kNoNotify = 0;

bool SameText(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

// The element of that name and kind, or null.
template <class Kind>
Kind* FindIn(const CKelFrame* frame, const char* name)
{
    return frame ? dynamic_cast<Kind*>(frame->FindElementByName(name)) : nullptr;
}

CMarkArray EngineMarks(const _FMODEngine& engine)
{
    std::vector<uint32_t> indices;
    engine.GetIndices(indices);
    CMarkArray marks;
    for (uint32_t ms : indices)
        marks.Add(ms);
    return marks;
}

void SetUpTextDisplay(CKelFrame* frame, const char* cell, const char* name, int borderLeft, int borderRight,
                      COLORREF foreground, UINT format)
{
    auto* text = new CKelFE_TextDisplay(frame);
    text->SetCell(cell);
    text->SetName(name);
    text->SetBorderInner(borderLeft, 0, borderRight, 0, kHeaderBlue, 0, 0, -1);
    if (!frame->Adopt(text))
        return;
    text->SetBkColor(kHeaderBlue);
    text->SetForeColor(foreground);
    text->SetWeight(700);
    text->SetItalic(1);
    text->SetFormat(format);
    text->SetFontSize(9);
}

}  // namespace

CPromptCtrl::CPromptCtrl(ModuleUsage* usage)
    : CZemWaveOleControl(zemwave::PromptInterface(), zemwave::kControlMiscStatus, usage, ControlKind::Prompt)
{
}

HRESULT CPromptCtrl::Create(ModuleUsage* usage, REFIID iid, void** object)
{
    return HandOver(static_cast<IOleObject*>(new CPromptCtrl(usage)), iid, object);
}

// --- Window ---

std::vector<CLSID> CPromptCtrl::PropertyPages() const
{
    return {zemwave::ModuleClassOf(zemwave::ClassId::PromptPropPage).registration.clsid};
}

int CPromptCtrl::OnCreate()
{
    if (!Engine())
        return -1;
    if (frame_)
        return 0;
    RegisterModuleMenus();  // the rows' menu loads them
    CreateMainFrame();
    if (!frame_)
        return -1;
    InitPromptFramex();
    frame_->ShowLayout();
    ShowWindow(frame_->GetSafeHwnd(), SW_SHOWNORMAL);
    return 0;
}

void CPromptCtrl::CreateMainFrame()
{
    RECT client{};
    GetClientRect(GetSafeHwnd(), &client);
    auto* frame = new CKelFrame();
    if (!frame->Create(GetSafeHwnd(), client, 1, WS_CHILD)) {
        delete frame;
        Trace("CPromptCtrl: the main frame was not created");
        return;
    }
    frame_ = frame;
    frame->SetName(kMainFrameName);
    frame->SetBorderOuter(10, 10, 10, 10, kFrameGrey, EDGE_RAISED, BF_RECT, 1);
    frame->SetBkColor(kFrameGrey);
    frame->SetGridSize(2, 3);
    frame->SetColumnWidth(0, -100);
    frame->SetColumnWidth(1, 100);
    frame->SetRowHeight(0, 20);
    frame->SetRowHeight(1, -100);
    frame->SetRowHeight(2, 20);

    SetUpTextDisplay(frame, "c0r0", kTimeInfoName, 5, 0, kWhite, DT_VCENTER | DT_SINGLELINE);
    SetUpTextDisplay(frame, "c1r0", kActPosName, 0, 5, kYellow, DT_VCENTER | DT_SINGLELINE | DT_RIGHT);

    auto* container = new CKelFE_WndContainer(frame);
    container->SetCell(kContainerCell);
    container->SetName(kContainerName);
    if (frame->Adopt(container))
        container->EnableContextMenu(1);

    auto* ruler = new CKelFE_ScaleSlider(frame);
    ruler->SetCell("c0r2-c1r2");
    ruler->SetName(kRulerName);
    ruler->SetBkColor(kHeaderBlue);
    ruler->SetForeColor(kWhite);
    ruler->SetStyle(0);
    ruler->SetThumbSize(2, 12);
    ruler->SetThumbColor(kYellow);
    ruler->EnableMouseInput(0);  // the ruler only shows the position
    ruler->EnableKeyboardInput(1);
    ruler->SetMarkStyle(KFS_MARKS_TOP);
    ruler->SetMarkSize(6, 6);
    const CMarkArray marks = EngineMarks(*Engine());
    ruler->SetMarks(&marks);
    ruler->AddLinkedWindow(GetSafeHwnd());
    frame->Adopt(ruler);
}

void CPromptCtrl::OnSize(int cx, int cy)
{
    if (frame_ && IsWindow(frame_->GetSafeHwnd()))
        MoveWindow(frame_->GetSafeHwnd(), 0, 0, cx, cy, true);
}

LRESULT CPromptCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case KFE_NOTIFY:
        OnKfeNotify(int(wParam), lParam);
        return 0;
    case ControlNotifier::WM_FMODFILE_UPDATE:
        OnUpdateFMODFile(int(wParam), FileHandle(lParam));
        return 0;
    case ControlNotifier::WM_FMODENGINE_UPDATE:
        OnUpdateFMODEngine(int(intptr_t(wParam)));
        return 0;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam)))
            return 0;
        break;
    }
    return CZemWaveOleControl::WindowProc(message, wParam, lParam);
}

// --- Rows ---

CKelFrame* CPromptCtrl::GetRowsFrame() const
{
    if (!frame_)
        return nullptr;
    auto* container = dynamic_cast<CKelFE_WndContainer*>(frame_->FindElementByCell(kContainerCell));
    return container ? CKelFrame::FromHandle(container->GetWnd()) : nullptr;
}

CKelFE_WavePrompt* CPromptCtrl::RowAt(int index) const
{
    CKelFrame* rows = GetRowsFrame();
    if (!rows || index >= rows->GetRowCount())
        return nullptr;
    return dynamic_cast<CKelFE_WavePrompt*>(rows->FindElementByCell("c0r" + std::to_string(index)));
}

template <class Visit>
void CPromptCtrl::ForEachRow(Visit visit) const
{
    CKelFrame* rows = GetRowsFrame();
    const int count = rows ? rows->GetRowCount() : 0;
    for (int i = 0; i < count; ++i) {
        if (CKelFE_WavePrompt* row = RowAt(i))
            visit(row);
    }
}

CKelFE_WavePrompt* CPromptCtrl::FindRowByFile(FileHandle file) const
{
    CKelFE_WavePrompt* found = nullptr;
    ForEachRow([&](CKelFE_WavePrompt* row) {
        if (!found && row->GetUserData() == file)
            found = row;
    });
    return found;
}

void CPromptCtrl::InitPromptFramex()
{
    Trace("CPromptCtrl::InitPromptFramex()");
    viewMode_ = NormalViewMode(viewMode_);
    const SysTime start = Engine()->GetStartTime();
    const SysTime end = Engine()->GetEndTime();
    if (!GetSafeHwnd() || !frame_)
        return;
    auto* container = FindIn<CKelFE_WndContainer>(frame_, kContainerName);
    if (!container)
        return;
    if (container->GetWnd())
        container->Attach(nullptr, kTopLeft);  // the old rows frame deletes itself and its rows

    auto* rows = new CKelFrame();
    if (!rows->Create(container->GetSafeHwnd(), RECT{}, 1, WS_CHILD | WS_VISIBLE)) {
        delete rows;
        return;
    }
    rows->SetName(kRowsFrameName);
    rows->SetBkColor(0x000001);
    const std::vector<PromptRow> plan = PlanPromptRows(*Engine(), viewMode_);
    const int count = int(plan.size());
    rows->SetGridSize(1, count);
    rows->SetColumnWidth(0, -100);
    for (int i = 0; i < count; ++i)
        rows->SetRowHeight(i, -100.0 / count);
    for (const PromptRow& row : plan)
        AddRow(rows, row, start, end);
    rows->ShowLayout();
    container->Attach(rows->GetSafeHwnd(), kFillContainer);
    SetRulerTimeline(start, end);
}

void CPromptCtrl::SetRulerTimeline(const SysTime& start, const SysTime& end)
{
    auto* ruler = FindIn<CKelFE_ScaleSlider>(frame_, kRulerName);
    if (!ruler)
        return;
    SysTime shownStart, shownEnd;
    ruler->GetTimeRange(shownStart, shownEnd);
    if (start.Compare(shownStart) == 0 && end.Compare(shownEnd) == 0)
        return;
    ruler->SetRange(0, int32_t(end.DiffMs(start)));  // the time range's rate is taken from it
    ruler->SetTimeRange(start, end);
}

void CPromptCtrl::Rebuild()
{
    InitPromptFramex();
    InvalidateRect(GetSafeHwnd(), nullptr, true);
}

void CPromptCtrl::AddRow(CKelFrame* rows, const PromptRow& plan, const SysTime& start, const SysTime& end)
{
    const bool channels = viewMode_ == kChannelView;
    auto* row = new CKelFE_WavePrompt(rows);
    row->SetCell(plan.cell);
    row->SetName(plan.name);
    row->SetBkColor(kRowBackground);
    row->SetForeColor(kYellow);
    row->SetBorderInner(0, 1, 0, 0, 0xC0C0C0, EDGE_RAISED, channels ? BF_TOP | BF_BOTTOM : BF_TOP, -1);
    row->EnableMouseInput(1);
    row->EnableKeyboardInput(1);
    row->SetStyle(KFS_THUMB_RECT_SOLID);
    row->SetThumbSize(1, 12);
    row->SetThumbColor(kYellow);
    row->SetMarkStyle(channels ? KFS_MARKS_TOP : KFS_MARKS_BOTTOM);
    row->SetMarkSize(6, 6);
    row->EnableContextMenu(1);
    row->SetMenuCallback(&CPromptCtrl::BuildContextMenu, reinterpret_cast<uintptr_t>(this));
    row->AddLinkedWindow(GetSafeHwnd());
    if (viewMode_ != kSumView)
        row->SetLabel(plan.label);
    for (_FMODFile* file : plan.items) {
        row->AddItem(file->GetWave(), file->GetStartTime());
        row->SetItemColour(file->IsEnabled() ? kEnabledItem : kDisabledItem, file->GetWave(), false);
    }
    row->SetUserData(plan.file);
    if (plan.flags) {
        row->SetItemText(kCmdActive, kActiveFlagText, FlagColour(plan.enabled));
        row->SetBkColor(RowBackground(plan.marked));
        row->SetItemText(kCmdMarked, kMarkedFlagText, FlagColour(plan.marked));
    }
    row->SetStartTime(start);
    row->SetEndTime(end);
    if (viewMode_ == kSumView)
        row->SetStep(100);
    if (!rows->Adopt(row))
        Trace("CPromptCtrl: row %s refused, the rows frame is full", plan.cell.c_str());
}

// --- Engine notifications ---

void CPromptCtrl::OnUpdateFMODEngine(int code)
{
    Trace("CPromptCtrl::OnUpdateFMODEngine() %d", code);
    if (!frame_ || !Engine())
        return;
    MyFMODEngine& engine = *Engine();
    const int32_t pos = int32_t(engine.GetPosition());
    const SysTime start = engine.GetStartTime();
    const SysTime end = engine.GetEndTime();
    switch (code) {
    case -1:
    case _FMODEngine::kEngineFileAdded:
        Rebuild();
        break;
    case _FMODEngine::kEngineIndexChanged: {
        auto* ruler = FindIn<CKelFE_ScaleSlider>(frame_, kRulerName);
        if (!ruler)
            break;
        const CMarkArray marks = EngineMarks(engine);
        ruler->SetMarks(&marks);
        ForEachRow([&](CKelFE_WavePrompt* row) { row->SetMarks(&marks); });
        break;
    }
    case _FMODEngine::kEngineFilesChanged: {
        SetRulerTimeline(start, end);
        if (auto* ruler = FindIn<CKelFE_ScaleSlider>(frame_, kRulerName))
            ruler->SetValue(pos, KFE_DRAG);
        if (auto* info = FindIn<CKelFE_TextDisplay>(frame_, kTimeInfoName))
            info->SetText(PromptTimeInfo(start, end));
        break;
    }
    case _FMODEngine::kEnginePosition:
        SetRulerTimeline(start, end);
        ForEachRow([&](CKelFE_WavePrompt* row) {
            if (row->GetStartTime().Compare(start) != 0)
                row->SetStartTime(start);
            if (row->GetEndTime().Compare(end) != 0)
                row->SetEndTime(end);
            row->SetValue(pos, KFE_DRAG);
        });
        break;
    default:
        break;
    }
}

void CPromptCtrl::OnUpdateFMODFile(int code, FileHandle file)
{
    Trace("CPromptCtrl::OnUpdateFMODFile() %d", code);
    if (file == 0 || !frame_ || !Engine())
        return;
    if (code == _FMODEngine::kFileEnabled) {
        Rebuild();
        return;
    }
    if (code != _FMODEngine::kFileMarked && code != _FMODEngine::kFileVolume && code != _FMODEngine::kFileBalance &&
        code != _FMODEngine::kFileEffect)
        return;
    CKelFE_WavePrompt* row = FindRowByFile(file);
    if (!row)
        return;
    if (code == _FMODEngine::kFileMarked) {
        const bool marked = Engine()->IsFileMarked(file);
        row->SetBkColor(RowBackground(marked));
        row->SetItemText(kCmdMarked, kMarkedFlagText, FlagColour(marked));
    } else {
        row->SetLabel(PromptRowLabel(*Engine(), file));
    }
    InvalidateRect(row->GetSafeHwnd(), nullptr, true);
}

// --- Element notifications ---

// The pointer in lParam is only read once it is known to be one of this control's rows or
// one of their text flags; notifications of the ruler and the text displays are ignored.
void CPromptCtrl::OnKfeNotify(int code, LPARAM element)
{
    if (!Engine())
        return;
    CKelFE_WavePrompt* row = nullptr;
    const KelTextFlag* flag = nullptr;
    ForEachRow([&](CKelFE_WavePrompt* candidate) {
        if (reinterpret_cast<LPARAM>(static_cast<CKelFrameElement*>(candidate)) == element)
            row = candidate;
        for (const auto& own : candidate->GetTextFlags()) {
            if (reinterpret_cast<LPARAM>(own.get()) == element)
                flag = own.get();
        }
    });
    if (code >= KFE_PRESS && code <= KFE_DBLCLICK && row && IsWindow(row->GetSafeHwnd()) &&
        SameText(row->GetName(), kRowName))
        OnRowNotify(code, row);
    if (code != KFE_TEXTFLAG || !flag || !flag->owner)
        return;
    currentRowCell_ = flag->owner->GetCell();
    const uint32_t id = uint32_t(flag->key);
    if (id == kCmdMarked || id == kCmdActive)
        Engine()->CommandHandler(id, flag->owner->GetUserData(), GroupFlag());
}

void CPromptCtrl::OnRowNotify(int code, CKelFE_WavePrompt* row)
{
    MyFMODEngine& engine = *Engine();
    const int32_t value = row->GetValue();
    switch (code) {
    case KFE_PRESS:
        engine.SaveState();
        if (engine.GetState() == _FMODEngine::kPlaying)
            engine.CommandHandler(kCmdPause, 0, false);
        engine.CommandHandler(kCmdUpdatePosition, uint32_t(value), false);
        break;
    case KFE_DRAG: {
        ForEachRow([&](CKelFE_WavePrompt* other) {
            if (other != row && other->GetValue() != value)
                other->SetValue(value, kNoNotify);
        });
        auto* ruler = FindIn<CKelFE_ScaleSlider>(frame_, kRulerName);
        if (!ruler)
            break;
        ruler->SetValue(value, KFE_DRAG);
        if (auto* position = FindIn<CKelFE_TextDisplay>(frame_, kActPosName))
            position->SetText(ruler->FormatPosition());
        break;
    }
    case KFE_RELEASE:
        engine.CommandHandler(kCmdUpdatePosition, uint32_t(value), false);
        engine.RestoreState();
        break;
    case KFE_COMMAND:
        engine.CommandHandler(kCmdIndexSet, 0, false);
        break;
    case KFE_DBLCLICK:
        currentRowCell_ = row->GetCell();
        engine.CommandHandler(kCmdMarked, row->GetUserData(), GroupFlag());
        break;
    }
}

// --- Menu and commands ---

void CPromptCtrl::BuildContextMenu(CKelFrameElement* element, uintptr_t control, int phase, HMENU menu)
{
    if (phase != 1 || !element || !SameText(element->GetFrameName(), kRowsFrameName))
        return;
    auto* self = reinterpret_cast<CPromptCtrl*>(control);
    if (!self->Engine())
        return;
    const auto* row = dynamic_cast<const CKelFE_WavePrompt*>(element);
    const FileHandle file = row ? row->GetUserData() : 0;
    if (self->viewMode_ != kSumView)
        self->currentRowCell_ = element->GetCell();
    const CZemWaveApp* app = self->App();
    AppendPromptMenu(menu, *self->Engine(), app ? static_cast<const ZemWaveSettings&>(*app) : ZemWaveSettings{},
                     self->viewMode_, file);
}

bool CPromptCtrl::OnCommand(uint32_t id, uint32_t notifyCode)
{
    if (!Engine())
        return false;
    MyFMODEngine& engine = *Engine();
    const auto changeView = [this](int mode) {
        viewMode_ = mode;
        PostMessage(GetSafeHwnd(), ControlNotifier::WM_FMODENGINE_UPDATE, WPARAM(intptr_t(-1)), 0);
        return false;  // the base's routing goes on
    };
    switch (ClassifyPromptCommand(id, notifyCode, engine.GetFileCount())) {
    case PromptCommand::PassOn:
        return false;
    case PromptCommand::SumView:
        return changeView(kSumView);
    case PromptCommand::FileView:
        return changeView(kFileView);
    case PromptCommand::ChannelView:
        return changeView(kChannelView);
    case PromptCommand::RowFile: {
        CKelFrame* rows = GetRowsFrame();
        auto* row = rows ? dynamic_cast<CKelFE_WavePrompt*>(rows->FindElementByCell(currentRowCell_)) : nullptr;
        engine.CommandHandler(id, row ? row->GetUserData() : 0, GroupFlag());
        return true;
    }
    case PromptCommand::Engine:
        engine.CommandHandler(id, 0, false);
        return true;
    }
    return false;
}

// --- Dispatch ---

void CPromptCtrl::ShowMessage(const char* text) const
{
    MessageBox(GetSafeHwnd(), text, UserMessageBoxes::kCaption, MB_OK);
}

HRESULT CPromptCtrl::Call(const MemberCall& call, VARIANT* result)
{
    if (!Engine())
        return E_UNEXPECTED;
    MyFMODEngine& engine = *Engine();
    std::vector<_FMODFile*> files;
    switch (call.member.id) {
    case 1:  // ViewMode; a put takes effect with the next Redraw
        if (!call.put) {
            *result = VARIANT::I2(int16_t(viewMode_));
            return S_OK;
        }
        viewMode_ = RequestedViewMode(viewMode_, call.args[0].iVal);
        SetModifiedFlag();
        return S_OK;
    case 2: {  // AddFile: the new recording's handle, 0 when refused
        const FileHandle file = engine.AddFile(call.args[0].bstrVal);
        if (file == 0)
            ShowMessage("AddFileFailed");
        *result = VARIANT::I4(int32_t(file));
        return S_OK;
    }
    case 3:  // Redraw
        if (engine.GetLength() > 0)
            InitPromptFramex();
        return S_OK;
    case 4:  // RemoveAllFiles
    case 5:  // RemoveFile
        return S_OK;
    case 6:  // GetFileCount
        engine.GetGroupFiles(files, nullptr);
        *result = VARIANT::I2(int16_t(files.size()));
        return S_OK;
    case 7: {  // GetFileHandle
        engine.GetGroupFiles(files, nullptr);
        const int index = call.args[0].iVal;
        *result = VARIANT::I4(index >= 0 && size_t(index) < files.size() ? int32_t(files[size_t(index)]->GetHandle()) : 0);
        return S_OK;
    }
    case 8:  // AddFilesFromControl
        ShowMessage("Function not implemented");
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}
