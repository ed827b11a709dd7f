#include "zemWave/engine/myfmodengine.h"

#include "base/trace.h"
#include "registry/registry.h"
#include "ZemBaseLib/xmlelement.h"

#include <algorithm>
#include <strings.h>

namespace {

struct Preset {
    const char* name;
    const char* centre;  // Hz
    const char* width;   // Hz
};

// The signalling tones of train radio, each removed by a band-reject filter.
constexpr Preset kTrainRadioPresets[] = {
    {"Pilotton", "2800", "300"},
    {"Notruf", "1520", "300"},
    {"Freizeichen", "2280", "300"},
    {"Sammelruf", "1960", "300"},
};

bool NameIs(const std::string& name, const char* wanted)
{
    return strcasecmp(name.c_str(), wanted) == 0;
}

uint32_t ScaledVolume(uint32_t volume, double factor)
{
    const auto scaled = static_cast<uint64_t>(volume * factor);
    return static_cast<uint32_t>(std::min<uint64_t>(scaled, MyFMODEngine::kMaxVolume));
}

// A REG_DWORD of four bytes, or the default.
uint32_t ReadNumber(zem::HKEY key, const char* name, uint32_t fallback)
{
    zem::DWORD type = 0;
    zem::DWORD value = 0;
    zem::DWORD size = sizeof value;
    if (zem::RegQueryValueEx(key, name, &type, reinterpret_cast<zem::BYTE*>(&value), &size) != zem::ERROR_SUCCESS ||
        type != zem::REG_DWORD || size != sizeof value)
        return fallback;
    return value;
}

}  // namespace

MyFMODEngine::MyFMODEngine(EngineHost& host, zem::OutputChoice output)
    : _FMODEngine(std::move(output), host.GetEngineSettings().engine), host_(host),
      moduleSettings_(host.GetEngineSettings())
{
    SetEngineCallback(&MyFMODEngine::OnEngineNotify, &host_);
    SetFileCallback(&MyFMODEngine::OnFileNotify, &host_);
    if (moduleSettings_.UICEnabled)
        DefinePresets();
    SetVolume(moduleSettings_.Volume);
    SetIndexLoop(moduleSettings_.Loop);
    SetSkipSilence(moduleSettings_.SkipSilence);
}

MyFMODEngine::~MyFMODEngine()
{
    // The worker's tasks use this object: it ends before anything here goes.
    Uninit();
    host_.StoreEngineValues(GetVolume(), GetIndexLoop(), GetSkipSilence());
}

void MyFMODEngine::DefinePresets()
{
    uint16_t slot = 0;
    for (const Preset& p : kTrainRadioPresets)
        EditEffect(slot++, p.name, "bandreject", p.centre, p.width);
}

// --- Recordings from the host ---

FileHandle MyFMODEngine::AddFile(const std::string& name)
{
    const FileHandle handle = _FMODEngine::AddFile(name, SysTime());
    return handle && FindFile(handle) ? handle : 0;
}

void MyFMODEngine::SetFileInfo(FileHandle handle, const std::string& xml)
{
    if (!FindFile(handle))
        return;
    XmlElement root;
    if (!root.Parse(xml)) {
        zem::Trace("SetFileInfo: %s", root.GetLastError().c_str());
        return;
    }
    for (uint16_t i = 0; i < root.CountChildren(); ++i) {
        const XmlElement* child = root.GetChild(i);
        const std::string& name = child->GetName();
        const std::string text(child->GetText());
        if (NameIs(name, "starttime")) {
            SysTime start;
            start.Parse(text);
            if (start.IsValid())
                SetFileStartTime(handle, start);
        } else if (NameIs(name, "group")) {
            SetFileGroup(handle, text);
            if (moduleSettings_.engine.SaveGroupSettings)
                ApplyGroupSettings(handle, text);
        } else if (_FMODFile* file = FindFile(handle)) {
            file->SetInfo(name, text);
        }
    }
}

