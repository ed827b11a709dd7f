// Modal dialogs from a template: a top-level window with its controls placed in dialog units,
// run until EndDialog. UI thread only.
#pragma once

#include "ui/wintypes.h"

#include <functional>
#include <string>
#include <vector>

namespace zem {

constexpr UINT WM_INITDIALOG = 0x0110;

// One control of a template; place and size in dialog units.
struct DialogItem {
    enum class Kind { Button, Static, ComboBox };
    Kind kind = Kind::Static;
    int id = 0;
    std::string text;     // Latin-1
    uint32_t style = 0;   // BS_ or CBS_ bits
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    std::string caption;  // Latin-1
    int cx = 0, cy = 0;   // dialog units
    std::vector<DialogItem> items;
};

// Dialog units of the dialog font ("MS Sans Serif" 8: 6 x 13 pixels per base unit) in pixels.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// Creates the dialog (a window of its own, without owner) and its controls, sends WM_INITDIALOG, and delivers messages until
// EndDialog; returns the result given to it. The procedure answers nonzero for a message it
// handled; a WM_COMMAND of IDOK or IDCANCEL it leaves alone ends the dialog with that id.
// With a dialog hook the hook acts after WM_INITDIALOG in place of a person; without a
// display and without a hook the dialog ends at once with IDCANCEL. -1 when the window
// cannot be made.
intptr_t DialogBox(const DialogTemplate& dialog, WindowProcedure procedure);
// Ends the modal run of the dialog once the current message is handled. False for a window
// that is not a running dialog.
bool EndDialog(HWND dialog, intptr_t result);

// The child of the dialog with that control id; null when there is none.
HWND GetDlgItem(HWND dialog, int id);

// For tests: given the open dialog, works its controls as a person would (clicks OK, say).
// A dialog still open when the hook returns ends with IDCANCEL. Empty removes the hook.
void SetDialogHook(std::function<void(HWND dialog)> hook);

}  // namespace zem
