// The command line of zemcrypt: [-dec] [-zip] [-nocrc] [-k cryptokey] srcfile [dstfile].
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CryptSettings {
    bool decipher = false;
    bool compression = false;
    bool crc = true;
    std::string key;  // empty: none given
    std::string source;
    std::string destination;
};

// The settings, or nothing when the arguments call for the usage text. Option words may be
// written in any case, after "-" or "/". An argument that begins with "/" and is no option
// word is an absolute path.
std::optional<CryptSettings> ParseCommandLine(const std::vector<std::string>& args);
