// The main job: makes a short call of two recordings (the train's side, with the 2800 Hz
// pilot tone of train radio under it, and the control centre's side, on another tone),
// places them on one timeline with the host's XML information, removes the pilot tone with
// the "Pilotton" band-reject preset and plays the call through the module engine: to the
// default audio device, or to a WAV file with ZEM_AUDIO=wav:PATH. Without an audio device the
// call goes to a WAV file under the build folder. The recordings are kept beside it.
#include "callrecordings.h"

#include "zemWave/engine/myfmodengine.h"

#include "base/consoletext.h"
#include "base/paths.h"
#include "sound/soundsystem.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

namespace {

// The call: the train speaks first, the control centre answers while it still speaks.
constexpr const char* kCallStart = "2024-03-05 10:00:00.000";
constexpr const char* kAnswerStart = "2024-03-05 10:00:02.000";
constexpr int kTrainMs = 3000;
constexpr int kAnswerMs = 3000;
constexpr double kTrainHertz = 600;
constexpr double kAnswerHertz = 900;
constexpr double kPilotHertz = 2800;  // removed by effect slot 0, "Pilotton"

// The module engine's host here: the train-radio presets on, no control windows.
class PlayHost : public EngineHost {
public:
    ModuleEngineSettings GetEngineSettings() const override
    {
        ModuleEngineSettings settings;
        settings.UICEnabled = true;
        // The sound system's name for the user's default device, when it offers one.
        settings.engine.SndDevname = "default";
        return settings;
    }
    void StoreEngineValues(uint32_t, bool, bool) override {}
    void OnEngineEvent(int, uintptr_t) override {}
    void OnFileEvent(FileHandle, int) override {}
    void OnUserMessage(const std::string& text) override { std::fprintf(stderr, "playcall: %s\n", zem::ConsoleText(text).c_str()); }
};

// The folder this job writes into: build/playcall beside build/bin.
std::string OutputFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path build = error ? std::filesystem::current_path() : program.parent_path().parent_path();
    return (build / "playcall").string();
}

bool HasAudioDevice()
{
    zem::SoundSystem probe(zem::OutputChoice::Device(false));
    const bool opened = probe.DriverCount() > 0 && probe.Init(playcall::kRate, 1);
    probe.Close();
    return opened;
}

void WaitForWorker(MyFMODEngine& engine)
{
    std::promise<void> done;
    std::future<void> handled = done.get_future();
    if (engine.RunOnWorker([&done] { done.set_value(); }))
        handled.wait_for(std::chrono::seconds(30));
}

std::string FileInfo(const char* start, const char* group)
{
    return std::string("<info><starttime>") + start + "</starttime><group>" + group +
           "</group><callid>4711</callid></info>";
}

// Plays the call; false when a recording could not be queued.
bool PlayCall(zem::OutputChoice output, const std::string& train, const std::string& answer)
{
    PlayHost host;
    MyFMODEngine engine(host, std::move(output));
    const FileHandle trainFile = engine.AddFile(train);
    const FileHandle answerFile = engine.AddFile(answer);
    if (!trainFile || !answerFile) {
        std::fprintf(stderr, "playcall: %s\n", engine.GetLastError().c_str());
        return false;
    }
    WaitForWorker(engine);
    engine.SetFileInfo(trainFile, FileInfo(kCallStart, "Zug"));
    engine.SetFileInfo(answerFile, FileInfo(kAnswerStart, "Leitstelle"));
    const auto preset = engine.GetEffect(0);
    engine.CommandHandler(kCmdFirstEffect, trainFile, false);
    std::printf("Call %s: %s from %s, %s from %s; %u ms on the timeline.\n",
                engine.FindFile(trainFile)->GetInfo("callid").c_str(), "Zug", kCallStart, "Leitstelle", kAnswerStart,
                engine.GetLength());
    std::printf("Effect on the train's side: \"%s\" (%s %s Hz, width %s Hz).\n", preset->name.c_str(),
                preset->type.c_str(), preset->param1.c_str(), preset->param2.c_str());

    engine.CommandHandler(kCmdPlay, 0, false);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (engine.GetState() == _FMODEngine::kStopped)
            break;
    }
    // A little of the output's buffer is still to be heard.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return engine.GetState() == _FMODEngine::kStopped;
}

// What the WAV file holds: the train's tone and the answer's, and the pilot tone, which the
// band-reject filter took out.
void ReportMix(const std::string& mixPath, const std::string& train)
{
    int rate = 0;
    const std::vector<int16_t> mix = playcall::ReadLeftSide(mixPath, &rate);
    int trainRate = 0;
    const std::vector<int16_t> recording = playcall::ReadLeftSide(train, &trainRate);
    if (mix.empty() || recording.empty()) {
        std::printf("The WAV file could not be read back.\n");
        return;
    }
    // Levels over the whole file, relative to the train's tone, which the filter leaves.
    const double trainInMix = playcall::ToneLevel(mix, kTrainHertz, rate);
    const double pilotInMix = playcall::ToneLevel(mix, kPilotHertz, rate);
    const double answerInMix = playcall::ToneLevel(mix, kAnswerHertz, rate);
    const double trainInRecording = playcall::ToneLevel(recording, kTrainHertz, trainRate);
    const double pilotInRecording = playcall::ToneLevel(recording, kPilotHertz, trainRate);
    std::printf("In the WAV file (%.1f s): train %.0f Hz level %.0f, answer %.0f Hz level %.0f,\n",
                static_cast<double>(mix.size()) / rate, kTrainHertz, trainInMix, kAnswerHertz, answerInMix);
    std::printf("  pilot tone %.0f Hz at %.1f %% of the train's tone (%.1f %% in the recording).\n", kPilotHertz,
                trainInMix > 0 ? 100 * pilotInMix / trainInMix : 0.0,
                trainInRecording > 0 ? 100 * pilotInRecording / trainInRecording : 0.0);
}

int Run()
{
    const std::string folder = OutputFolder();
    if (!zem::MakeFolders(folder)) {
        std::fprintf(stderr, "playcall: cannot make %s\n", folder.c_str());
        return 1;
    }
    const std::string train = folder + "/train.wav";
    const std::string answer = folder + "/answer.wav";
    if (!playcall::WriteToneRecording(train, {{kTrainHertz, 6000}, {kPilotHertz, 4000}}, kTrainMs) ||
        !playcall::WriteToneRecording(answer, {{kAnswerHertz, 6000}}, kAnswerMs)) {
        std::fprintf(stderr, "playcall: cannot write the recordings into %s\n", folder.c_str());
        return 1;
    }
    std::printf("Recordings: %s and %s\n", train.c_str(), answer.c_str());

    zem::OutputChoice output = zem::OutputChoice::FromEnvironment();
    std::string mixPath;
    if (output.kind == zem::OutputChoice::Kind::Wav) {
        mixPath = output.path;
    } else if (output.kind == zem::OutputChoice::Kind::Device && !HasAudioDevice()) {
        mixPath = folder + "/call.wav";
        std::printf("No audio device here: the call goes to a WAV file instead.\n");
        output = zem::OutputChoice::Wav(mixPath);
    }

    if (!PlayCall(output, train, answer))
        return 1;
    if (mixPath.empty()) {
        std::printf("Played on the %s output.\n", output.kind == zem::OutputChoice::Kind::Null ? "null" : "audio device");
        return 0;
    }
    std::printf("The call is in %s\n", mixPath.c_str());
    ReportMix(mixPath, train);
    return 0;
}

}  // namespace

int main()
{
    try {
        return Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "playcall: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "playcall failed\n");
    }
    return 1;
}
