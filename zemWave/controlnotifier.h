// ControlNotifier: the engine's notifications as window messages to the registered control
// windows. It runs on the engine's worker, posts and never sends, and waits for the control
// list at most kControlLockWaitMs (then that one notification is dropped), so the worker
// never waits for a window thread.
#pragma once

#include "zemWave/zemwavectrl.h"

#include "base/messages.h"
#include "ui/wintypes.h"

#include <cstdint>
#include <functional>

class ControlNotifier {
public:
    // wParam is the notification code.
    static constexpr zem::UINT WM_FMODFILE_UPDATE = zem::WM_USER + 0x32;    // lParam: the FileHandle
    static constexpr zem::UINT WM_FMODENGINE_UPDATE = zem::WM_USER + 0x33;  // lParam: 0
    static constexpr int64_t kControlLockWaitMs = 5000;

    using WindowVisit = std::function<void(ControlKind, zem::HWND)>;
    // Calls the visit with the window of every registered control under the control-list
    // lock, waited for at most waitMs; false when the lock was not had.
    using ControlVisitor = std::function<bool(int64_t waitMs, const WindowVisit& visit)>;

    explicit ControlNotifier(ControlVisitor visitControls) : visitControls_(std::move(visitControls)) {}

    // Every control hears every engine code.
    void EngineEvent(int code, uintptr_t argument);
    // Each kind of control hears the file codes ReceivesFileCode gives it.
    void FileEvent(uint32_t file, int code);
    static bool ReceivesFileCode(ControlKind kind, int code);

private:
    void Post(zem::UINT message, const std::function<bool(ControlKind)>& receives, zem::WPARAM wParam,
              zem::LPARAM lParam);

    const ControlVisitor visitControls_;
};
