// Internal to the window layer. The hooks tests set, and whether a person can be asked at all.
#pragma once

#include "ui/application.h"
#include "ui/dialogs.h"
#include "ui/internal/procedurecall.h"
#include "ui/menu.h"

#include <functional>
#include <string>

namespace zem::ui {

struct Hooks {
    std::function<uintptr_t(HMENU)> menu;
    std::function<bool(CHOOSECOLOR&)> colorDialog;
    std::function<bool(CHOOSEFONT&)> fontDialog;
    std::function<bool(const std::string& startFolder, std::string& chosen)> folderDialog;
    std::function<bool(const std::string& filter, std::string& chosen)> fileDialog;
    std::function<int(const std::string&, const std::string&, UINT)> messageBox;
    int fixedCharWidth = 0;
    int fixedLineHeight = 0;
};

Hooks& TestHooks();

// No person to ask: ZEM_UI=headless or the offscreen platform.
bool IsHeadless();

// A dialog's answer, true for OK: Cancel off the UI thread; else the hook's when one is set
// (Cancel when it throws); else a person's through ask, when one can be asked.
template <class Hook, class Ask, class... Args>
bool AnswerDialog(const Hook& hook, Ask&& ask, Args&... args)
{
    if (!IsUiThread())
        return false;
    if (hook) {
        try {
            return hook(args...);
        } catch (...) {
            TraceFailure("dialog hook");
            return false;
        }
    }
    return !IsHeadless() && ask(args...);
}

}  // namespace zem::ui
