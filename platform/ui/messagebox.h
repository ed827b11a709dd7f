// Message boxes. Without a display, or off the UI thread, a box is not shown: its text goes to
// standard error and it is answered with its default button. A message box hook answers first.
#pragma once

#include "ui/wintypes.h"

#include <string>

namespace zem {

constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_OKCANCEL = 0x0001;
constexpr UINT MB_YESNOCANCEL = 0x0003;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_ICONERROR = 0x0010;
constexpr UINT MB_ICONQUESTION = 0x0020;
constexpr UINT MB_ICONWARNING = 0x0030;
constexpr UINT MB_ICONINFORMATION = 0x0040;
constexpr UINT MB_DEFBUTTON2 = 0x0100;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Texts are Latin-1. Returns the button pressed.
int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

}  // namespace zem
