// The start of the player program on the user-interface thread: the recording file to show,
// then the status window.
#pragma once

#include "QMFPlayer/qmfplay/playercommandline.h"
#include "QMFPlayer/qmfplay/statuswindow.h"

#include <string>

enum class PlayerStart {
    Started,    // recordingFile is set and the window is open
    Cancelled,  // no file was chosen: the program ends without a window
    NoWindow,   // the status window could not be made
};

// Unless in register mode, a path naming no file asks the user for one in the open-file
// dialog; in register mode the path is taken as it is.
PlayerStart StartPlayer(const PlayerCommandLine& line, StatusWindow& window, std::string& recordingFile);
