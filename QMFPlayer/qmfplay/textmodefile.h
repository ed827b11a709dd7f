// An output file written the way a text-mode C runtime file writes: every line feed becomes
// carriage return and line feed, also one that already follows a carriage return. Like such a
// file it is buffered: the text reaches the file in blocks, the last one at Close.
#pragma once

#include "base/file.h"

#include <string>
#include <string_view>

class TextModeFile {
public:
    // Creates the file anew; false when it cannot be made.
    bool Create(const std::string& path);
    // False once a block did not reach the file; nothing more is written after that.
    bool Write(std::string_view text);
    // Writes the rest and closes; false when any of the text did not reach the file.
    bool Close();

private:
    void WriteOut();

    zem::File file_;
    std::string block_;
    bool failed_ = false;
};
