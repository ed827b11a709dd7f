// The player program's command line: "-nozemwaveocx", "-register" and the recording file.
#pragma once

#include <string>
#include <vector>

struct PlayerCommandLine {
    bool useControl = true;     // false with "-nozemwaveocx"
    bool registerMode = false;  // "-register"
    std::string recordingFile;  // the other arguments, joined by one blank, case kept
};

// Options are whole arguments in any case; everything else is the file's path, which keeps
// its case (paths here tell capitals apart).
PlayerCommandLine ParsePlayerCommandLine(const std::vector<std::string>& arguments);
