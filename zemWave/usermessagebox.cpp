#include "zemWave/usermessagebox.h"

#include "zemWave/engine/usermessage.h"

#include "base/trace.h"
#include "ui/application.h"
#include "ui/messagebox.h"
#include "ui/window.h"

UserMessageBoxes::~UserMessageBoxes()
{
    Close();
}

bool UserMessageBoxes::Open()
{
    if (window_.load())
        return true;
    const zem::HWND hwnd = zem::CreateWindow(
        [this](zem::HWND h, zem::UINT m, zem::WPARAM w, zem::LPARAM l) { return OnMessage(h, m, w, l); }, 0, 0, 0,
        0, 0);
    window_ = hwnd;
    return hwnd != nullptr;
}

void UserMessageBoxes::Close()
{
    const zem::HWND hwnd = window_.exchange(nullptr);
    if (hwnd && zem::IsUiThread())
        zem::DestroyWindow(hwnd);
    std::lock_guard lock(mutex_);
    waiting_.clear();
}

void UserMessageBoxes::Show(const std::string& text)
{
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(text);
    }
    const zem::HWND hwnd = window_.load();
    if (hwnd && zem::PostMessage(hwnd, WM_SHOW_USER_MESSAGE, 0, 0))
        return;
    {
        std::lock_guard lock(mutex_);
        waiting_.clear();
    }
    PrintUserMessage(text);
}

zem::LRESULT UserMessageBoxes::OnMessage(zem::HWND, zem::UINT message, zem::WPARAM, zem::LPARAM)
{
    if (message != WM_SHOW_USER_MESSAGE)
        return 0;
    std::string text;
    {
        std::lock_guard lock(mutex_);
        if (waiting_.empty())
            return 0;
        text = std::move(waiting_.front());
        waiting_.pop_front();
    }
    try {
        zem::MessageBox(nullptr, text, kCaption, zem::MB_OK);
    } catch (...) {
        zem::Trace("zemWave: showing '%s' failed", text.c_str());
    }
    return 0;
}
