// CZemWaveApp: the control module's application object, one per process. It keeps the lists
// of the live Player, Prompt and PlayList controls, owns the one engine of the process (made
// with the first registered control, shut down and deleted with the last) and holds the
// module's settings, read at start-up and written back at shut-down.
//
// Threads: the host's UI thread creates and destroys the controls, so it registers and
// unregisters them; the engine's worker hands its notifications over, which the control
// notifier posts to the listed windows. One lock guards the lists and the engine, and is
// held for the whole of each operation.
#pragma once

#include "zemWave/controllistlock.h"
#include "zemWave/controlnotifier.h"
#include "zemWave/modulesettings.h"
#include "zemWave/usermessagebox.h"
#include "zemWave/zemwavectrl.h"

#include "zemWave/engine/enginehost.h"
#include "zemWave/engine/myfmodengine.h"

#include "sound/output.h"

#include <memory>
#include <vector>

class CZemWaveApp : public ZemWaveSettings, public EngineHost {
public:
    // Engines play on `output` (by default what ZEM_AUDIO chooses); the lock's waits use
    // output.clock (real time when null), which must outlive the object.
    explicit CZemWaveApp(zem::OutputChoice output = zem::OutputChoice::FromEnvironment());
    // Shuts down an engine that controls left behind.
    ~CZemWaveApp() override;
    CZemWaveApp(const CZemWaveApp&) = delete;
    CZemWaveApp& operator=(const CZemWaveApp&) = delete;

    // Module start-up: reads the settings. True on success.
    bool InitInstance();
    // Module shut-down: writes Volume, Loop and SkipSilence back. The exit code.
    int ExitInstance();
    // The message loop of the window layer; 0 when it fails.
    int Run();

    // Called by each control's constructor and destructor. Registering the first control
    // creates the engine; unregistering the last shuts it down and deletes it.
    void RegisterPlayerCtrl(CZemWaveCtrl* control) { Register(players_, control); }
    void RegisterPlayListCtrl(CZemWaveCtrl* control) { Register(playlists_, control); }
    void RegisterPromptCtrl(CZemWaveCtrl* control) { Register(prompts_, control); }
    void UnregisterPlayerCtrl(CZemWaveCtrl* control) { Unregister(players_, control); }
    void UnregisterPlayListCtrl(CZemWaveCtrl* control) { Unregister(playlists_, control); }
    void UnregisterPromptCtrl(CZemWaveCtrl* control) { Unregister(prompts_, control); }
    // 1 player, 2 prompt, 3 playlist, 0 not registered.
    int GetControlKind(const CZemWaveCtrl* control);

    // The engine (UI thread); never null while a control is registered.
    MyFMODEngine* GetEngine() const { return m_pfmod.get(); }

    // Under the control-list lock, waited for at most waitMs, calls visit with the window of
    // every registered control (the window may be gone already). False, with nothing visited,
    // when the lock could not be had in time or the engine is being shut down.
    bool VisitControlWindows(int64_t waitMs, const ControlNotifier::WindowVisit& visit);

    // EngineHost
    ModuleEngineSettings GetEngineSettings() const override;
    void StoreEngineValues(uint32_t volume, bool loop, bool skipSilence) override;
    void OnEngineEvent(int code, uintptr_t argument) override;
    void OnFileEvent(FileHandle file, int code) override;
    void OnUserMessage(const std::string& text) override;

private:
    using ControlList = std::vector<CZemWaveCtrl*>;

    void Register(ControlList& list, CZemWaveCtrl* control);
    void Unregister(ControlList& list, CZemWaveCtrl* control);
    // Under the lock.
    void DeleteEngine();

    const zem::OutputChoice output_;
    UserMessageBoxes messageBoxes_;
    ControlListLock lock_;
    ControlNotifier notifier_;
    // --- under lock_ ---
    std::unique_ptr<MyFMODEngine> m_pfmod;
    ControlList players_;
    ControlList prompts_;
    ControlList playlists_;
};

// The application object of the loaded module, as the controls reach it; null while there is
// none (the module's static object sets it for its lifetime).
CZemWaveApp* GetZemWaveApp();

// The control module's one static object: constructed when the module is loaded, it makes the
// application object current and starts it (InitInstance); destroyed when the module is
// unloaded, it shuts it down (ExitInstance). One may exist at a time.
class CZemWaveModule {
public:
    CZemWaveModule();
    ~CZemWaveModule();
    CZemWaveModule(const CZemWaveModule&) = delete;
    CZemWaveModule& operator=(const CZemWaveModule&) = delete;

    CZemWaveApp& App() { return app_; }

private:
    CZemWaveApp app_;
};