void MyFMODEngine::ApplyGroupSettings(FileHandle handle, const std::string& group)
{
    const std::string path = std::string(kEngineSettingsKey) + "\\Groups\\" + group;
    zem::HKEY key = nullptr;
    if (zem::RegOpenKeyEx(zem::HKEY_CURRENT_USER, path, zem::KEY_READ, &key) != zem::ERROR_SUCCESS)
        return;
    const uint32_t volume = ReadNumber(key, "Volume", _FMODFile::kDefaultVolume);
    const uint32_t balance = ReadNumber(key, "Balance", _FMODFile::kDefaultBalance);
    const auto effect = static_cast<int32_t>(ReadNumber(key, "Effect", 0xFFFFFFFFu));
    zem::RegCloseKey(key);
    SetFileVolume(handle, volume);
    SetFileBalance(handle, balance);
    SetFileEffect(handle, effect);
}

// --- Play state ---

void MyFMODEngine::SaveState()
{
    rememberedState_ = GetState();
}

void MyFMODEngine::RestoreState()
{
    ReturnToState(rememberedState_);
}

// --- Notifications to the host ---

void MyFMODEngine::OnEngineNotify(void* context, _FMODEngine*, int code, uintptr_t argument)
{
    if (context)
        static_cast<EngineHost*>(context)->OnEngineEvent(code, argument);
}

void MyFMODEngine::OnFileNotify(void* context, _FMODFile* file, int code)
{
    if (context && file)
        static_cast<EngineHost*>(context)->OnFileEvent(file->GetHandle(), code);
}

void MyFMODEngine::ShowUserMessage(const std::string& text)
{
    host_.OnUserMessage(text);
}

// --- Commands ---

void MyFMODEngine::CommandHandler(uint32_t id, uint32_t argument, bool group)
{
    zem::Trace("MyFMODEngine()::CommandHandler(cmdid=%d)\n", static_cast<int>(id));
    const FileHandle file = argument;
    switch (id) {
    case kCmdIndexSet:
        AddIndex(argument);
        break;
    case kCmdIndexRemoveCurrent:
        RemoveIndex(0);
        break;
    case kCmdIndexRemovePrevious:
        RemovePreviousIndex(0);
        break;
    case kCmdIndexRemoveNext:
        RemoveNextIndex(0);
        break;
    case kCmdIndexRemoveAll:
        RemoveAllIndices();
        break;
    case kCmdIndexBeep:
        SetIndexBeep(GetIndexBeep() ? 0 : 1);
        break;
    case kCmdIndexLoop:
        SetIndexLoop(!GetIndexLoop());
        break;
    case kCmdStartPause:
        if (GetState() == kPlaying)
            Pause();
        else
            Play();
        break;
    case kCmdStop:
        Stop();
        break;
    case kCmdLouder:
        ScaleVolume(file, 1.1);
        break;
    case kCmdQuieter:
        ScaleVolume(file, 0.9);
        break;
    case kCmdMute:
        SetVolume(0);
        break;
    case kCmdFaster:
        ChangeSpeed([](double speed) { return std::min(speed * 1.1, kMaxSpeed); });
        break;
    case kCmdSlower:
        ChangeSpeed([](double speed) { return std::max(speed * 0.9, kMinSpeed); });
        break;
    case kCmdNormalSpeed:
        ChangeSpeed([](double) { return 1.0; });
        break;
    case kCmdNormalVolume:
        if (argument == 0)
            SetVolume(kNormalVolume);
        else
            SetFileVolume(file, kNormalVolume);
        break;
    case kCmdPlay:
        Play();
        break;
    case kCmdPause:
        Pause();
        break;
    case kCmdMarked:
        ToggleMarked(file, group);
        break;
    case kCmdSetStartTime:
    case kCmdSetEndTime:
        SetRulerEndHere(id == kCmdSetStartTime);
        break;
    case kCmdLockTimeRuler:
        SetTimeRulerLock(!IsTimeRulerLocked());
        break;
    case kCmdActive:
        ToggleEnabled(file, group);
        break;
    case kCmdSkipSilence:
        SetSkipSilence(!GetSkipSilence());
        break;
    case kCmdSelectedSetVolume:
    case kCmdSelectedSetBalance: {
        std::vector<_FMODFile*> marked;
        GetMarkedFiles(marked);
        for (const _FMODFile* f : marked) {
            if (id == kCmdSelectedSetVolume)
                SetFileVolume(f->GetHandle(), argument);
            else
                SetFileBalance(f->GetHandle(), argument);
        }
        break;
    }
    case kCmdSetSpeed: {
        const double speed = std::clamp(argument / 100.0, kMinSpeed, kMaxSpeed);
        ChangeSpeed([speed](double) { return speed; });
        break;
    }
    case kCmdSetVolume:
        SetVolume(argument);
        break;
    case kCmdForward:
        MoveHeld(argument ? argument : kDefaultStepMs);
        break;
    case kCmdBack:
        MoveHeld(-static_cast<int64_t>(argument ? argument : kDefaultStepMs));
        break;
    case kCmdNextIndex:
        RunHeld([this] { NextIndex(); });
        break;
    case kCmdPreviousIndex:
        RunHeld([this] { PreviousIndex(); });
        break;
    case kCmdNextRecording:
        RunHeld([this] { NextRecording(); });
        break;
    case kCmdPreviousRecording:
        RunHeld([this] { PreviousRecording(); });
        break;
    case kCmdUpdatePosition:
        // Left paused: the control moves the position while the user drags.
        RunOnWorker([this, argument] {
            if (GetState() == kPlaying)
                Pause();
            SetPosition(argument);
        });
        break;
    default:
        if (id >= kCmdNoEffect && id <= kCmdLastEffectSlot) {
            const int slot = id == kCmdNoEffect ? -1 : static_cast<int>(id - kCmdFirstEffect);
            for (FileHandle target : Targets(file, group))
                SetFileEffect(target, slot);
        }
        // Every other command belongs to the controls themselves.
        break;
    }
}

