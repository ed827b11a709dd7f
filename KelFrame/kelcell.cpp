#include "KelFrame/kelcell.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace zem {
namespace {

// atoi without its overflow: huge numbers saturate (and are later out of the grid).
int Number(const std::string& text)
{
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}

}  // namespace

std::string NormalizeCell(const std::string& text)
{
    static const std::string allowed = "CR-0123456789";
    std::string out;
    for (char c : text) {
        const char u = char(std::toupper(static_cast<unsigned char>(c)));
        if (allowed.find(u) == std::string::npos)
            break;
        out += u;
    }
    return out;
}

std::string AcceptCell(const std::string& text)
{
    std::string cell = NormalizeCell(text);
    const bool ok = cell.size() >= 4 && cell.find('C') != std::string::npos && cell.find('R') != std::string::npos;
    return ok ? cell : std::string();
}

std::string FormatCellRange(int c1, int r1, int c2, int r2)
{
    char text[64];
    if (c1 < 0 || r1 < 0 || (c2 < 0) != (r2 < 0))
        return {};
    if (c2 < 0)
        std::snprintf(text, sizeof text, "C%2.2dR%2.2d", c1, r1);
    else if (c1 <= c2 && r1 <= r2)
        std::snprintf(text, sizeof text, "C%2.2dR%2.2d-C%2.2dR%2.2d", c1, r1, c2, r2);
    else
        return {};
    return text;
}

bool ParseCell(const std::string& cell, CellRange& out)
{
    out = CellRange{};
    std::string rest = cell;
    auto read = [&]() {
        size_t c = rest.find('C');
        if (c == std::string::npos)
            return;
        rest.erase(0, c + 1);
        size_t r = rest.find('R');
        if (r == std::string::npos || r == 0)
            return;
        out.c1 = Number(rest.substr(0, r));
        rest.erase(0, r + 1);
        size_t dash = rest.find('-');
        if (dash == std::string::npos) {
            out.r1 = Number(rest);
            return;
        }
        if (dash == 0)
            return;
        out.r1 = Number(rest.substr(0, dash));
        rest.erase(0, dash + 1);
        c = rest.find('C');
        if (c == std::string::npos)
            return;
        rest.erase(0, c + 1);
        r = rest.find('R');
        if (r == std::string::npos || r == 0)
            return;
        out.c2 = Number(rest.substr(0, r));
        out.r2 = Number(rest.substr(r + 1));
    };
    read();
    if (out.c1 < 0 || out.r1 < 0 || (out.c2 < 0) != (out.r2 < 0))
        return false;
    return !(out.c2 >= 0 && out.c1 > out.c2) && !(out.r2 >= 0 && out.r1 > out.r2);
}

}  // namespace zem
