// Windows: creation and destruction, posted and sent messages, window timers, placement.
// Every window lives on the UI thread (the thread that called InitApplication) and its
// procedure runs there. IsWindow, PostMessage, SendMessage, GetParent and GetDlgCtrlID may be
// called from any thread; every other function works only on the UI thread and fails elsewhere.
#pragma once

#include "ui/wintypes.h"

#include <string>

namespace zem {

// Creates a window with a toolkit widget behind it, placed in the parent's client area (or
// with its frame at x, y on the screen without a parent). The procedure gets WM_CREATE (lParam = CREATESTRUCT*)
// before this returns; with WS_VISIBLE the window is shown afterwards. nullptr off the UI
// thread, without a procedure, with a dead or dying parent, or when WM_CREATE answers -1.
HWND CreateWindow(WindowProcedure procedure, uint32_t style, int x, int y, int width, int height,
                  HWND parent = nullptr, uintptr_t id = 0, void* createParam = nullptr);

// Hides the window, sends WM_DESTROY to it and then to its children (each still a window
// while it handles it), then WM_NCDESTROY to the children and last to the window. Afterwards
// every one of those handles is dead: messages still queued for them are dropped.
bool DestroyWindow(HWND hwnd);

// What a procedure answers for a message it leaves to the window system: WM_CLOSE, sent when
// a person closes a window without parent (the window manager's close button, Alt+F4),
// destroys the window; every other message answers 0.
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool IsWindow(HWND hwnd);

// Queues the message for the window's thread; messages arrive in the order they were posted.
// False when the window is dead or the application does not run.
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// On the UI thread: calls the procedure at once. From another thread: hands the call to the
// UI thread (ahead of posted messages) and waits for its result. 0 when the window is dead,
// or dies, or the application ends before the call runs; a window destroyed while the UI
// thread takes no messages (it is joining the sender) still ends the call.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Window timers: WM_TIMER with the id in wParam every elapseMs (at least 10); a tick that
// comes late is delivered once, never queued up. Setting an existing id restarts that timer.
// Ids are nonzero. Returns the id, or 0 on failure. A window's timers end with it.
uintptr_t SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs);
bool KillTimer(HWND hwnd, uintptr_t id);

// SW_HIDE hides, any other command shows. Returns whether the window was shown before.
bool ShowWindow(HWND hwnd, int command);
// True when the window and all its ancestors are shown.
bool IsWindowVisible(HWND hwnd);
// Position in the parent's client area (of the frame on the screen for a window without
// parent) and size of the client area.
bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint = true);

// Asked of a window without parent when it is created and each time it is moved: the sizes of
// its client area that neither MoveWindow nor a person dragging its frame can go beyond. The
// procedure changes the fields it cares about; the others leave the size free.
constexpr UINT WM_GETMINMAXINFO = 0x0024;
struct MINMAXINFO {  // only the tracking sizes: no window here is maximised
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};
// (0, 0, width, height).
bool GetClientRect(HWND hwnd, RECT* rect);
// The window's rectangle in screen coordinates.
bool GetWindowRect(HWND hwnd, RECT* rect);

// The caption a window without parent shows in its title bar (Latin-1). A child window keeps
// the text but does not show it.
bool SetWindowText(HWND hwnd, const std::string& text);
// Empty for a dead handle.
std::string GetWindowText(HWND hwnd);

// nullptr for a window without parent or a dead handle.
HWND GetParent(HWND hwnd);
// The id given to CreateWindow; 0 for a dead handle.
uintptr_t GetDlgCtrlID(HWND hwnd);

}  // namespace zem
