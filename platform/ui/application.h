// The application's event loop. The thread that calls InitApplication becomes the UI thread:
// every window lives there and every window procedure runs there.
#pragma once

#include <functional>

namespace zem {

// Starts the toolkit once per process. Without a display (ZEM_UI=headless, or neither
// DISPLAY nor WAYLAND_DISPLAY set) and with no QT_QPA_PLATFORM chosen, the offscreen platform
// is used. A second call on the UI thread returns true and does nothing; a call from another
// thread, or after ExitApplication, returns false.
bool InitApplication();

// Destroys every window left, ends waiting SendMessage calls with 0 and closes the toolkit.
// UI thread only, outside any window procedure. Afterwards nothing can be posted.
void ExitApplication();

bool IsUiThread();

// Runs the event loop until PostQuitMessage; returns its exit code (-1 off the UI thread).
int RunMessageLoop();

// Any thread. Ends the innermost RunMessageLoop once the messages posted before it were
// delivered; with no loop running, the next RunMessageLoop returns at once.
void PostQuitMessage(int exitCode);

// Delivers messages, timers and toolkit events on the UI thread until the condition holds
// or boundMs have passed; returns whether the condition holds. For tests and hosts that wait
// for the effect of a message without running the loop for good.
bool PumpMessagesUntil(const std::function<bool()>& condition, int boundMs);

}  // namespace zem
