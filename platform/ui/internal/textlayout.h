// Internal to the window layer. How DrawText breaks a text into lines: a pure function of the
// text, the flags, the width and a measure, so it can be checked without fonts.
#pragma once

#include "ui/wintypes.h"

#include <functional>
#include <string>
#include <vector>

namespace zem::ui {

struct TextLine {
    std::string text;
    int width = 0;
};

// Lines as drawn: prefixes ("&") resolved unless DT_NOPREFIX, tabs expanded to stops of eight
// characters with DT_EXPANDTABS, line ends honoured unless DT_SINGLELINE, and with
// DT_WORDBREAK lines broken between words so each fits the width where a word allows it.
std::vector<TextLine> LayoutText(const std::string& text, UINT format, int width,
                                 const std::function<int(const std::string&)>& measure);

}  // namespace zem::ui
