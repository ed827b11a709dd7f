#include "zemWave/controlnotifier.h"

#include "zemWave/engine/fmodengine.h"

#include "base/trace.h"
#include "ui/window.h"

void ControlNotifier::EngineEvent(int code, uintptr_t argument)
{
    Post(WM_FMODENGINE_UPDATE, [](ControlKind) { return true; }, static_cast<zem::WPARAM>(code),
         static_cast<zem::LPARAM>(argument));
}

void ControlNotifier::FileEvent(uint32_t file, int code)
{
    Post(WM_FMODFILE_UPDATE, [code](ControlKind kind) { return ReceivesFileCode(kind, code); },
         static_cast<zem::WPARAM>(code), static_cast<zem::LPARAM>(file));
}

bool ControlNotifier::ReceivesFileCode(ControlKind kind, int code)
{
    switch (kind) {
    case ControlKind::PlayList:
        return true;
    case ControlKind::Prompt:
        return code != _FMODEngine::kFileHeaderDownload && code != _FMODEngine::kFileLoading;
    case ControlKind::Player:
        return code == _FMODEngine::kFileMarked || code == _FMODEngine::kFileVolume ||
               code == _FMODEngine::kFileBalance || code == _FMODEngine::kFileEffect;
    }
    return false;
}

void ControlNotifier::Post(zem::UINT message, const std::function<bool(ControlKind)>& receives, zem::WPARAM wParam,
                           zem::LPARAM lParam)
{
    // A window may be gone already; the post then fails and nothing else happens.
    const bool visited = visitControls_(kControlLockWaitMs, [&](ControlKind kind, zem::HWND window) {
        if (receives(kind) && zem::IsWindow(window))
            zem::PostMessage(window, message, wParam, lParam);
    });
    if (!visited)
        zem::Trace("Notification 0x%X (%u) dropped: the control list is busy", message, static_cast<unsigned>(wParam));
}
