// An output file written the way a text-mode C runtime file writes: every line feed becomes
// carriage return and line feed, also one that already follows a carriage return.
#pragma once

#include "base/file.h"

#include <string>
#include <string_view>

class TextModeFile {
public:
    // Creates the file anew; false when it cannot be made.
    bool Create(const std::string& path);
    // False when the bytes did not all reach the file.
    bool Write(std::string_view text);
    bool Close();

private:
    zem::File file_;
};
