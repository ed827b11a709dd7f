// Helpers of the grid framework tests: a shown top-level window with a frame in it.
#pragma once

#include "KelFrame/kelframe.h"
#include "KelFrame/kelframeelement.h"
#include "ui/application.h"
#include "ui/testhooks.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace kftest {

using namespace zem;

constexpr int kBoundMs = 20000;

struct Logged {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Windows whose procedure logs what they get into one shared list.
class Log {
public:
    // Its windows log into it: they go with it.
    ~Log()
    {
        for (HWND hwnd : windows_)
            DestroyWindow(hwnd);
    }
    HWND Window(HWND parent = nullptr, std::function<void(UINT)> reaction = {})
    {
        return windows_.emplace_back(CreateWindow([this, reaction](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            entries.push_back({hwnd, message, wParam, lParam});
            if (reaction)
                reaction(message);
            return 0;
        }, parent ? WS_CHILD : 0, 0, 0, 10, 10, parent));
    }
    std::vector<Logged> Of(UINT message) const
    {
        std::vector<Logged> out;
        for (const auto& e : entries)
            if (e.message == message)
                out.push_back(e);
        return out;
    }
    std::vector<Logged> entries;

private:
    std::vector<HWND> windows_;
};

// Delivers what is posted until now.
inline void Drain()
{
    bool done = false;
    HWND marker = CreateWindow([&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        done = done || m == WM_USER + 77;
        return 0;
    }, 0, 0, 0, 1, 1);
    PostMessage(marker, WM_USER + 77, 0, 0);
    PumpMessagesUntil([&] { return done; }, kBoundMs);
    DestroyWindow(marker);
}

// Delivers what is posted until now and the paints that it asks for.
inline void Settle()
{
    Drain();
    PumpMessagesUntil([] { return !PaintsPending(); }, kBoundMs);
}

// A shown top-level window holding a frame at (10, 30), 201 x 100; the frame deletes itself
// with the window.
class FrameFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetFixedTextMetrics(8, 16);
        top_ = log_.Window();
        MoveWindow(top_, 0, 0, 300, 200);
        ShowWindow(top_, SW_SHOW);
        frame_ = new CKelFrame;
        ASSERT_TRUE(frame_->Create(top_, RECT{10, 30, 211, 130}));
        Settle();  // the window is exposed: it paints from now on

    }
    void TearDown() override
    {
        DestroyWindow(top_);
        SetFixedTextMetrics(0, 0);
        SetMenuHook({});
        SetColorDialogHook({});
        SetFontDialogHook({});
    }
    // One cell over the whole frame.
    void UseOneCell()
    {
        frame_->SetGridSize(1, 1);
        frame_->SetColumnWidth(0, -100);
        frame_->SetRowHeight(0, -100);
    }
    // The element's window rectangle in frame client coordinates.
    RECT Placed(CKelFrameElement* element) const
    {
        RECT screen, frame;
        GetWindowRect(element->GetSafeHwnd(), &screen);
        GetWindowRect(frame_->GetSafeHwnd(), &frame);
        return RECT{screen.left - frame.left, screen.top - frame.top, screen.right - frame.left,
                    screen.bottom - frame.top};
    }

    Log log_;
    HWND top_ = nullptr;
    CKelFrame* frame_ = nullptr;
};

}  // namespace kftest
