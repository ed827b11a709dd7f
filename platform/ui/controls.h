// Buttons and check boxes: child windows that tell their parent of a click with
// WM_COMMAND(id | BN_CLICKED << 16, button window). UI thread only.
#pragma once

#include "ui/gdi.h"

#include <string>

namespace zem {

// Kinds (low 4 bits) and looks.
constexpr uint32_t BS_PUSHBUTTON = 0x0000;
constexpr uint32_t BS_DEFPUSHBUTTON = 0x0001;
constexpr uint32_t BS_CHECKBOX = 0x0002;       // the parent sets the check itself
constexpr uint32_t BS_AUTOCHECKBOX = 0x0003;   // toggles itself on a click
constexpr uint32_t BS_3STATE = 0x0005;
constexpr uint32_t BS_AUTO3STATE = 0x0006;     // unchecked -> checked -> indeterminate
constexpr uint32_t BS_OWNERDRAW = 0x000B;     // a push button whose face its owner paints
constexpr uint32_t BS_BITMAP = 0x0080;
constexpr uint32_t BS_PUSHLIKE = 0x1000;       // a check box that looks like a push button
constexpr uint32_t BS_MULTILINE = 0x2000;      // the text wraps between words to the button's width
constexpr uint32_t kButtonKindMask = 0x000F;

constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT BM_SETIMAGE = 0x00F7;  // wParam IMAGE_BITMAP, lParam the HBITMAP (the caller keeps it)
constexpr WPARAM IMAGE_BITMAP = 0;
constexpr int BN_CLICKED = 0;

// An owner-drawn button asks for its face with OCM_DRAWITEM to its own unhandled procedure
// (the reflected form) and, when that answers 0, with WM_DRAWITEM to its parent; wParam is the
// control id, lParam the DRAWITEMSTRUCT. It is drawn inside WM_PAINT, with hDC on the button.
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT OCM_DRAWITEM = 0x2000 + WM_DRAWITEM;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODS_SELECTED = 0x0001;  // held down
struct DRAWITEMSTRUCT {
    UINT CtlType = ODT_BUTTON;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = ODA_DRAWENTIRE;
    UINT itemState = 0;
    HWND hwndItem = nullptr;
    HDC hDC = nullptr;
    RECT rcItem;
};

constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;
constexpr WPARAM BST_INDETERMINATE = 2;

// Before a button paints it asks its parent for its colours, as the window system does:
// WM_CTLCOLORBTN for a push button (also a push-like check box), WM_CTLCOLORSTATIC for a check
// box, wParam a DC, lParam the button. The parent (or, reflected to it as OCM_CTLCOLOR..., the
// button's own creator) sets the DC's text colour and answers a brush that fills the button's
// background; 0 keeps the toolkit's colours.
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT OCM_CTLCOLORBTN = 0x2000 + WM_CTLCOLORBTN;
constexpr UINT OCM_CTLCOLORSTATIC = 0x2000 + WM_CTLCOLORSTATIC;

// A button window with the Latin-1 text; null as CreateWindow fails. Messages the button does
// not handle itself (mouse messages that its face ignores, such as right clicks) go to
// unhandled, so its creator can give the button behaviour of its own.
HWND CreateButton(const std::string& text, uint32_t style, int x, int y, int width, int height, HWND parent,
                  uintptr_t id, WindowProcedure unhandled = {});

bool EnableWindow(HWND hwnd, bool enable);
bool IsWindowEnabled(HWND hwnd);

}  // namespace zem
