#include "ui/testhooks.h"

#include "ui/application.h"
#include "ui/listview.h"
#include "ui/internal/gdiobjects.h"
#include "ui/internal/hooks.h"
#include "ui/internal/windowwidget.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>

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

bool SimulateMouse(HWND hwnd, UINT message, int x, int y, WPARAM keys)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget)
        return false;
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
    const QPointF local(x, y);
    QMouseEvent event(type, local, widget->mapToGlobal(local), button, buttons, modifiers);
    QCoreApplication::sendEvent(widget, &event);
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
    return SimulateMouse(list, WM_LBUTTONDOWN, x, y, keys | MK_LBUTTON) && SimulateMouse(list, WM_LBUTTONUP, x, y, keys);
}

}  // namespace

bool ClickListViewItem(HWND list, int item, WPARAM keys)
{
    RECT row;
    if (!ListView_EnsureVisible(list, item) || !ListView_GetItemRect(list, item, &row))
        return false;
    RECT box;
    ListView_GetCheckBoxRect(list, item, &box);
    row.left = box.right;  // beside the check box, within column 0
    row.right = ListView_GetColumnWidth(list, 0);
    return ClickAt(list, row, keys);
}

bool ClickListViewCheckBox(HWND list, int item)
{
    RECT box;
    if (!ListView_EnsureVisible(list, item) || !ListView_GetCheckBoxRect(list, item, &box) || box.right == 0)
        return false;
    return ClickAt(list, box, 0);
}

}  // namespace zem
