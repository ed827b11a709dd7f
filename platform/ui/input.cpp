#include "ui/input.h"

#include "ui/application.h"
#include "ui/internal/windowwidget.h"
#include "ui/window.h"

#include <QCursor>
#include <QGuiApplication>

namespace zem {
namespace {

HCURSOR g_cursor = nullptr;
HWND g_focus = nullptr;

Qt::CursorShape ShapeOf(uintptr_t id)
{
    switch (id) {
    case IDC_IBEAM: return Qt::IBeamCursor;
    case IDC_WAIT: return Qt::WaitCursor;
    case IDC_CROSS: return Qt::CrossCursor;
    case IDC_SIZEWE: return Qt::SizeHorCursor;
    case IDC_SIZENS: return Qt::SizeVerCursor;
    case IDC_HAND: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
    }
}

}  // namespace

int16_t GetKeyState(int virtualKey)
{
    bool down = ui::IsKeyDown(virtualKey);
    if (IsUiThread() && (virtualKey == VK_CONTROL || virtualKey == VK_SHIFT)) {
        const auto modifiers = QGuiApplication::keyboardModifiers();
        down = down || (modifiers & (virtualKey == VK_CONTROL ? Qt::ControlModifier : Qt::ShiftModifier));
    }
    return down ? int16_t(0x8000) : int16_t(0);
}

namespace {

// The focus moves with WM_KILLFOCUS to the window losing it and WM_SETFOCUS to the one getting
// it, sent at once, and the keys held are forgotten; moving it to where it is does nothing.
void MoveFocus(HWND to)
{
    const HWND previous = GetFocus();
    if (previous == to)
        return;
    ui::ClearKeysDown();
    g_focus = to;
    if (previous)
        SendMessage(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(to), 0);
    if (to)
        SendMessage(to, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
}

}  // namespace

namespace ui {

void FollowToolkitFocus(QWidget* now)
{
    HWND to = nullptr;
    for (QWidget* widget = now; widget && !to; widget = widget->parentWidget()) {
        if (auto* window = dynamic_cast<WindowWidget*>(widget))
            to = window->Handle();
    }
    MoveFocus(to);
}

}  // namespace ui

// The toolkit's focus follows, so key events go to the window; when the toolkit tells of the
// move afterwards, the focus is already there.
HWND SetFocus(HWND hwnd)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget)
        return nullptr;
    const HWND previous = GetFocus();
    MoveFocus(hwnd);
    widget->setFocus(Qt::OtherFocusReason);
    return previous;
}

HWND GetFocus()
{
    return IsUiThread() && IsWindow(g_focus) ? g_focus : nullptr;
}

bool ClientToScreen(HWND hwnd, POINT* point)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget || !point)
        return false;
    const QPoint p = widget->mapToGlobal(QPoint(point->x, point->y));
    *point = POINT{p.x(), p.y()};
    return true;
}

bool ScreenToClient(HWND hwnd, POINT* point)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget || !point)
        return false;
    const QPoint p = widget->mapFromGlobal(QPoint(point->x, point->y));
    *point = POINT{p.x(), p.y()};
    return true;
}

HCURSOR LoadCursor(uintptr_t id)
{
    switch (id) {
    case IDC_ARROW: case IDC_IBEAM: case IDC_WAIT: case IDC_CROSS: case IDC_SIZEWE: case IDC_SIZENS: case IDC_HAND:
        return reinterpret_cast<HCURSOR>(id);
    default:
        return nullptr;
    }
}

HCURSOR SetCursor(HCURSOR cursor)
{
    const HCURSOR previous = g_cursor;
    g_cursor = cursor;
    if (ui::WindowWidget* widget = ui::WidgetOf(ui::MouseWindow()))
        widget->setCursor(ShapeOf(reinterpret_cast<uintptr_t>(cursor)));
    return previous;
}

HCURSOR GetCursor() { return g_cursor; }

}  // namespace zem
