// Message numbers of the Windows vocabulary that the system's threads and windows exchange.
#pragma once

#include <cstdint>
#include <functional>

namespace zem {

constexpr uint32_t WM_NULL = 0x0000;  // means nothing; posted tasks travel as it
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_USER = 0x0400;

// One posted message; parameters are pointer-sized. A posted task comes as WM_NULL with the
// task set; the receiving thread runs it.
struct ThreadMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    std::function<void()> task = {};
};

}  // namespace zem
