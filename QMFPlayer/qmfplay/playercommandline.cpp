#include "QMFPlayer/qmfplay/playercommandline.h"

#include <strings.h>

PlayerCommandLine ParsePlayerCommandLine(const std::vector<std::string>& arguments)
{
    PlayerCommandLine line;
    for (const std::string& argument : arguments) {
        if (strcasecmp(argument.c_str(), "-nozemwaveocx") == 0) {
            line.useControl = false;
        } else if (strcasecmp(argument.c_str(), "-register") == 0) {
            line.registerMode = true;
        } else if (!argument.empty()) {
            line.recordingFile += (line.recordingFile.empty() ? "" : " ") + argument;
        }
    }
    return line;
}
