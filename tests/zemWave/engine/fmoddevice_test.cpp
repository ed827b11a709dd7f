// The engine in real time through the device output, as a program plays a call, with ALSA's
// file plugin standing in for the sound card: what was heard is read back from its raw files.
#include "support/tracefile.h"
#include "enginerig.h"

#include "platform/sound/wavfiles.h"
#include "registry/registry.h"

#include "support/alsafiledevice.h"
#include "support/scratch.h"

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using enginetest::At;
using enginetest::CallbackLog;
using enginetest::kPatience;
using enginetest::kRate;
using zemtest::AlsaFileDevice;

constexpr double kAmplitude = 8000;
// The placement of a recording may be off by one mixer block plus what the device buffers
// (PortAudio asks ALSA for about 35 ms).
constexpr long kPlacementMs = zem::SoundSystem::kBlockMs + 50;

using zemtest::TraceToFile;
[[maybe_unused]] ::testing::Environment* const g_trace = ::testing::AddGlobalTestEnvironment(new TraceToFile);

std::string TraceSoFar()
{
    return zemtest::Exists(TraceToFile::Path()) ? zemtest::ReadFile(TraceToFile::Path()) : std::string();
}

zem::OutputChoice Device(int onlyRate = 0, bool fallBackToNull = false)
{
    zem::OutputChoice choice = zem::OutputChoice::Device(fallBackToNull);
    choice.onlyRate = onlyRate;
    return choice;
}

// An engine on real time over a sound layer of its own, as the module runs one.
class DeviceEngine {
public:
    explicit DeviceEngine(zem::OutputChoice choice)
        : sound_(std::move(choice)), engine_(sound_, zem::Clock::Steady(), EngineSettings{})
    {
        log_.Attach(engine_);
        engine_.SetSkipSilence(false);  // the gaps between recordings are what is measured
    }

    _FMODEngine& engine() { return engine_; }
    zem::SoundSystem& sound() { return sound_; }
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

    FileHandle Add(const std::string& path, uint32_t startMs)
    {
        const size_t added = log_.Count('E', _FMODEngine::kEngineFileAdded);
        const FileHandle handle = engine_.AddFile(path, At(startMs));
        EXPECT_NE(handle, 0u) << engine_.GetLastError();
        EXPECT_TRUE(log_.WaitFor('E', _FMODEngine::kEngineFileAdded, added + 1));
        return handle;
    }

