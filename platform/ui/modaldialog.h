// Modal dialogs of labelled edit fields with OK and Cancel, built from a small template of their
// own (dialogs of placed controls are ui/dialogbox.h).
// Without a display and without a hook a dialog cannot be shown and answers IDCANCEL. UI thread
// only.
#pragma once

#include "ui/wintypes.h"

#include <functional>
#include <string>
#include <vector>

namespace zem {

struct DialogEdit {
    uintptr_t id = 0;        // control id of the edit field
    std::string label;       // Latin-1
    std::string text;        // in: the initial text; out after OK: what was entered
    bool integer = false;    // accepts an optionally signed whole number only
};

struct EditDialogTemplate {
    uint32_t resourceId = 0;
    std::string name;        // the template's name, for traces and hooks
    std::string caption;     // Latin-1
    std::vector<DialogEdit> edits;
};

// Returns IDOK (the edits hold what was entered) or IDCANCEL (they are unchanged).
int DoModalDialog(HWND owner, EditDialogTemplate& dialog);

// Answers dialogs in place of a person: fill in the edits and return IDOK or IDCANCEL. An
// empty function removes the hook.
void SetModalDialogHook(std::function<int(EditDialogTemplate& dialog)> hook);

}  // namespace zem
