// What the player worker needs from the layers that come with the program's window and with
// COM: a place for its status lines and message boxes, and the probe of the Player control.
#pragma once

#include <functional>
#include <string>

// Implemented by the status window. Called on the worker thread.
class PlayerView {
public:
    virtual ~PlayerView() = default;
    // Sets the status text and tells the user-interface thread that it changed.
    virtual void ShowStatus(const std::string& line) = 0;
    virtual void HideStatus() = 0;
    // A plain message box with an OK button; returns when it is closed.
    virtual void ShowMessage(const std::string& text) = 0;
    // Asks the user-interface thread to quit.
    virtual void RequestQuit() = 0;
};

// True when a "ZEMWAVE.PlayerCtrl.1" dispatch object could be created (and was released).
using ControlProbe = std::function<bool()>;

// The internal failure box with the source file and line that found it, then a quit request.
void ReportFatal(PlayerView& view, const char* file, int line);
#define REPORT_FATAL(view) ReportFatal((view), __FILE__, __LINE__)
