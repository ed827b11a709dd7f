// Internal to the window layer. The widget behind every window: it turns the toolkit's paint,
// resize, mouse, key and focus events into the window's messages.
#pragma once

#include "ui/gdi.h"

#include <QWidget>

class QPainter;

namespace zem::ui {

class WindowWidget : public QWidget {
public:
    explicit WindowWidget(QWidget* parent);
    void SetHandle(HWND hwnd) { hwnd_ = hwnd; }
    HWND Handle() const { return hwnd_; }

    // WM_SIZE when the size differs from the one last reported.
    void ReportSize();
    void Invalidate(const QRect& rect, bool erase);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
    void Mouse(QMouseEvent* event, UINT leftMessage, UINT rightMessage);
    void Key(QKeyEvent* event, bool down);

    HWND hwnd_ = nullptr;
    QSize reportedSize_{-1, -1};
    bool eraseDue_ = false;
    bool skipErase_ = false;
};

// The paint in progress for a window, which BeginPaint draws through.
struct ActivePaint {
    HWND hwnd = nullptr;
    QPainter* painter = nullptr;
    RECT rect;
    bool erase = false;
};
const ActivePaint* FindActivePaint(HWND hwnd);

// The window's widget when it is one of ours; UI thread only.
WindowWidget* WidgetOf(HWND hwnd);
int WindowDpiY(HWND hwnd);

// Mouse buttons and keys as MK_ flags; the key state the window system keeps per key.
WPARAM MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
int VirtualKey(int qtKey);
int QtKey(int virtualKey);
void SetKeyDown(int virtualKey, bool down);
bool IsKeyDown(int virtualKey);
// Forgets every key held: their releases may go to a widget that is not ours.
void ClearKeysDown();

// The toolkit moved its keyboard focus to now (null: to no widget of ours, such as another
// program's window): the window holding it gets the focus, with WM_KILLFOCUS and WM_SETFOCUS.
void FollowToolkitFocus(QWidget* now);

// The window that got the last mouse message: where SetCursor shows its cursor.
HWND MouseWindow();

}  // namespace zem::ui
