// The engine's texts for the user ("Fehler !", a wrong sound library) as message boxes. The
// engine hands them over on its worker or on the mixer thread, which must never wait for a
// person: each text is queued and shown on the UI thread by a hidden window of its own.
// Without that window (not yet opened, or the window layer gone) a text goes to standard
// error, as every box without a display does.
#pragma once

#include "ui/wintypes.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <string>

class UserMessageBoxes {
public:
    static constexpr zem::UINT WM_SHOW_USER_MESSAGE = zem::WM_USER + 0x40;
    static constexpr const char* kCaption = "zemWave";

    UserMessageBoxes() = default;
    ~UserMessageBoxes();
    UserMessageBoxes(const UserMessageBoxes&) = delete;
    UserMessageBoxes& operator=(const UserMessageBoxes&) = delete;

    // UI thread: makes the hidden window (once). False off the UI thread.
    bool Open();
    // UI thread: destroys the window; texts still queued are dropped with it.
    void Close();
    // Any thread; returns at once.
    void Show(const std::string& text);

private:
    zem::LRESULT OnMessage(zem::HWND hwnd, zem::UINT message, zem::WPARAM wParam, zem::LPARAM lParam);

    std::atomic<zem::HWND> window_{nullptr};
    std::mutex mutex_;
    std::deque<std::string> waiting_;  // under mutex_
};
