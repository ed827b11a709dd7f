// _FMODEngine: life cycle, the worker thread and its messages, the timer tick.
#include "zemWave/engine/fmodengine.h"

#include "zemWave/engine/engineformat.h"
#include "zemWave/engine/usermessage.h"

#include "base/paths.h"
#include "base/trace.h"
#include "registry/registry.h"

#include <cstdio>
#include <exception>
#include <strings.h>

namespace {

constexpr uintptr_t kTimerId = 1;

void RunGuarded(const std::function<void()>& task)
{
    try {
        task();
    } catch (const std::exception& e) {
        zem::Trace("Engine task failed: %s", e.what());
    } catch (...) {
        zem::Trace("Engine task failed");
    }
}

// What given-up workers may still be using: kept, never freed, and still reachable so leak
// checkers tell it from a real leak.
class GivenUpWorkers {
public:
    void Keep(std::unique_ptr<zem::SoundSystem> sound, std::vector<std::shared_ptr<_FMODFile>> files)
    {
        std::lock_guard lock(mutex_);
        sounds_.push_back(std::move(sound));
        files_.push_back(std::move(files));
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<zem::SoundSystem>> sounds_;
    std::vector<std::vector<std::shared_ptr<_FMODFile>>> files_;
};

GivenUpWorkers& GivenUp()
{
    static auto* const workers = new GivenUpWorkers;  // never destroyed: the workers never end
    return *workers;
}

}  // namespace

thread_local EngineWorkerEnd* EngineWorkerEnd::current = nullptr;

void EngineWorkerEnd::StayIfAbandoned()
{
    std::unique_lock hold(mutex);
    if (abandoned)
        never.wait(hold, [] { return false; });
}

_FMODEngine::_FMODEngine(zem::SoundSystem& sound, zem::Clock& clock, EngineSettings settings)
    : sound_(&sound), clock_(clock), settings_(std::move(settings)), messages_(clock), sleep_(clock),
      workerEndWait_(clock)
{
    Init();
}

_FMODEngine::_FMODEngine(zem::OutputChoice output, EngineSettings settings)
    : ownedSound_(std::make_unique<zem::SoundSystem>(output)), sound_(ownedSound_.get()),
      clock_(output.clock ? *output.clock : zem::Clock::Steady()), settings_(std::move(settings)),
      messages_(clock_), sleep_(clock_), workerEndWait_(clock_)
{
    Init();
}

_FMODEngine::~_FMODEngine()
{
    if (IsWorkerThread()) {
        // The worker would go on using this object after it is freed.
        zem::Trace("_FMODEngine destroyed on its own worker thread");
        std::terminate();
    }
    Uninit();
    JoinWorker();  // one that ended by itself before Uninit
    if (workerGivenUp_) {
        // A worker stuck in the sound layer must not hang the host's window thread, so it is
        // given up: its thread is detached, and the sound layer it may still be inside and
        // the files it may still be using are leaked on purpose, never closed or freed. Should
        // that call ever return, the worker stops for good where it comes back: after the
        // sound-layer call (SoundCall), after the message, or before its closing steps. Only
        // a worker held up in the engine's own code would go on on a destroyed engine, which
        // waiting for ever was the only way to prevent.
        std::lock_guard lock(lock_);
        GivenUp().Keep(std::move(ownedSound_), queue_.RemoveAll());
        return;
    }
    // Files are left only when the worker never ran; nothing plays them.
    std::vector<std::shared_ptr<_FMODFile>> files;
    {
        std::lock_guard lock(lock_);
        files = queue_.RemoveAll();
    }
    files.clear();
}

bool _FMODEngine::Init()
{
    if (IsWorkerThread())
        return InitOnWorker();
    {
        std::lock_guard guard(workerMutex_);
        if (!workerStarted_) {
            try {
                workerRunning_ = true;
                worker_ = std::thread([this, end = workerEnd_] { WorkerMain(*end); });
                workerStarted_ = true;
            } catch (const std::exception& e) {
                workerRunning_ = false;
                zem::Trace("The engine's worker cannot start: %s", e.what());
                return false;
            }
        }
    }
    if (!workerRunning_) {
        zem::Trace("_FMODEngine::Init after Uninit: the engine does not start again");
        return false;
    }
    Post(kMsgInit);
    YieldToWorker();
    return true;
}

bool _FMODEngine::InitOnWorker()
{
    if (zem::SoundSystem::Version() < kRequiredSoundVersion) {
        char text[128];
        std::snprintf(text, sizeof text, "Error : You are using the wrong DLL version!  You should be using FMOD %.02f\n",
                      static_cast<double>(kRequiredSoundVersion));
        ShowUserMessage(text);
        return false;
    }
    // The output itself is the creator's choice, made with the sound system.
    const int drivers = Sound()->DriverCount();
    int driver = -1;
    if (!settings_.SndDevname.empty()) {
        for (int i = 0; i < drivers && driver < 0; ++i) {
            if (strcasecmp(Sound()->DriverName(i).c_str(), settings_.SndDevname.c_str()) == 0)
                driver = i;
        }
    } else {
        WriteDriverNames(drivers);
    }
    if (driver < 0)
        driver = settings_.SndDevId >= static_cast<uint32_t>(drivers) ? 0 : static_cast<int>(settings_.SndDevId);
    if (!Sound()->SetDriver(driver))
        zem::Trace("SetDriver(%d): %s", driver, LastSoundErrorText().c_str());
    if (!Sound()->Init(kMixRate, kSoftwareChannels)) {
        zem::Trace("Init: %s", LastSoundErrorText().c_str());
        Sound()->Close();
        return false;
    }
    if (!Sound()->SetStreamBufferSize(kStreamBufferMs))
        zem::Trace("Stream_SetBufferSize: %s", LastSoundErrorText().c_str());
    beep_ = Sound()->SampleLoad(zem::MapPath(kBeepSamplePath));
    if (!beep_) {
        zem::Trace("No beep sample %s: %s", kBeepSamplePath, LastSoundErrorText().c_str());
        return false;
    }
    Sound()->SampleSetLoop(beep_, false);
    return true;
}

void _FMODEngine::WriteDriverNames(int drivers)
{
    zem::HKEY key = nullptr;
    if (zem::RegOpenKeyEx(zem::HKEY_CURRENT_USER, kEngineSettingsKey, zem::KEY_SET_VALUE, &key) != zem::ERROR_SUCCESS)
        return;
    for (int i = 0; i < drivers; ++i) {
        const std::string name = Sound()->DriverName(i);
        const std::string value = EngineFormat("SndDevName%d", i);
        if (zem::RegSetValueEx(key, value, zem::REG_SZ, reinterpret_cast<const zem::BYTE*>(name.c_str()),
                               static_cast<zem::DWORD>(name.size() + 1)) != zem::ERROR_SUCCESS)
            zem::Trace("Cannot write %s", value.c_str());
    }
    zem::RegCloseKey(key);
}

void _FMODEngine::Uninit()
{
    {
        std::lock_guard lock(lock_);
        engineCallback_ = nullptr;
        engineContext_ = nullptr;
        fileCallback_ = nullptr;
        fileContext_ = nullptr;
    }
    if (!workerRunning_)
        return;
    if (IsWorkerThread()) {
        UninitOnWorker();
        return;
    }
    Post(kMsgUninit);
    sleep_.Stop();  // a worker waiting between retries gives up at once
    JoinWorker();
}

bool _FMODEngine::JoinWorker()
{
    std::lock_guard guard(workerMutex_);
    if (!worker_.joinable())
        return true;
    const int64_t deadline = clock_.NowMs() + kWorkerEndMs;
    zem::Trace("Waiting for uninit...");
    bool ended = false;
    {
        auto lock = workerEndWait_.Lock();
        ended = workerEndWait_.WaitUntil(lock, deadline, [this] { return workerEnd_->finished; });
    }
    if (!ended) {
        // The worker either finishes its closing steps first or sees this and skips them.
        std::lock_guard hold(workerEnd_->mutex);
        ended = workerEnd_->finished;
        workerEnd_->abandoned = !ended;
    }
    if (!ended) {
        zem::Trace("The engine's worker did not end within %lld ms; it is given up",
                   static_cast<long long>(kWorkerEndMs));
        worker_.detach();
        workerGivenUp_ = true;
        return false;
    }
    worker_.join();
    return true;
}

void _FMODEngine::UninitOnWorker()
{
    if (settings_.SaveGroupSettings)
        SaveGroupSettings();
    for (;;) {
        std::shared_ptr<_FMODFile> file;
        {
            std::lock_guard lock(lock_);
            if (queue_.empty())
                break;
            file = *queue_.begin();
        }
        file->Uninit();
        {
            std::lock_guard lock(lock_);
            queue_.Remove(file->handle_);
            RulerInputsChangedLocked();
        }
    }
}

void _FMODEngine::SaveGroupSettings()
{
    struct GroupValues {
        std::string name;
        uint32_t volume;
        uint32_t balance;
        int effect;
    };
    std::vector<GroupValues> groups;
    {
        std::lock_guard lock(lock_);
        for (const auto& file : queue_) {
            // A file without a group has no group key.
            if (file->group_.empty())
                continue;
            bool known = false;
            for (const GroupValues& g : groups)
                known = known || g.name == file->group_;
            if (!known)
                groups.push_back({file->group_, file->volume_, file->balance_, file->effect_});
        }
    }
    for (const GroupValues& g : groups) {
        zem::HKEY key = nullptr;
        const std::string path = std::string(kEngineSettingsKey) + "\\Groups\\" + g.name;
        if (zem::RegCreateKeyEx(zem::HKEY_CURRENT_USER, path, zem::KEY_READ | zem::KEY_WRITE, &key) != zem::ERROR_SUCCESS)
            continue;
        const zem::DWORD values[3] = {g.volume, g.balance, static_cast<zem::DWORD>(g.effect)};
        const char* names[3] = {"Volume", "Balance", "Effect"};
        for (int i = 0; i < 3; ++i) {
            if (zem::RegSetValueEx(key, names[i], zem::REG_DWORD, reinterpret_cast<const zem::BYTE*>(&values[i]),
                                   sizeof(zem::DWORD)) != zem::ERROR_SUCCESS)
                zem::Trace("Cannot write %s of group %s", names[i], g.name.c_str());
        }
        zem::RegCloseKey(key);
    }
}

void _FMODEngine::WorkerMain(WorkerEnd& end)
{
    EngineWorkerEnd::current = &end;
    workerId_ = std::this_thread::get_id();
    messages_.SetTimer(kTimerId, kTimerMs);
    zem::ThreadMessage message;
    while (messages_.Get(message)) {
        bool quit = false;
        try {
            quit = HandleMessage(message);
        } catch (const std::exception& e) {
            zem::Trace("Engine message 0x%X failed: %s", message.message, e.what());
        } catch (...) {
            zem::Trace("Engine message 0x%X failed", message.message);
        }
        end.StayIfAbandoned();  // a message that outlasted the engine's wait
        if (quit)
            break;
    }
    messages_.KillTimer(kTimerId);
    try {
        CloseSound();
    } catch (...) {
        zem::Trace("Closing the sound layer failed");
    }
    // Held to the end: the engine cannot give this worker up halfway through these steps.
    std::lock_guard hold(end.mutex);
    if (end.abandoned)
        return;  // the engine may be gone
    workerRunning_ = false;
    // Tasks left behind hold what they captured; nothing will run them.
    while (messages_.Peek(message, true)) {
    }
    workerId_ = std::thread::id();
    {
        auto lock = workerEndWait_.Lock();
        end.finished = true;
    }
    workerEndWait_.Wake();
}

void _FMODEngine::CloseSound()
{
    // Files still queued (the worker ended on WM_QUIT) lose their streams with the layer.
    if (beep_ && !Sound()->SampleFree(beep_))
        zem::Trace("Sample_Free: %s", LastSoundErrorText().c_str());
    beep_ = 0;
    Sound()->Close();
}

bool _FMODEngine::HandleMessage(const zem::ThreadMessage& message)
{
    const auto handle = static_cast<FileHandle>(message.lParam);
    switch (message.message) {
    case kMsgInit:
        if (!InitOnWorker())
            zem::Trace("The engine's start-up reported a failure");
        break;
    case kMsgUninit:
        Uninit();
        return true;
    case kMsgPlay:
        Play();
        break;
    case kMsgPause:
        Pause();
        break;
    case kMsgStop:
        Stop();
        break;
    case kMsgAddFile:
        AddFileOnWorker(handle);
        break;
    case kMsgSetPosition:
        SetPosition(static_cast<uint32_t>(message.lParam));
        break;
    case kMsgNotifyEngine:
        NotifyEngine(static_cast<int>(message.wParam));
        break;
    case kMsgNotifyFile:
        if (_FMODFile* file = FindFile(handle)) {
            if (message.wParam == kFileLoading)
                file->loadNoticePending_ = false;
            NotifyFile(file, static_cast<int>(message.wParam));
        }
        break;
    case kMsgUninitFile:
        // The file may have left the queue since this was posted.
        if (_FMODFile* file = FindFile(handle)) {
            if (message.wParam == kReleaseStream)
                file->ReleaseStream();
            else
                file->Uninit();
        }
        break;
    case zem::WM_NULL:
        if (message.task)
            RunGuarded(message.task);
        break;
    case zem::WM_TIMER:
        if (message.wParam == kTimerId && state_ == kPlaying)
            Tick();
        break;
    default:
        break;
    }
    return false;
}

void _FMODEngine::Tick()
{
    const uint32_t position = GetPosition();
    const uint32_t length = GetLength();
    if (position < length) {
        bool indexStep;
        bool skipStep;
        {
            std::lock_guard lock(lock_);
            indexStep = indexLoop_ || indexBeep_ != 0;
            skipStep = skipSilence_;
        }
        if (indexStep)
            IndexStep();
        NotifyEngine(kEnginePosition);
        if (skipStep)
            SkipStep();
        return;
    }
    if (GetIndexLoop()) {
        Pause();
        SetPosition(0);
        Play();
    } else {
        Stop();
    }
}

bool _FMODEngine::Post(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (!workerRunning_)
        return false;
    messages_.Post(message, wParam, lParam);
    return true;
}

void _FMODEngine::YieldToWorker()
{
    std::this_thread::yield();
}

bool _FMODEngine::IsWorkerThread() const
{
    return std::this_thread::get_id() == workerId_.load();
}

zem::ThreadQueue* _FMODEngine::GetWorkerThread()
{
    return workerRunning_ ? &messages_ : nullptr;
}

bool _FMODEngine::RunOnWorker(std::function<void()> task)
{
    if (IsWorkerThread()) {
        RunGuarded(task);
        return true;
    }
    if (!workerRunning_)
        return false;
    messages_.PostTask(std::move(task));
    return true;
}

bool _FMODEngine::RunHeld(std::function<void()> action)
{
    return RunOnWorker([this, action = std::move(action)] {
        const int remembered = state_;
        if (remembered == kPlaying)
            Pause();
        try {
            action();
        } catch (const std::exception& e) {
            zem::Trace("Held command failed: %s", e.what());
        } catch (...) {
            zem::Trace("Held command failed");
        }
        ReturnToState(remembered);
    });
}

void _FMODEngine::ReturnToState(int remembered)
{
    if (GetState() == remembered)
        return;
    if (remembered == kPlaying)
        Play();
    else if (remembered == kPaused)
        Pause();
    else
        Stop();
}

void _FMODEngine::ShowUserMessage(const std::string& text)
{
    PrintUserMessage(text);
}

std::string _FMODEngine::LastSoundErrorText() const
{
    return GetFMODErrorText(sound_->LastError());
}

const char* _FMODEngine::GetFMODErrorText(int code)
{
    static const char* const kTexts[] = {
        "No errors",
        "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
        "This command failed because FSOUND_Init was not called",
        "Error initializing output device.",
        "The output device is already in use and cannot be reused.",
        "Playing the sound failed.",
        "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
        "Error setting cooperative level for hardware.",
        "Error creating hardware sound buffer.",
        "File not found",
        "Unknown file format",
        "Error loading file",
        "Not enough memory ",
        "The version number of this file format is not supported",
        "An invalid parameter was passed to this function",
        "Tried to use an EAX command on a non EAX enabled channel or output.",
        "Failed to allocate a new channel",
        "Recording not supported on this device",
        "Required Mediaplayer codec is not installed",
    };
    if (code < 0 || code >= static_cast<int>(std::size(kTexts)))
        return "Unknown error";
    return kTexts[code];
}
