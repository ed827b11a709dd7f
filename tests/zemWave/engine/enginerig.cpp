#include "enginerig.h"

#include "platform/sound/wavfiles.h"

#include "support/scratch.h"

#include <thread>

namespace enginetest {

std::ostream& operator<<(std::ostream& out, const Event& e)
{
    return out << e.kind << e.code << (e.kind == 'F' ? "#" + std::to_string(e.file) : std::string());
}

void CallbackLog::Attach(_FMODEngine& engine)
{
    engine.SetEngineCallback(&CallbackLog::OnEngine, this);
    engine.SetFileCallback(&CallbackLog::OnFile, this);
}

void CallbackLog::OnEngine(void* context, _FMODEngine*, int code, uintptr_t)
{
    static_cast<CallbackLog*>(context)->Add({'E', code, 0});
}

void CallbackLog::OnFile(void* context, _FMODFile* file, int code)
{
    static_cast<CallbackLog*>(context)->Add({'F', code, file->GetHandle()});
}

void CallbackLog::Add(Event e)
{
    std::lock_guard lock(mutex_);
    events_.push_back(e);
    all_.push_back(e);
    added_.notify_all();
}

std::vector<Event> CallbackLog::Take()
{
    std::lock_guard lock(mutex_);
    return std::exchange(events_, {});
}

size_t CallbackLog::Count(char kind, int code) const
{
    std::lock_guard lock(mutex_);
    size_t n = 0;
    for (const Event& e : all_)
        n += e.kind == kind && e.code == code ? 1 : 0;
    return n;
}

bool CallbackLog::WaitFor(char kind, int code, size_t n) const
{
    std::unique_lock lock(mutex_);
    return added_.wait_for(lock, kPatience, [&] {
        size_t seen = 0;
        for (const Event& e : all_)
            seen += e.kind == kind && e.code == code ? 1 : 0;
        return seen >= n;
    });
}

std::string WriteRecording(const std::string& path, const std::vector<int16_t>& samples)
{
    soundtest::WavSpec spec;
    spec.rate = kRate;
    spec.dataBytes = soundtest::Pcm16(samples);
    zemtest::WriteFile(path, soundtest::MakeWav(spec));
    return path;
}

std::string WriteTone(const std::string& path, double hertz, int ms, double amplitude)
{
    return WriteRecording(path, soundtest::Tone(hertz, amplitude, kRate, kRate * ms / 1000));
}

SysTime At(uint32_t ms)
{
    zem::SYSTEMTIME day{};
    day.wYear = 2024;
    day.wMonth = 3;
    day.wDay = 5;
    day.wDayOfWeek = 2;
    day.wHour = 10;
    return SysTime(&day).AddMs(ms);
}

EngineRig::EngineRig(EngineSettings settings, int64_t clockStartMs)
    : clock(clockStartMs), clockStartMs_(clockStartMs), folder_(zemtest::NewFolder("engine")), mixPath_(folder_ + "/mix.wav"),
      sound_(std::make_unique<zem::SoundSystem>(zem::OutputChoice::Wav(mixPath_, &clock))),
      engine_(std::make_unique<_FMODEngine>(*sound_, clock, std::move(settings)))
{
    log.Attach(*engine_);
    Settle();  // the sound layer is open from clock time 0 on
}

EngineRig::~EngineRig()
{
    engine_.reset();
}

FileHandle EngineRig::Add(const std::string& path, const SysTime& start)
{
    const size_t added = log.Count('E', _FMODEngine::kEngineFileAdded);
    const FileHandle handle = engine_->AddFile(path, start);
    EXPECT_NE(handle, 0u) << engine_->GetLastError();
    EXPECT_TRUE(log.WaitFor('E', _FMODEngine::kEngineFileAdded, added + 1)) << engine_->GetLastError();
    return handle;
}

_FMODFile& EngineRig::File(FileHandle handle)
{
    _FMODFile* file = engine_->FindFile(handle);
    if (!file)
        throw std::runtime_error("no file with handle " + std::to_string(handle));
    return *file;
}

void EngineRig::Settle()
{
    OnWorker([] { return 0; });
}

void EngineRig::StartPlaying()
{
    const size_t before = log.Count('E', _FMODEngine::kEngineVolume);
    engine_->Play();
    ASSERT_TRUE(log.WaitFor('E', _FMODEngine::kEngineVolume, before + 1));
}

void EngineRig::WaitMixed()
{
    const int64_t mixed = clock.NowMs() - clockStartMs_;
    ASSERT_TRUE(sound_->WaitForMixedMs(mixed - mixed % zem::SoundSystem::kBlockMs));
}

void EngineRig::Tick()
{
    Settle();
    const size_t before = log.Count('E', _FMODEngine::kEnginePosition);
    clock.Advance(_FMODEngine::kTimerMs);
    WaitMixed();
    ASSERT_TRUE(log.WaitFor('E', _FMODEngine::kEnginePosition, before + 1)) << "no tick at " << clock.NowMs();
}

void EngineRig::Ticks(int count)
{
    for (int i = 0; i < count && !::testing::Test::HasFatalFailure(); ++i)
        Tick();
}

void EngineRig::Idle(int ms)
{
    for (int done = 0; done < ms; done += _FMODEngine::kTimerMs) {
        clock.Advance(_FMODEngine::kTimerMs);
        WaitMixed();
        Settle();
    }
}

bool EngineRig::AdvanceUntil(const std::function<bool()>& done)
{
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        clock.Advance(10);
        WaitMixed();
        // Lets the worker take its step before time moves again.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<int16_t> EngineRig::FinishMix()
{
    engine_.reset();
    sound_.reset();
    return soundtest::ReadMix(mixPath_);
}

double EngineRig::Level(const std::vector<int16_t>& mix, double hertz, int fromMs, int toMs)
{
    return soundtest::ToneLevel(soundtest::Side(mix, 0, kRate, fromMs, toMs), hertz, kRate);
}

}  // namespace enginetest
