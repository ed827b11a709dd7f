// Cell strings: "C<column>R<row>" or a range "C<c1>R<r1>-C<c2>R<r2>".
#pragma once

#include <string>

namespace zem {

struct CellRange {
    int c1 = -1, r1 = -1, c2 = -1, r2 = -1;  // c2, r2 are -1 for a single cell
    int EndColumn() const { return c2 > c1 ? c2 : c1; }
    int EndRow() const { return r2 > r1 ? r2 : r1; }
};

// Upper-cased and cut to its leading run of the characters "CR-0123456789".
std::string NormalizeCell(const std::string& text);
// What SetCell keeps: a normalized text of at least 4 characters with a C and an R, else "".
std::string AcceptCell(const std::string& text);
// "C%2.2dR%2.2d", or the range form; "" for a range the grammar does not allow.
std::string FormatCellRange(int c1, int r1, int c2, int r2);
// False for a cell the grammar rejects; the outputs hold what was read.
bool ParseCell(const std::string& cell, CellRange& range);

}  // namespace zem
