// Message numbers of the Windows vocabulary that the system's threads and windows exchange.
#pragma once

#include <cstdint>

namespace zem {

constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_USER = 0x0400;

// One posted message; parameters are pointer-sized.
struct ThreadMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

}  // namespace zem