    // Plays the whole timeline; false when the engine does not reach its end in time.
    bool PlayToEnd()
    {
        engine_.Play();
        if (!log_.WaitFor('E', _FMODEngine::kEngineVolume, 1))
            return false;
        const auto giveUp = std::chrono::steady_clock::now() + kPatience;
        while (engine_.GetState() != _FMODEngine::kStopped) {
            if (std::chrono::steady_clock::now() > giveUp)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

private:
    std::string folder_ = zemtest::NewFolder("device");
    CallbackLog log_;  // outlives the engine, whose worker calls it
    zem::SoundSystem sound_;
    _FMODEngine engine_;
};

long Onset(const AlsaFileDevice::Take& take, double hertz, double level = kAmplitude / 2)
{
    return soundtest::ToneOnsetMs(take.Channel(0), hertz, take.rate, level);
}

// With no driver name set, the engine lists the drivers it finds in the settings key.
TEST(EngineDevice, TheDriverListNamesTheDevice)
{
    AlsaFileDevice device;
    zem::RegDeleteTree(zem::HKEY_CURRENT_USER, "Software\\KESTRALON");
    zem::HKEY key = nullptr;
    ASSERT_EQ(zem::RegCreateKeyEx(zem::HKEY_CURRENT_USER, kEngineSettingsKey, zem::KEY_ALL_ACCESS, &key),
              zem::ERROR_SUCCESS);
    DeviceEngine(Device()).engine().Uninit();
    char name[64] = {};
    zem::DWORD size = sizeof name;
    zem::DWORD type = 0;
    EXPECT_EQ(zem::RegQueryValueEx(key, "SndDevName0", &type, reinterpret_cast<zem::BYTE*>(name), &size),
              zem::ERROR_SUCCESS);
    zem::RegCloseKey(key);
    EXPECT_EQ(type, zem::REG_SZ);
    EXPECT_STREQ(name, "default");
}

// Two recordings 2 s apart on the timeline arrive 2 s apart on the device, also when the
// device plays only 48000 Hz and the output converts the engine's 8000 Hz to it.
TEST(EngineDevice, TwoRecordingsTwoSecondsApartArriveInPlaceAtEitherRate)
{
    for (const int only : {0, 48000}) {
        SCOPED_TRACE(only ? "the device plays only 48000 Hz" : "the device takes 8000 Hz");
        AlsaFileDevice device;
        {
            DeviceEngine call(Device(only));
            enginetest::WriteTone(call.Path("a.wav"), 500, 500);
            enginetest::WriteTone(call.Path("b.wav"), 1000, 500);
            call.Add(call.Path("a.wav"), 0);
            call.Add(call.Path("b.wav"), 2000);
            ASSERT_TRUE(call.PlayToEnd());
            EXPECT_EQ(call.sound().MixRate(), kRate);
        }
        const std::vector<AlsaFileDevice::Take> takes = device.Takes();
        ASSERT_EQ(takes.size(), 1u);
        EXPECT_EQ(takes[0].rate, only ? only : kRate);
        const long first = Onset(takes[0], 500);
        const long second = Onset(takes[0], 1000);
        ASSERT_GE(first, 0);
        ASSERT_GE(second, 0);
        EXPECT_NEAR(second - first, 2000, kPlacementMs);
    }
}

// The pilot tone of train radio through the "Pilotton" band-reject preset: how much of it is
// left, next to the speech band's 500 Hz, in a mix read back at `rate`.
double PilotShare(const AlsaFileDevice::Take& take, long fromMs)
{
    const std::vector<int16_t> part = take.Channel(0, static_cast<size_t>(fromMs * take.rate / 1000),
                                                   static_cast<size_t>(take.rate / 5));
    return soundtest::ToneLevel(part, 2800, take.rate) / soundtest::ToneLevel(part, 500, take.rate);
}

std::vector<int16_t> SpeechAndPilot()
{
    std::vector<int16_t> samples = soundtest::Tone(500, 6000, kRate, kRate / 2);
    const std::vector<int16_t> pilot = soundtest::Tone(2800, 6000, kRate, kRate / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(samples[i] / 2 + pilot[i] / 2);
    return samples;
}

TEST(EngineDevice, ThePilotTonePresetLowersThePilotAsOnTheWavOutput)
{
    // The same recording twice, the second with the preset.
    const auto queue = [](auto& add, _FMODEngine& engine) {
        add("plain.wav", 0);
        const FileHandle filtered = add("filtered.wav", 1000);
        ASSERT_TRUE(engine.EditEffect(0, "Pilotton", "bandreject", "2800", "300"));
        engine.SetFileEffect(filtered, 0);
    };
    AlsaFileDevice device;
    {
        DeviceEngine call(Device());
        const auto add = [&](const char* name, uint32_t ms) {
            return call.Add(enginetest::WriteRecording(call.Path(name), SpeechAndPilot()), ms);
        };
        queue(add, call.engine());
        ASSERT_TRUE(call.PlayToEnd());
    }
    ASSERT_EQ(device.Takes().size(), 1u);
    const AlsaFileDevice::Take heard = device.Takes()[0];
    const long start = Onset(heard, 500, 1000);
    ASSERT_GE(start, 0);
    const double plain = PilotShare(heard, start + 150);
    const double filtered = PilotShare(heard, start + 1150);

    enginetest::EngineRig rig;
    rig.engine().SetSkipSilence(false);
    const auto add = [&](const char* name, uint32_t ms) {
        return rig.Add(enginetest::WriteRecording(rig.Path(name), SpeechAndPilot()), At(ms));
    };
    queue(add, rig.engine());
    rig.StartPlaying();
    rig.Ticks(14);
    AlsaFileDevice::Take written{kRate, 2, rig.FinishMix()};
    const double wavPlain = PilotShare(written, 150);
    const double wavFiltered = PilotShare(written, 1150);

    EXPECT_NEAR(plain, 1.0, 0.1);
    EXPECT_NEAR(wavPlain, 1.0, 0.1);
    EXPECT_LT(wavFiltered, 0.1);
    EXPECT_NEAR(filtered, wavFiltered, 0.05) << "the device hears what the wav output writes";
}

TEST(EngineDevice, StopAndCloseReleaseTheDeviceForTheNextEngine)
{
    AlsaFileDevice device;
    for (const double hertz : {500.0, 1000.0}) {
        DeviceEngine call(Device());
        enginetest::WriteTone(call.Path("a.wav"), hertz, 300);
        call.Add(call.Path("a.wav"), 0);
        ASSERT_TRUE(call.PlayToEnd());
        call.engine().Stop();
    }
    const std::vector<AlsaFileDevice::Take> takes = device.Takes();
    ASSERT_EQ(takes.size(), 2u) << "each engine opened the device";
    EXPECT_GE(Onset(takes[0], 500), 0);
    EXPECT_EQ(Onset(takes[0], 1000), -1);
    EXPECT_GE(Onset(takes[1], 1000), 0);
}

// A device that does not open, or fails while playing: the engine says why, plays the call
// silently to its end and shuts down, never hanging.
TEST(EngineDevice, AFailingDeviceGivesTheErrorTextAndASilentCall)
{
    struct Case {
        const char* what;
        AlsaFileDevice::Kind kind;
        bool fallBackToNull;
        const char* traced;
    };
    const Case cases[] = {
        {"cannot open", AlsaFileDevice::Kind::Missing, false, "Init: Error initializing output device."},
        {"cannot open, with fallback", AlsaFileDevice::Kind::Missing, true, "using the null output"},
        {"fails while playing", AlsaFileDevice::Kind::FailsWhilePlaying, false, "the output device failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AlsaFileDevice device(c.kind);
        const size_t traceBefore = TraceSoFar().size();
        const auto start = std::chrono::steady_clock::now();
        {
            DeviceEngine call(Device(0, c.fallBackToNull));
            enginetest::WriteTone(call.Path("a.wav"), 500, 1500);
            call.Add(call.Path("a.wav"), 0);
            EXPECT_TRUE(call.PlayToEnd());
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, kPatience);
        EXPECT_NE(TraceSoFar().find(c.traced, traceBefore), std::string::npos);
        EXPECT_TRUE(device.Takes().empty());
    }
}

}  // namespace
