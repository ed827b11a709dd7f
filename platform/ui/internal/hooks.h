// Internal to the window layer. The hooks tests set, and whether a person can be asked at all.
#pragma once

#include "ui/dialogs.h"
#include "ui/menu.h"

#include <functional>
#include <string>

namespace zem::ui {

struct Hooks {
    std::function<uintptr_t(HMENU)> menu;
    std::function<bool(CHOOSECOLOR&)> colorDialog;
    std::function<bool(CHOOSEFONT&)> fontDialog;
    std::function<int(const std::string&, const std::string&, UINT)> messageBox;
    int fixedCharWidth = 0;
    int fixedLineHeight = 0;
};

Hooks& TestHooks();

// No person to ask: ZEM_UI=headless or the offscreen platform.
bool IsHeadless();

}  // namespace zem::ui
