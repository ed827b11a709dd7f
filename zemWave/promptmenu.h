// The Prompt control's row menu and the way its commands are routed: view changes stay with
// the control, recording and filter commands go to the engine for the row's recording, and
// everything else goes to the engine as it is.
#pragma once

#include "zemWave/engine/fmodengine.h"
#include "zemWave/modulesettings.h"

#include "ui/menu.h"

#include <cstdint>

// The file view is offered up to this many recordings.
inline constexpr size_t kMaxFilesForFileView = 10;

// Appends the row menu's items for a row showing `file` (0: none) in `viewMode`.
void AppendPromptMenu(zem::HMENU popup, const _FMODEngine& engine, const ZemWaveSettings& settings, int viewMode,
                      FileHandle file);

enum class PromptCommand {
    PassOn,       // not a command for the control (update requests, the thumb's redraw)
    SumView,
    FileView,
    ChannelView,
    RowFile,      // to the engine with the current row's recording and the group flag
    Engine,       // to the engine with no argument
};

// notifyCode is the high word of WM_COMMAND's wParam; fileCount the engine's.
PromptCommand ClassifyPromptCommand(uint32_t id, uint32_t notifyCode, size_t fileCount);
