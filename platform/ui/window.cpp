#include "ui/window.h"

#include "ui/application.h"
#include "ui/internal/dispatcher.h"
#include "ui/internal/procedurecall.h"
#include "ui/internal/windowtable.h"
#include "ui/internal/windowwidget.h"

#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <limits>

namespace zem {
namespace {

using ui::Windows;
using ui::WindowRecord;

constexpr uint32_t kMinimumTimerMs = 10;  // as the window system clamps
constexpr uint32_t kMaximumTimerMs = std::numeric_limits<int32_t>::max();

// A live window of the UI thread, or nullptr (also when called on another thread).
std::shared_ptr<WindowRecord> FindOnUiThread(HWND hwnd)
{
    if (!hwnd || !IsUiThread())
        return nullptr;
    return Windows().Find(hwnd);
}

void StopTimers(WindowRecord& record)
{
    if (auto* dispatcher = ui::Dispatcher()) {
        for (const auto& [id, timerId] : record.timers)
            dispatcher->StopTimer(timerId);
    }
    record.timers.clear();
}

// WM_DESTROY to the window, then its children are destroyed, then WM_NCDESTROY; the handle
// dies last, so the window stays a window while it handles both.
void DestroyTree(const std::shared_ptr<WindowRecord>& record)
{
    record->destroying = true;
    StopTimers(*record);
    ui::CallProcedure(record, WM_DESTROY, 0, 0);
    while (!record->children.empty()) {
        const HWND child = record->children.front();
        record->children.erase(record->children.begin());
        auto childRecord = Windows().Find(child);
        if (childRecord && !childRecord->destroying)
            DestroyTree(childRecord);
    }
    StopTimers(*record);  // a procedure may have set one while the window was being destroyed
    ui::CallProcedure(record, WM_NCDESTROY, 0, 0);
    Windows().Remove(record->hwnd);
}

// A child is placed by its client area; a window without parent by its frame, as the window
// system places it, so its title bar stays on the screen. Its size is still the client's.
void Place(QWidget& widget, int x, int y, int width, int height)
{
    if (!widget.isWindow()) {
        widget.setGeometry(x, y, width, height);
        return;
    }
    widget.resize(width, height);
    // Once shown, the widget would place its client area at x, y less the frame it knows of,
    // which is none while the window manager is still framing the window.
    if (QWindow* window = widget.windowHandle(); window && widget.isVisible())
        window->setFramePosition(QPoint(x, y));
    else
        widget.move(x, y);
}

// A window without parent is held to the sizes its procedure allows; nothing else is asked.
void ApplyTrackSizes(const std::shared_ptr<WindowRecord>& record)
{
    if (!record->widget || !record->widget->isWindow())
        return;
    MINMAXINFO sizes;
    sizes.ptMaxTrackSize = {QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
    ui::CallProcedure(record, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&sizes));
    record->widget->setMinimumSize(std::max(sizes.ptMinTrackSize.x, 0), std::max(sizes.ptMinTrackSize.y, 0));
    record->widget->setMaximumSize(std::clamp(sizes.ptMaxTrackSize.x, 0, QWIDGETSIZE_MAX),
                                   std::clamp(sizes.ptMaxTrackSize.y, 0, QWIDGETSIZE_MAX));
}

}  // namespace

HWND CreateWindow(WindowProcedure procedure, uint32_t style, int x, int y, int width, int height,
                  HWND parent, uintptr_t id, void* createParam)
{
    if (!IsUiThread() || !procedure)
        return nullptr;
    std::shared_ptr<WindowRecord> parentRecord;
    if (parent) {
        parentRecord = Windows().Find(parent);
        if (!parentRecord || parentRecord->destroying)
            return nullptr;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);

    auto record = std::make_shared<WindowRecord>();
    record->parent = parent;
    record->id = id;
    record->procedure = std::move(procedure);
    auto* widget = new ui::WindowWidget(parentRecord ? parentRecord->widget.data() : nullptr);
    Place(*widget, x, y, width, height);
    if (parentRecord && !(style & WS_VISIBLE))
        widget->hide();  // an explicit hide keeps the child hidden when its parent is shown
    record->widget = widget;

    const HWND hwnd = Windows().Add(record);
    if (!hwnd) {
        delete widget;
        return nullptr;
    }
    widget->SetHandle(hwnd);
    if (parentRecord)
        parentRecord->children.push_back(hwnd);

    CREATESTRUCT create;
    create.lpCreateParams = createParam;
    create.id = id;
    create.hwndParent = parent;
    create.cy = height;
    create.cx = width;
    create.y = y;
    create.x = x;
    create.style = style;
    if (ui::CallProcedure(record, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (record->destroying)  // destroyed by its own WM_CREATE
        return nullptr;
    ApplyTrackSizes(record);
    if (style & WS_VISIBLE)
        widget->show();
    return hwnd;
}

bool DestroyWindow(HWND hwnd)
{
    auto record = FindOnUiThread(hwnd);
    if (!record || record->destroying)
        return false;
    if (record->widget)
        record->widget->hide();
    DestroyTree(record);
    if (auto parent = Windows().Find(record->parent))
        std::erase(parent->children, hwnd);
    ui::DeleteWidgetWhenIdle(record->widget.data());
    return true;
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE)
        DestroyWindow(hwnd);
    return 0;
}

bool IsWindow(HWND hwnd)
{
    return hwnd && Windows().Contains(hwnd);
}

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!hwnd)
        return false;
    return Windows().Post(hwnd, new ui::PostedMessage(hwnd, message, wParam, lParam), Qt::NormalEventPriority);
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!hwnd)
        return 0;
    if (IsUiThread()) {
        auto record = Windows().Find(hwnd);
        return record ? ui::CallProcedure(record, message, wParam, lParam) : 0;
    }
    // Sent messages go ahead of posted ones, as the window system delivers them.
    auto call = std::make_shared<ui::SendCall>();
    if (!Windows().PostSent(hwnd, new ui::SentMessage(hwnd, message, wParam, lParam, call), call))
        return 0;
    return call->Wait();
}

