#include "QMFPlayer/qmfplay/playerstart.h"

#include "ui/filedialog.h"

#include <unistd.h>

namespace {

constexpr char kRecordingFilter[] = "zemLog Files (*.qmf)|*.qmf|All Files (*.*)|*.*||";

}  // namespace

PlayerStart StartPlayer(const PlayerCommandLine& line, StatusWindow& window, std::string& recordingFile)
{
    recordingFile = line.recordingFile;
    if (!line.registerMode && access(recordingFile.c_str(), F_OK) != 0) {
        std::string chosen;
        if (!zem::OpenFileDialog(nullptr, kRecordingFilter, chosen))
            return PlayerStart::Cancelled;
        recordingFile = chosen;
    }
    return window.Create() ? PlayerStart::Started : PlayerStart::NoWindow;
}
