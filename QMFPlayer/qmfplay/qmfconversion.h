// Turns an exported recording file (RIFF form "QMF1": an "XML " chunk, then data chunks) into
// the call-viewer folder: "data.xml", "err.txt" for XML that does not parse, one
// "<id>.dat" per data chunk and the script "data.js".
#pragma once

#include "QMFPlayer/qmfplay/callscript.h"
#include "QMFPlayer/qmfplay/playerview.h"

#include <atomic>
#include <string>

enum class ConversionResult {
    Done,
    Failed,  // the user was told, the file is no call file at all, or a stop was asked for; no viewer opens
    Fatal,   // the fatal error box was shown and the quit requested
};

// Only a regular file is read: a path naming a FIFO, a folder or a device is refused without
// an open that could wait. Once keepGoing (optional) reads false, chunk copying stops between
// two pieces and the result is Failed.
ConversionResult ConvertRecordingFile(const std::string& recordingPath,
                                      const ConversionSettings& settings, PlayerView& view,
                                      const std::atomic<bool>* keepGoing = nullptr);
