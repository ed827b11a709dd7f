// MyFMODEngine: the control module's one engine per process. Around _FMODEngine it adds the
// start values from the module's settings (written back when it is deleted), the train-radio
// filter presets, queueing and placing recordings for the host, handing the engine's
// notifications to the host, and CommandHandler, which carries out every menu and toolbar
// command of the controls.
//
// Threads: CommandHandler, AddFile and SetFileInfo run on the controls' window thread; the
// two notification functions run on the engine's worker and hand over to the host, which
// never waits for a window thread.
#pragma once

#include "zemWave/engine/commandids.h"
#include "zemWave/engine/enginehost.h"
#include "zemWave/engine/fmodengine.h"

#include "sound/output.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MyFMODEngine : public _FMODEngine {
public:
    static constexpr double kMinSpeed = 0.33;
    static constexpr double kMaxSpeed = 3.0;
    static constexpr uint32_t kMaxVolume = 255;
    static constexpr uint32_t kNormalVolume = 100;
    static constexpr uint32_t kDefaultStepMs = 1000;  // "Vorwärts" and "Zurück" without an argument

    // Plays on `output` (by default what ZEM_AUDIO chooses). The host must outlive the engine.
    explicit MyFMODEngine(EngineHost& host, zem::OutputChoice output = zem::OutputChoice::FromEnvironment());
    // Leaves its master volume, index loop and skip silence with the host.
    ~MyFMODEngine() override;

    // Queues a recording with a null start time; its handle, or 0 (reason in GetLastError).
    FileHandle AddFile(const std::string& name);
    using _FMODEngine::AddFile;
    // Applies the host's XML information: children starttime, group (with the group's stored
    // volume, balance and effect when SaveGroupSettings is set) and any other (callid).
    void SetFileInfo(FileHandle handle, const std::string& xml);

    // The argument is a FileHandle or a value, depending on the command.
    void CommandHandler(uint32_t id, uint32_t argument, bool group);

    // Remember the play state, and return to it.
    void SaveState();
    void RestoreState();

    // The engine's callbacks (worker thread); context is the host.
    static void OnEngineNotify(void* context, _FMODEngine* engine, int code, uintptr_t argument);
    static void OnFileNotify(void* context, _FMODFile* file, int code);

protected:
    // To the host.
    void ShowUserMessage(const std::string& text) override;

private:
    void DefinePresets();
    void ApplyGroupSettings(FileHandle handle, const std::string& group);
    // Every file of the file's group when group is set, else the file alone; empty for an
    // unknown handle.
    std::vector<FileHandle> Targets(FileHandle file, bool group) const;
    void ToggleMarked(FileHandle file, bool group);
    void ToggleEnabled(FileHandle file, bool group);
    void ScaleVolume(FileHandle file, double factor);
    // Held: the new speed from the one current when the command runs.
    void ChangeSpeed(const std::function<double(double)>& next);
    // Pauses (not resumed) and moves one end of the ruler to the position, ruler locked.
    void SetRulerEndHere(bool start);
    void MoveHeld(int64_t deltaMs);

    EngineHost& host_;
    const ModuleEngineSettings moduleSettings_;
    std::atomic<int> rememberedState_{kStopped};
};
