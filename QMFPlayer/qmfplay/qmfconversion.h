// Turns an exported recording file (RIFF form "QMF1": an "XML " chunk, then data chunks) into
// the call-viewer folder: "data.xml", "err.txt" for XML that does not parse, one
// "<id>.dat" per data chunk and the script "data.js".
#pragma once

#include "QMFPlayer/qmfplay/callscript.h"
#include "QMFPlayer/qmfplay/playerview.h"

#include <string>

enum class ConversionResult {
    Done,
    Failed,  // the user was told, or the file is no call file at all; no viewer opens
    Fatal,   // the fatal error box was shown and the quit requested
};

ConversionResult ConvertRecordingFile(const std::string& recordingPath,
                                      const ConversionSettings& settings, PlayerView& view);