std::vector<FileHandle> MyFMODEngine::Targets(FileHandle file, bool group) const
{
    if (!FindFile(file))
        return {};
    if (!group)
        return {file};
    std::vector<_FMODFile*> files;
    const std::string name = GetFileGroup(file);
    GetGroupFiles(files, name.c_str());
    std::vector<FileHandle> handles;
    for (const _FMODFile* f : files)
        handles.push_back(f->GetHandle());
    return handles;
}

void MyFMODEngine::ToggleMarked(FileHandle file, bool group)
{
    if (!FindFile(file))
        return;
    const std::string name = GetFileGroup(file);
    std::vector<_FMODFile*> files;
    GetGroupFiles(files, nullptr);
    for (const _FMODFile* f : files) {
        const FileHandle h = f->GetHandle();
        const bool toggles = group ? GetFileGroup(h) == name : h == file;
        SetFileMarked(h, toggles ? !IsFileMarked(h) : false);
    }
}

void MyFMODEngine::ToggleEnabled(FileHandle file, bool group)
{
    if (!FindFile(file))
        return;
    const bool enabled = !GetFileEnabled(file);
    const std::vector<FileHandle> targets = Targets(file, group);
    // One notification for the whole group: the last file's.
    for (size_t i = 0; i < targets.size(); ++i)
        SetFileEnabled(targets[i], enabled, i + 1 == targets.size());
}

void MyFMODEngine::ScaleVolume(FileHandle file, double factor)
{
    if (file == 0) {
        SetVolume(ScaledVolume(GetVolume(), factor));
        return;
    }
    if (FindFile(file))
        SetFileVolume(file, ScaledVolume(GetFileVolume(file), factor));
}

void MyFMODEngine::ChangeSpeed(const std::function<double(double)>& next)
{
    RunHeld([this, next] { SetSpeed(next(GetSpeed())); });
}

void MyFMODEngine::SetRulerEndHere(bool start)
{
    // Left paused: the user sets the ruler end where playback stands.
    RunOnWorker([this, start] {
        if (GetState() == kPlaying)
            Pause();
        SetTimeRulerLock(true);
        const SysTime here = GetStartTime().AddMs(GetPosition());
        if (start)
            SetStartTime(here);
        else
            SetEndTime(here);
    });
}

void MyFMODEngine::MoveHeld(int64_t deltaMs)
{
    RunHeld([this, deltaMs] {
        const int64_t target = std::clamp<int64_t>(int64_t{GetPosition()} + deltaMs, 0, UINT32_MAX);
        SetPosition(static_cast<uint32_t>(target));
    });
}
