// The player's small status window: one centred line with what the worker is doing. It is
// the worker's PlayerView; the worker's calls reach the window through posted and sent
// messages, so only the user-interface thread touches it. Closing it asks the program to end.
#pragma once

#include "QMFPlayer/qmfplay/playerview.h"
#include "ui/wintypes.h"

#include <atomic>
#include <mutex>
#include <string>

class StatusWindow : public PlayerView {
public:
    StatusWindow() = default;
    ~StatusWindow() override;
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

    // User-interface thread. False when the window cannot be made.
    bool Create();
    // User-interface thread. Afterwards the worker's calls no longer wait for the window.
    void Destroy();

    // Worker thread.
    void ShowStatus(const std::string& line) override;
    void HideStatus() override;
    void ShowMessage(const std::string& text) override;
    void RequestQuit() override;

    // The line the window shows.
    std::string Status() const;
    zem::HWND Handle() const { return window_; }

private:
    zem::LRESULT Procedure(zem::HWND hwnd, zem::UINT message, zem::WPARAM wParam, zem::LPARAM lParam);
    void Paint(zem::HWND hwnd);

    std::atomic<zem::HWND> window_{nullptr};  // written by the user-interface thread only
    mutable std::mutex lock_;
    std::string status_ = "Static";
};