uintptr_t SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs)
{
    auto record = FindOnUiThread(hwnd);
    auto* dispatcher = ui::Dispatcher();
    if (!record || record->destroying || id == 0 || !dispatcher)
        return 0;
    const int periodMs = static_cast<int>(std::clamp(elapseMs, kMinimumTimerMs, kMaximumTimerMs));
    if (auto it = record->timers.find(id); it != record->timers.end()) {
        dispatcher->StopTimer(it->second);
        record->timers.erase(it);
    }
    const int timerId = dispatcher->StartTimer(hwnd, id, periodMs);
    if (timerId == 0)
        return 0;
    record->timers[id] = timerId;
    return id;
}

bool KillTimer(HWND hwnd, uintptr_t id)
{
    auto record = FindOnUiThread(hwnd);
    if (!record)
        return false;
    auto it = record->timers.find(id);
    if (it == record->timers.end())
        return false;
    if (auto* dispatcher = ui::Dispatcher())
        dispatcher->StopTimer(it->second);
    record->timers.erase(it);
    return true;
}

bool ShowWindow(HWND hwnd, int command)
{
    auto record = FindOnUiThread(hwnd);
    if (!record || !record->widget)
        return false;
    const bool wasShown = !record->widget->isHidden();
    record->widget->setVisible(command != SW_HIDE);
    return wasShown;
}

bool IsWindowVisible(HWND hwnd)
{
    auto record = FindOnUiThread(hwnd);
    return record && record->widget && record->widget->isVisible();
}

bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint)
{
    auto record = FindOnUiThread(hwnd);
    if (!record || !record->widget)
        return false;
    ApplyTrackSizes(record);
    Place(*record->widget, x, y, std::max(width, 0), std::max(height, 0));
    // WM_SIZE now, as the window system sends it, also for a window not yet shown.
    if (auto* widget = dynamic_cast<ui::WindowWidget*>(record->widget.data()))
        widget->ReportSize();
    if (repaint)
        record->widget->update();
    return true;
}

bool GetClientRect(HWND hwnd, RECT* rect)
{
    auto record = FindOnUiThread(hwnd);
    if (!record || !record->widget || !rect)
        return false;
    *rect = RECT{0, 0, record->widget->width(), record->widget->height()};
    return true;
}

bool GetWindowRect(HWND hwnd, RECT* rect)
{
    auto record = FindOnUiThread(hwnd);
    if (!record || !record->widget || !rect)
        return false;
    const QWidget* widget = record->widget.data();
    const QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
    *rect = RECT{topLeft.x(), topLeft.y(), topLeft.x() + widget->width(), topLeft.y() + widget->height()};
    return true;
}

bool SetWindowText(HWND hwnd, const std::string& text)
{
    auto record = FindOnUiThread(hwnd);
    if (!record || !record->widget)
        return false;
    record->widget->setWindowTitle(QString::fromLatin1(text.data(), qsizetype(text.size())));
    return true;
}

std::string GetWindowText(HWND hwnd)
{
    auto record = FindOnUiThread(hwnd);
    if (!record || !record->widget)
        return {};
    return record->widget->windowTitle().toLatin1().toStdString();
}

HWND GetParent(HWND hwnd)
{
    HWND parent = nullptr;
    uintptr_t id = 0;
    return Windows().Describe(hwnd, &parent, &id) ? parent : nullptr;
}

uintptr_t GetDlgCtrlID(HWND hwnd)
{
    HWND parent = nullptr;
    uintptr_t id = 0;
    return Windows().Describe(hwnd, &parent, &id) ? id : 0;
}

}  // namespace zem
