// A private X display with a window manager, driven as a person drives it: Xvfb on a free
// display, openbox on it, and xdotool/wmctrl for windows, mouse and keys.
//
//   zemtest::X11Session x;
//   ZEM_REQUIRE_X11(x);                       // skips the test when no display could start
//   zem::ChildProcess program;                // children inherit DISPLAY, see below
//   ...start the program...
//   const auto window = x.FindWindow("^Caption$");
//   x.Click(window, 10, 10); x.Key("alt+F4");
//
// While the session lives, this process's environment names its display (DISPLAY set,
// QT_QPA_PLATFORM=xcb, ZEM_UI removed), so every program the test starts opens its windows
// there; the old values come back when the session ends. One session per test at a time.
#pragma once

#include <QImage>
#include <QRect>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zemtest {

// Checks the condition every few milliseconds until it holds (true) or timeoutMs pass (false).
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 15000);

class X11Session {
public:
    using Window = unsigned long;  // an X window id; 0 = none

    // Starts the server and the window manager and waits until the manager answers.
    X11Session();
    // Ends the window manager and the server and restores the environment.
    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Reason() const { return reason_; }  // why it is not ready
    const std::string& Display() const { return display_; }  // ":N"

    // The first visible window whose title matches the regular expression, waiting up to
    // timeoutMs for it to appear; 0 when none did.
    Window FindWindow(const std::string& titlePattern, int timeoutMs = 15000) const;
    // True once no visible window has a title matching the expression (waits up to timeoutMs).
    bool WaitNoWindow(const std::string& titlePattern, int timeoutMs = 15000) const;
    // The window's client area on the screen (without the manager's frame); empty on failure.
    QRect Geometry(Window window) const;
    // The window's title as the window manager shows it.
    std::string Title(Window window) const;

    // Raises the window and gives it the keyboard focus.
    bool Activate(Window window) const;
    // A click (press and release) with a mouse button at a point of the window's client area.
    bool Click(Window window, int x, int y, int button = 1) const;
    // Mouse wheel clicks at a point of the window: positive turns down/right, negative up/left.
    bool Wheel(Window window, int x, int y, int clicks, bool horizontal = false) const;
    // Key names as xdotool takes them ("Right", "alt+F4", "Home"), to the focused window.
    bool Key(const std::string& keys) const;
    bool KeyDown(const std::string& key) const;
    bool KeyUp(const std::string& key) const;
    // Asks the window manager to close the window, as its close button does.
    bool Close(Window window) const;
    // What the window shows now, its client area; null when it cannot be read.
    QImage Grab(Window window) const;

    struct ToolRun {
        int exitCode = -1;
        std::string output;  // standard output only
    };
    // Runs a program (found on PATH) on this display and waits for it.
    ToolRun Run(const std::vector<std::string>& argv) const;

private:
    bool Start();
    void Stop();

    bool ready_ = false;
    std::string reason_;
    std::string display_;
    pid_t server_ = -1;
    pid_t manager_ = -1;
    std::vector<std::pair<std::string, std::string>> savedEnv_;  // name, value ("\x01" = unset)
};

}  // namespace zemtest

// Skips the running test, with the reason, when the session has no display.
#define ZEM_REQUIRE_X11(session)                                           \
    do {                                                                   \
        if (!(session).Ready())                                            \
            GTEST_SKIP() << "no X display: " << (session).Reason();        \
    } while (0)
