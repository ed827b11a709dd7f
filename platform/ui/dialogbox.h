// Modal dialogs from a template: a top-level dialog window of the toolkit with its controls
// placed in dialog units of the template's font. UI thread only.
#pragma once

#include "ui/wintypes.h"

#include <functional>
#include <string>
#include <vector>

namespace zem {

constexpr UINT WM_INITDIALOG = 0x0110;

// One control of a template; place and size in dialog units. A drop-down combo box's height
// is that of its open list; its window takes the closed height.
struct DialogItem {
    enum class Kind { Button, Static, ComboBox };
    Kind kind = Kind::Static;
    int id = 0;
    std::string text;     // Latin-1
    uint32_t style = 0;   // BS_ or CBS_ bits
    int x = 0, y = 0, cx = 0, cy = 0;
};

// The font of a dialog and its controls; its metrics give the dialog units.
struct DialogFont {
    std::string face = "MS Sans Serif";
    int pointSize = 8;
};

struct DialogTemplate {
    std::string caption;  // Latin-1
    int cx = 0, cy = 0;   // dialog units
    std::vector<DialogItem> items;
    DialogFont font;
};

// The font's base units in pixels, as the window system measures them: the average width of
// "A".."Z" and "a".."z" (rounded) and the character cell's height. One dialog unit is a quarter
// of the first, an eighth of the second. Before the toolkit runs: 6 x 13, the values of
// "MS Sans Serif" 8.
struct DialogBaseUnits {
    int x = 6;
    int y = 13;
};
DialogBaseUnits GetDialogBaseUnits(const DialogFont& font = {});
int DialogUnitsToPixelsX(int units, const DialogFont& font = {});
int DialogUnitsToPixelsY(int units, const DialogFont& font = {});

// Creates the dialog (a window of its own, without owner, modal for the application) and its
// controls, sends WM_INITDIALOG, and delivers messages until EndDialog; returns the result
// given to it. The procedure answers nonzero for a message it handled; a WM_COMMAND of IDOK or
// IDCANCEL it leaves alone ends the dialog with that id. Keys work as in the window system's
// dialogs: Return is the focused push button's command, else the default push button's
// (IDOK when there is none); Escape is IDCANCEL; closing the window sends WM_CLOSE, which
// the procedure leaves alone for IDCANCEL.
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
