#include "zemWave/zemwaveapp.h"

#include "base/trace.h"
#include "ui/application.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>

namespace {

std::atomic<CZemWaveApp*> g_currentApp{nullptr};

}  // namespace

CZemWaveApp* GetZemWaveApp()
{
    return g_currentApp.load();
}

CZemWaveModule::CZemWaveModule()
{
    CZemWaveApp* expected = nullptr;
    if (!g_currentApp.compare_exchange_strong(expected, &app_))
        zem::Trace("CZemWaveModule: a second module object; the first stays current");
    if (!app_.InitInstance())
        zem::Trace("CZemWaveModule: InitInstance failed");
}

CZemWaveModule::~CZemWaveModule()
{
    app_.ExitInstance();
    CZemWaveApp* self = &app_;
    g_currentApp.compare_exchange_strong(self, nullptr);
}

CZemWaveApp::CZemWaveApp(zem::OutputChoice output)
    : output_(std::move(output)), lock_(output_.clock ? *output_.clock : zem::Clock::Steady()),
      notifier_([this](int64_t waitMs, const ControlNotifier::WindowVisit& visit) {
          return VisitControlWindows(waitMs, visit);
      })
{
}

CZemWaveApp::~CZemWaveApp()
{
    try {
        std::lock_guard guard(lock_);
        DeleteEngine();
    } catch (...) {
        zem::Trace("CZemWaveApp: shutting the engine down failed");
    }
}

bool CZemWaveApp::InitInstance()
{
    zem::Trace("CZemWaveApp::InitInstance");
    // Controls live in the host's windows; nothing else to start here.
    LoadSettings();
    return true;
}

int CZemWaveApp::ExitInstance()
{
    zem::Trace("CZemWaveApp::ExitInstance");
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        zem::Trace("CZemWaveApp::ExitInstance: %s", e.what());
    } catch (...) {
        zem::Trace("CZemWaveApp::ExitInstance failed");
    }
    return 0;
}

int CZemWaveApp::Run()
{
    try {
        return zem::RunMessageLoop();
    } catch (const std::exception& e) {
        zem::Trace("CZemWaveApp::Run: %s", e.what());
    } catch (...) {
        zem::Trace("CZemWaveApp::Run failed");
    }
    return 0;
}

// --- Controls ---

// A control must never stay listed after it is gone, and the engine posts to listed
// controls: both wait for the lock as long as it takes.
void CZemWaveApp::Register(ControlList& list, CZemWaveCtrl* control)
{
    std::lock_guard guard(lock_);
    if (!m_pfmod) {
        // Registration runs on the UI thread, where the boxes are shown.
        messageBoxes_.Open();
        m_pfmod = std::make_unique<MyFMODEngine>(*this, output_);
    }
    list.push_back(control);
}

void CZemWaveApp::Unregister(ControlList& list, CZemWaveCtrl* control)
{
    try {
        std::lock_guard guard(lock_);
        const auto found = std::find(list.begin(), list.end(), control);
        if (found != list.end())
            list.erase(found);
        if (players_.empty() && playlists_.empty() && prompts_.empty())
            DeleteEngine();
    } catch (const std::exception& e) {
        zem::Trace("CZemWaveApp: unregistering a control failed: %s", e.what());
    } catch (...) {
        zem::Trace("CZemWaveApp: unregistering a control failed");
    }
}

void CZemWaveApp::DeleteEngine()
{
    if (!m_pfmod)
        return;
    // The worker may be waiting for this lock to post a notification, and shutting down
    // waits for the worker: let it give up.
    lock_.TurnAwayWaiters(true);
    try {
        m_pfmod->Uninit();
        m_pfmod.reset();
        messageBoxes_.Close();
    } catch (...) {
        lock_.TurnAwayWaiters(false);
        throw;
    }
    lock_.TurnAwayWaiters(false);
}

int CZemWaveApp::GetControlKind(const CZemWaveCtrl* control)
{
    std::lock_guard guard(lock_);
    const auto listed = [control](const ControlList& list) {
        return std::find(list.begin(), list.end(), control) != list.end();
    };
    if (listed(players_))
        return static_cast<int>(ControlKind::Player);
    if (listed(prompts_))
        return static_cast<int>(ControlKind::Prompt);
    if (listed(playlists_))
        return static_cast<int>(ControlKind::PlayList);
    return 0;
}

// --- EngineHost ---

ModuleEngineSettings CZemWaveApp::GetEngineSettings() const
{
    ModuleEngineSettings settings;
    settings.engine.SndDevname = SndDevname;
    settings.engine.SndDevId = SndDevId;
    settings.engine.SaveGroupSettings = SaveGroupSettings != 0;
    settings.Volume = Volume;
    settings.Loop = Loop != 0;
    settings.SkipSilence = SkipSilence != 0;
    settings.UICEnabled = UICEnabled != 0;
    return settings;
}

void CZemWaveApp::StoreEngineValues(uint32_t volume, bool loop, bool skipSilence)
{
    Volume = volume;
    Loop = loop ? 1 : 0;
    SkipSilence = skipSilence ? 1 : 0;
}

void CZemWaveApp::OnEngineEvent(int code, uintptr_t argument)
{
    notifier_.EngineEvent(code, argument);
}

void CZemWaveApp::OnFileEvent(FileHandle file, int code)
{
    notifier_.FileEvent(file, code);
}

void CZemWaveApp::OnUserMessage(const std::string& text)
{
    messageBoxes_.Show(text);
}

bool CZemWaveApp::VisitControlWindows(int64_t waitMs, const ControlNotifier::WindowVisit& visit)
{
    if (!lock_.TryLockFor(waitMs))
        return false;
    std::lock_guard guard(lock_, std::adopt_lock);
    for (const CZemWaveCtrl* c : players_)
        visit(ControlKind::Player, c->GetSafeHwnd());
    for (const CZemWaveCtrl* c : prompts_)
        visit(ControlKind::Prompt, c->GetSafeHwnd());
    for (const CZemWaveCtrl* c : playlists_)
        visit(ControlKind::PlayList, c->GetSafeHwnd());
    return true;
}
