// The call-tag script "data.js": the calls of a call description with their tags and audio
// files, as global arrays for the call-viewer pages. Chunk files of tags are deciphered and
// attachments moved to their original names on the way.
#pragma once

#include "QMFPlayer/qmfplay/playerview.h"

#include <functional>
#include <string>

class TextModeFile;
class XmlElement;

// Deciphers the file at path in place with key; false when the cipher tool is missing or
// cannot be started (what the tool itself reports is not looked at).
using ChunkDecipher = std::function<bool(const std::string& key, const std::string& path)>;

struct ConversionSettings {
    std::string folder;             // the call-viewer folder, native, without a trailing "/"
    bool controlAvailable = false;  // the Player control was found or has been registered
    ChunkDecipher decipher;
};

// Writes the whole script into out with "\n" line ends (the file adds the carriage returns).
// A write that fails does not stop the script: its decipherings and moves all happen, and
// out's Close tells of the failure.
void WriteCallScript(const XmlElement& root, const ConversionSettings& settings, PlayerView& view,
                     TextModeFile& out);
