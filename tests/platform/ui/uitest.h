// Helpers of the window layer tests.
#pragma once

#include "ui/application.h"
#include "ui/window.h"

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace uitest {

using namespace zem;

// Generous: only a broken layer gets near it.
constexpr int kBoundMs = 20000;
constexpr UINT kTestMessage = WM_USER + 1;

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// What the procedures it makes receive, in order; filled on the UI thread. The reaction
// gives the result.
class MessageLog {
public:
    using Reaction = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

    WindowProcedure Procedure(Reaction reaction = {})
    {
        return [this, reaction](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            entries.push_back({hwnd, message, wParam, lParam});
            return reaction ? reaction(hwnd, message, wParam, lParam) : 0;
        };
    }
    size_t Count(HWND hwnd, UINT message, WPARAM wParam) const
    {
        size_t n = 0;
        for (const auto& r : entries)
            n += r.hwnd == hwnd && r.message == message && r.wParam == wParam;
        return n;
    }

    std::vector<Received> entries;
};

inline LRESULT Quiet(HWND, UINT, WPARAM, LPARAM) { return 0; }

// Posts to a second window and pumps until that arrives: all posted before is delivered.
inline bool Drain()
{
    bool arrived = false;
    HWND marker = CreateWindow([&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        arrived = arrived || message == kTestMessage;
        return 0;
    }, 0, 0, 0, 1, 1);
    const bool ok = PostMessage(marker, kTestMessage, 0, 0) && PumpMessagesUntil([&] { return arrived; }, kBoundMs);
    DestroyWindow(marker);
    return ok;
}

// SendMessage from a new thread while this one pumps.
inline LRESULT SendFromAnotherThread(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::atomic<bool> returned = false;
    LRESULT result = -1;
    std::thread sender([&] {
        result = SendMessage(hwnd, message, wParam, lParam);
        returned = true;
    });
    PumpMessagesUntil([&] { return returned.load(); }, kBoundMs);
    sender.join();
    return result;
}

}  // namespace uitest
