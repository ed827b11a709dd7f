// The Windows vocabulary of the window layer: handles, message parameters, message numbers,
// style bits and show commands, with the values Windows gives them.
#pragma once

#include "base/messages.h"  // WM_QUIT, WM_TIMER, WM_USER

#include <cstdint>
#include <functional>

namespace zem {

// A window handle: opaque and pointer-sized, never dereferenced. A handle comes back only
// after 2^31 others, so a stale one is merely dead and does not name another window.
struct HWND__;
using HWND = HWND__*;

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

struct POINT {
    int32_t x = 0;
    int32_t y = 0;
};

struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_COMMAND = 0x0111;

constexpr uint32_t WS_CHILD = 0x40000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_TABSTOP = 0x00010000;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// What WM_CREATE carries in lParam; valid only during that call.
struct CREATESTRUCT {
    void* lpCreateParams = nullptr;
    uintptr_t id = 0;  // the child window id given to CreateWindow
    HWND hwndParent = nullptr;
    int32_t cy = 0;
    int32_t cx = 0;
    int32_t y = 0;
    int32_t x = 0;
    uint32_t style = 0;
};

// A window procedure. An exception that escapes it is caught by the layer (traced, result 0).
using WindowProcedure = std::function<LRESULT(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)>;

}  // namespace zem
