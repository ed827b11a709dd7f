#include "QMFPlayer/qmfplay/jsescape.h"

#include <cstdio>

std::string JsEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\\' || c == '"' || c == '\'') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        } else if (c == '/' && i > 0 && text[i - 1] == '<') {
            out += "\\/";  // "</script>" must not end a page's script block
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
