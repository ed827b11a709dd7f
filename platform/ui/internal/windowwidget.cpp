#include "ui/internal/windowwidget.h"

#include "ui/application.h"
#include "ui/input.h"
#include "ui/internal/procedurecall.h"
#include "ui/internal/windowtable.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <set>
#include <utility>
#include <vector>

namespace zem::ui {
namespace {

std::vector<ActivePaint> g_paints;  // nested paints, innermost last; UI thread only
std::set<int> g_keysDown;
HWND g_mouseWindow = nullptr;

struct KeyPair {
    int qt;
    int vk;
};
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},   {Qt::Key_Shift, VK_SHIFT},   {Qt::Key_Control, VK_CONTROL},
    {Qt::Key_Alt, VK_MENU},       {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},   {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},      {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},    {Qt::Key_Down, VK_DOWN},     {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
};

}  // namespace

WindowWidget::WindowWidget(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the window paints all of itself, as on Windows
}

LRESULT WindowWidget::Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    auto record = Windows().Find(hwnd_);
    if (!record || record->destroying)
        return 0;
    return CallProcedure(record, message, wParam, lParam);
}

void WindowWidget::ReportSize()
{
    if (size() == reportedSize_)
        return;
    reportedSize_ = size();
    Send(WM_SIZE, 0, MAKELPARAM(width(), height()));
}

void WindowWidget::Invalidate(const QRect& rect, bool erase)
{
    if (erase)
        eraseDue_ = true;
    else
        skipErase_ = true;
    update(rect);
}

void WindowWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect r = event->rect();
    g_paints.push_back({hwnd_, &painter, RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1}, false});
    try {
        // The background is erased first, unless only invalidations without erase asked for
        // this paint or the window erased it itself; so a window that paints nothing shows
        // the window colour, never stale pixels.
        bool erase = std::exchange(eraseDue_, false) || !std::exchange(skipErase_, false);
        if (erase && Send(WM_ERASEBKGND, 0, 0) != 0)
            erase = false;
        if (erase)
            painter.fillRect(r, Qt::white);
        g_paints.back().erase = erase;
        Send(WM_PAINT, 0, 0);
    } catch (...) {
        TraceFailure("paint");
    }
    g_paints.pop_back();
}

void WindowWidget::resizeEvent(QResizeEvent*)
{
    ReportSize();
}

WPARAM MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    WPARAM keys = 0;
    keys |= (buttons & Qt::LeftButton) ? MK_LBUTTON : 0;
    keys |= (buttons & Qt::RightButton) ? MK_RBUTTON : 0;
    keys |= (buttons & Qt::MiddleButton) ? MK_MBUTTON : 0;
    keys |= (modifiers & Qt::ShiftModifier) ? MK_SHIFT : 0;
    keys |= (modifiers & Qt::ControlModifier) ? MK_CONTROL : 0;
    return keys;
}

void WindowWidget::Mouse(QMouseEvent* event, UINT leftMessage, UINT rightMessage)
{
    UINT message = WM_MOUSEMOVE;
    if (leftMessage != WM_MOUSEMOVE) {
        if (event->button() == Qt::LeftButton)
            message = leftMessage;
        else if (event->button() == Qt::RightButton)
            message = rightMessage;
        else
            return;
    }
    g_mouseWindow = hwnd_;
    const QPoint p = event->position().toPoint();
    Send(message, MouseKeyFlags(event->buttons(), event->modifiers()), MAKELPARAM(p.x(), p.y()));
}

void WindowWidget::mousePressEvent(QMouseEvent* event) { Mouse(event, WM_LBUTTONDOWN, WM_RBUTTONDOWN); }
void WindowWidget::mouseReleaseEvent(QMouseEvent* event) { Mouse(event, WM_LBUTTONUP, WM_RBUTTONUP); }
void WindowWidget::mouseDoubleClickEvent(QMouseEvent* event) { Mouse(event, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK); }
void WindowWidget::mouseMoveEvent(QMouseEvent* event) { Mouse(event, WM_MOUSEMOVE, WM_MOUSEMOVE); }

void WindowWidget::Key(QKeyEvent* event, bool down)
{
    const int vk = VirtualKey(event->key());
    if (vk == 0)
        return;
    // X11 repeats a held key as a release and a press, both marked auto-repeat; the window
    // system sends only the presses, so the key stays down until its real release.
    if (!down && event->isAutoRepeat())
        return;
    const bool wasDown = IsKeyDown(vk);
    SetKeyDown(vk, down);
    LPARAM lParam = 1;  // repeat count
    if (down && (wasDown || event->isAutoRepeat()))
        lParam |= kKeyWasDown;
    if (!down)
        lParam |= kKeyWasDown | kKeyReleased;
    Send(down ? WM_KEYDOWN : WM_KEYUP, WPARAM(vk), lParam);
}

void WindowWidget::closeEvent(QCloseEvent* event)
{
    // The procedure decides: its default handling destroys the window, which hides it.
    event->ignore();
    Send(WM_CLOSE, 0, 0);
}

void WindowWidget::keyPressEvent(QKeyEvent* event) { Key(event, true); }
void WindowWidget::keyReleaseEvent(QKeyEvent* event) { Key(event, false); }

const ActivePaint* FindActivePaint(HWND hwnd)
{
    for (auto it = g_paints.rbegin(); it != g_paints.rend(); ++it) {
        if (it->hwnd == hwnd)
            return &*it;
    }
    return nullptr;
}

WindowWidget* WidgetOf(HWND hwnd)
{
    if (!hwnd || !IsUiThread())
        return nullptr;
    auto record = Windows().Find(hwnd);
    return record ? dynamic_cast<WindowWidget*>(record->widget.data()) : nullptr;
}

int WindowDpiY(HWND hwnd)
{
    if (QWidget* widget = WidgetOf(hwnd))
        return widget->logicalDpiY();
    return 96;
}

int VirtualKey(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;  // the same codes
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return VK_F1 + (qtKey - Qt::Key_F1);
    for (const KeyPair& pair : kKeys) {
        if (pair.qt == qtKey)
            return pair.vk;
    }
    return 0;
}

int QtKey(int virtualKey)
{
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9'))
        return virtualKey;
    if (virtualKey >= VK_F1 && virtualKey < VK_F1 + 24)
        return Qt::Key_F1 + (virtualKey - VK_F1);
    for (const KeyPair& pair : kKeys) {
        if (pair.vk == virtualKey)
            return pair.qt;
    }
    return 0;
}

void SetKeyDown(int virtualKey, bool down)
{
    if (down)
        g_keysDown.insert(virtualKey);
    else
        g_keysDown.erase(virtualKey);
}

bool IsKeyDown(int virtualKey) { return g_keysDown.count(virtualKey) != 0; }

void ClearKeysDown() { g_keysDown.clear(); }

HWND MouseWindow() { return g_mouseWindow; }

}  // namespace zem::ui

namespace zem {

bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget)
        return false;
    widget->Invalidate(rect ? QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top)
                            : widget->rect(),
                       erase);
    return true;
}

bool UpdateWindow(HWND hwnd)
{
    ui::WindowWidget* widget = ui::WidgetOf(hwnd);
    if (!widget)
        return false;
    // Paints the window and its children now (the toolkit keeps no update region to test).
    widget->repaint();
    return true;
}

}  // namespace zem
