#include "ui/testhooks.h"

#include "ui/application.h"
#include "ui/listview.h"
#include "ui/internal/gdiobjects.h"
#include "ui/internal/hooks.h"
#include "ui/internal/windowtable.h"
#include "ui/internal/windowwidget.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zem {
namespace ui {

Hooks& TestHooks()
{
    static Hooks hooks;
    return hooks;
}

bool IsHeadless()
{
    const char* mode = std::getenv("ZEM_UI");
    if (mode && std::strcmp(mode, "headless") == 0)
        return true;
    return QGuiApplication::platformName() == "offscreen";
}

}  // namespace ui

void SetMenuHook(std::function<uintptr_t(HMENU)> hook) { ui::TestHooks().menu = std::move(hook); }
void SetColorDialogHook(std::function<bool(CHOOSECOLOR&)> hook) { ui::TestHooks().colorDialog = std::move(hook); }
void SetFontDialogHook(std::function<bool(CHOOSEFONT&)> hook) { ui::TestHooks().fontDialog = std::move(hook); }
void SetMessageBoxHook(std::function<int(const std::string&, const std::string&, UINT)> hook)
{
    ui::TestHooks().messageBox = std::move(hook);
}

void SetFixedTextMetrics(int charWidth, int lineHeight)
{
    ui::TestHooks().fixedCharWidth = charWidth;
    ui::TestHooks().fixedLineHeight = lineHeight;
}

void SetGdiIdRange(uint32_t lastId) { ui::SetGdiIdRange(lastId); }

size_t PendingSends(HWND hwnd) { return ui::Windows().PendingSends(hwnd); }

WindowImage GrabWindow(HWND hwnd)
{
    WindowImage out;
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget)
        return out;
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    out.width = image.width();
    out.height = image.height();
    out.pixels.reserve(size_t(out.width) * size_t(out.height));
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x)
            out.pixels.push_back(ui::FromQColor(image.pixelColor(x, y)));
    }
    return out;
}

bool PaintsPending()
{
    return ui::AnyPaintDue();
}

namespace {

// Sends a mouse message's event to `target` at a point of the window's widget.
bool SendMouse(ui::WindowWidget& window, QWidget& target, UINT message, int x, int y, WPARAM keys)
{
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton button = Qt::NoButton;
    switch (message) {
    case WM_LBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::LeftButton; break;
    case WM_LBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::LeftButton; break;
    case WM_LBUTTONDBLCLK: type = QEvent::MouseButtonDblClick; button = Qt::LeftButton; break;
    case WM_RBUTTONDOWN: type = QEvent::MouseButtonPress; button = Qt::RightButton; break;
    case WM_RBUTTONUP: type = QEvent::MouseButtonRelease; button = Qt::RightButton; break;
    case WM_RBUTTONDBLCLK: type = QEvent::MouseButtonDblClick; button = Qt::RightButton; break;
    case WM_MOUSEMOVE: break;
    default: return false;
    }
    Qt::MouseButtons buttons;
    buttons.setFlag(Qt::LeftButton, keys & MK_LBUTTON);
    buttons.setFlag(Qt::RightButton, keys & MK_RBUTTON);
    buttons.setFlag(Qt::MiddleButton, keys & MK_MBUTTON);
    Qt::KeyboardModifiers modifiers;
    modifiers.setFlag(Qt::ShiftModifier, keys & MK_SHIFT);
    modifiers.setFlag(Qt::ControlModifier, keys & MK_CONTROL);
    const QPointF global = window.mapToGlobal(QPointF(x, y));
    QMouseEvent event(type, target.mapFromGlobal(global), global, button, buttons, modifiers);
    QCoreApplication::sendEvent(&target, &event);
    return true;
}

// The toolkit's widget that a person's input at a client point reaches.
QWidget* WidgetUnder(ui::WindowWidget& window, int x, int y)
{
    QWidget* child = window.childAt(x, y);
    return child ? child : &window;
}

}  // namespace

bool SimulateMouse(HWND hwnd, UINT message, int x, int y, WPARAM keys)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    return widget && SendMouse(*widget, *widget, message, x, y, keys);
}

bool SimulateMouseAt(HWND hwnd, UINT message, int x, int y, WPARAM keys)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    return widget && SendMouse(*widget, *WidgetUnder(*widget, x, y), message, x, y, keys);
}

bool SimulateWheel(HWND hwnd, int x, int y, int notches)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget)
        return false;
    QWidget* target = WidgetUnder(*widget, x, y);
    const QPointF global = widget->mapToGlobal(QPointF(x, y));
    QWheelEvent event(target->mapFromGlobal(global), global, QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
    return true;
}

bool SimulateKey(HWND hwnd, int virtualKey, bool down, bool repeat)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    const int key = ui::QtKey(virtualKey);
    if (!widget || key == 0)
        return false;
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier, QString(), repeat);
    QCoreApplication::sendEvent(widget, &event);
    return true;
}

bool SimulateClose(HWND hwnd)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget || !widget->isWindow())
        return false;
    QCloseEvent event;
    QCoreApplication::sendEvent(widget, &event);
    return true;
}

namespace {

bool ClickAt(HWND list, const RECT& rect, WPARAM keys)
{
    const int x = (rect.left + rect.right) / 2;
    const int y = (rect.top + rect.bottom) / 2;
    return SimulateMouseAt(list, WM_LBUTTONDOWN, x, y, keys | MK_LBUTTON) && SimulateMouseAt(list, WM_LBUTTONUP, x, y, keys);
}

}  // namespace

bool ClickListViewItem(HWND list, int item, WPARAM keys)
{
    RECT cell;
    if (!ListView_EnsureVisible(list, item) || !ListView_GetSubItemRect(list, item, 0, &cell))
        return false;
    RECT box;
    ListView_GetCheckBoxRect(list, item, &box);
    cell.left = std::max(cell.left, box.right);  // beside the check box, within column 0
    return ClickAt(list, cell, keys);
}

bool ClickListViewCheckBox(HWND list, int item)
{
    RECT box;
    if (!ListView_EnsureVisible(list, item) || !ListView_GetCheckBoxRect(list, item, &box) || box.right == 0)
        return false;
    return ClickAt(list, box, 0);
}

bool DragListViewColumnEdge(HWND list, int column, int dx)
{
    RECT cell, row;
    if (ListView_GetItemCount(list) == 0 || !ListView_GetSubItemRect(list, 0, column, &cell) ||
        !ListView_GetItemRect(list, ListView_GetTopIndex(list), &row))
        return false;
    ui::WindowWidget* window = ui::WidgetOf(list);
    const int y = row.top / 2;  // on the header, above the first row shown
    const int x = cell.right - 1;
    // The header holds the mouse while the button is down, wherever it goes.
    QWidget& header = *WidgetUnder(*window, x, y);
    return SendMouse(*window, header, WM_LBUTTONDOWN, x, y, MK_LBUTTON) &&
           SendMouse(*window, header, WM_MOUSEMOVE, x + dx / 2, y, MK_LBUTTON) &&
           SendMouse(*window, header, WM_MOUSEMOVE, x + dx, y, MK_LBUTTON) &&
           SendMouse(*window, header, WM_LBUTTONUP, x + dx, y, 0);
}

}  // namespace zem
