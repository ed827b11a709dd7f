// The front of the sound layer: every argument is checked here, once, under the table lock;
// the mixer (sound/mixer.h) only ever sees valid objects.
#include "sound/soundsystem.h"

#include "sound/mixer.h"

#include "base/trace.h"

namespace zem {
namespace {

constexpr int kMinMixRate = 4000;
constexpr int kMaxMixRate = 192000;
constexpr int kMinFrequency = 100;
constexpr int kMaxFrequency = 705600;

}  // namespace

struct SoundSystem::State : Mixer {
    using Mixer::Mixer;

    std::mutex lifecycle;  // Init and Close, one at a time
    int driver = 0;        // under the table lock, as the rest below
    int bufferMs = 1000;
    bool initialised = false;
    std::atomic<int> lastError{kSoundOk};

    bool Fail(int error)
    {
        lastError = error;
        return false;
    }
    bool Ok()
    {
        lastError = kSoundOk;
        return true;
    }
    // Under the table lock: false, with the error recorded, before Init and after Close.
    bool Running() { return initialised || Fail(kSoundUninitialized); }
    // Under the table lock: the live object a handle names, or null with the error recorded.
    template <class T, int Bits>
    T* Live(const HandleTable<T, Bits>& table, uint32_t handle)
    {
        if (!Running())
            return nullptr;
        T* object = table.Find(handle).get();
        if (!object)
            return Fail(kSoundInvalidParam), nullptr;
        Ok();
        return object;
    }
    // Under the table lock: removes the live object a handle names, as Live.
    template <class T, int Bits>
    std::shared_ptr<T> Take(HandleTable<T, Bits>& table, uint32_t handle)
    {
        if (!Live(table, handle))
            return nullptr;
        return table.Remove(handle);
    }
    Voice* LiveVoice(int channel) { return Live(channels, channel < 0 ? 0u : static_cast<uint32_t>(channel)); }
    // Under the table lock: a new channel for a stream or sample, or -1 with the error.
    int AddVoice(std::shared_ptr<Voice> voice)
    {
        const uint32_t handle = channels.Add(std::move(voice));
        if (!handle)
            return Fail(kSoundChannelAlloc), -1;
        Ok();
        return static_cast<int>(handle);
    }
    bool InRange(int value, int low, int high) { return (value >= low && value <= high) || Fail(kSoundInvalidParam); }
};

SoundSystem::SoundSystem(OutputChoice output) : state_(std::make_unique<State>(std::move(output))) {}

SoundSystem::~SoundSystem()
{
    Close();
}

bool SoundSystem::SetOutput(OutputChoice output)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (s.initialised)
        return s.Fail(kSoundBusy);
    s.outputChoice = std::move(output);
    s.output = MakeOutput(s.outputChoice);
    s.driver = 0;
    return s.Ok();
}

int SoundSystem::DriverCount()
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    s.Ok();
    return static_cast<int>(s.output->DriverNames().size());
}

std::string SoundSystem::DriverName(int driver)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    const std::vector<std::string> names = s.output->DriverNames();
    if (!s.InRange(driver, 0, static_cast<int>(names.size()) - 1))
        return {};
    s.Ok();
    return names[static_cast<size_t>(driver)];
}

bool SoundSystem::SetDriver(int driver)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (s.initialised)
        return s.Fail(kSoundBusy);
    if (!s.InRange(driver, 0, static_cast<int>(s.output->DriverNames().size()) - 1))
        return false;
    s.driver = driver;
    return s.Ok();
}

bool SoundSystem::SetStreamBufferSize(int ms)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.InRange(ms, 1, 60000))
        return false;
    s.bufferMs = ms;
    return s.Ok();
}

bool SoundSystem::Init(int mixRate, int maxChannels)
{
    State& s = *state_;
    std::lock_guard once(s.lifecycle);
    std::lock_guard lock(s.tables);
    if (s.initialised)
        return s.Fail(kSoundBusy);
    if (!s.InRange(mixRate, kMinMixRate, kMaxMixRate) ||
        !s.InRange(maxChannels, 1, static_cast<int>(Mixer::Channels::kMaxSlots)))
        return false;
    int rate = s.output->Open(s.driver, mixRate);
    if (rate == 0 && s.outputChoice.kind == OutputChoice::Kind::Device && s.outputChoice.fallBackToNull) {
        Trace("sound: no output device could be opened; using the null output");
        s.output = MakeNullOutput(Clock::Steady());
        rate = s.output->Open(0, mixRate);
    }
    if (rate < kMinMixRate || rate > kMaxMixRate) {
        if (rate != 0)
            s.output->Close();
        return s.Fail(kSoundInitFailed);
    }
    s.Start(rate, static_cast<uint32_t>(maxChannels));
    s.initialised = true;
    return s.Ok();
}

int SoundSystem::MixRate() const
{
    std::lock_guard lock(state_->tables);
    return state_->mixRate;
}

bool SoundSystem::Close()
{
    State& s = *state_;
    if (s.OnMixerThread())
        return s.Fail(kSoundInvalidParam);
    std::lock_guard once(s.lifecycle);
    {
        std::lock_guard lock(s.tables);
        if (!s.initialised)
            return s.Ok();
    }
    s.Stop();
    std::lock_guard lock(s.tables);
    s.output->Close();
    s.initialised = false;
    return s.Ok();
}

int SoundSystem::LastError() const
{
    return state_->lastError;
}

SoundStream SoundSystem::StreamOpen(const std::string& path)
{
    State& s = *state_;
    int bufferMs;
    {
        std::lock_guard lock(s.tables);
        if (!s.Running())
            return 0;
        bufferMs = s.bufferMs;
    }
    // The file is read outside the lock, so a slow disk does not hold up the mixer.
    int error = kSoundOk;
    std::unique_ptr<WaveStream> reader = WaveStream::Open(path, bufferMs, error);
    if (!reader)
        return s.Fail(error);
    std::lock_guard lock(s.tables);
    if (!s.Running())
        return 0;
    const SoundStream handle = s.streams.Add(std::make_shared<StreamObject>(std::move(reader)));
    if (!handle)
        return s.Fail(kSoundMemory);
    s.Ok();
    return handle;
}

int SoundSystem::StreamPlay(int channel, SoundStream stream)
{
    return StreamPlayAt(channel, stream, 0);
}

int SoundSystem::StreamPlayAt(int channel, SoundStream stream, int64_t frame)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    const std::shared_ptr<StreamObject> obj = s.streams.Find(stream);
    if (!s.Live(s.streams, stream))
        return -1;
    if (channel != kFreeChannel)
        return s.Fail(kSoundInvalidParam), -1;
    if (s.channels.Find(obj->channel))
        return s.Fail(kSoundPlayFailed), -1;
    auto voice = std::make_shared<Voice>(obj->channels, obj->rate);
    voice->stream = obj;
    voice->startFrame = frame;
    const int handle = s.AddVoice(std::move(voice));
    if (handle < 0)
        return -1;
    obj->pendingSeek = obj->ranOut ? 0 : obj->pendingSeek.value_or(obj->position);
    obj->position = *obj->pendingSeek;
    obj->ranOut = false;
    obj->channel = static_cast<uint32_t>(handle);
    return handle;
}

int64_t SoundSystem::NowFrame() const
{
    return state_->Mixer::NowFrame();
}

bool SoundSystem::StreamStop(SoundStream stream)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    StreamObject* obj = s.Live(s.streams, stream);
    if (!obj)
        return false;
    s.StopVoiceLocked(obj->channel);
    obj->pendingSeek = 0;
    obj->position = 0;
    obj->ranOut = false;
    return true;
}

bool SoundSystem::StreamClose(SoundStream stream)
{
    State& s = *state_;
    {
        std::lock_guard lock(s.tables);
        const std::shared_ptr<StreamObject> obj = s.Take(s.streams, stream);
        if (!obj)
            return false;
        obj->closed = true;
        s.StopVoiceLocked(obj->channel);
        if (obj->dsp) {
            obj->dsp->freed = true;
            s.dsps.Remove(obj->dspHandle);
        }
    }
    s.WaitOutMixer();
    return true;
}

int64_t SoundSystem::StreamGetTime(SoundStream stream)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    const StreamObject* obj = s.Live(s.streams, stream);
    if (!obj)
        return -1;
    const uint64_t frames = obj->pendingSeek.value_or(obj->position);
    return static_cast<int64_t>(frames * 1000 / static_cast<uint64_t>(obj->rate));
}

bool SoundSystem::StreamSetTime(SoundStream stream, int64_t ms)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    StreamObject* obj = s.Live(s.streams, stream);
    if (!obj)
        return false;
    const uint64_t frame = static_cast<uint64_t>(std::max<int64_t>(ms, 0)) * static_cast<uint64_t>(obj->rate) / 1000;
    if (ms < 0 || frame > obj->totalFrames)
        return s.Fail(kSoundInvalidParam);
    obj->pendingSeek = frame;
    obj->position = frame;
    obj->ranOut = false;
    return true;
}

SoundDsp SoundSystem::StreamCreateDsp(SoundStream stream, DspCallback callback)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    StreamObject* obj = s.Live(s.streams, stream);
    if (!obj)
        return 0;
    if (!callback || obj->dsp)
        return s.Fail(kSoundInvalidParam);
    auto unit = std::make_shared<DspUnit>(std::move(callback));
    const SoundDsp handle = s.dsps.Add(unit);
    if (!handle)
        return s.Fail(kSoundMemory);
    obj->dsp = std::move(unit);
    obj->dspHandle = handle;
    return handle;
}

bool SoundSystem::DspSetActive(SoundDsp dsp, bool active)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    DspUnit* unit = s.Live(s.dsps, dsp);
    if (!unit)
        return false;
    unit->active = active;
    return true;
}

bool SoundSystem::DspFree(SoundDsp dsp)
{
    State& s = *state_;
    {
        std::lock_guard lock(s.tables);
        const std::shared_ptr<DspUnit> unit = s.Take(s.dsps, dsp);
        if (!unit)
            return false;
        unit->freed = true;
        s.streams.ForEach([&](uint32_t, const std::shared_ptr<StreamObject>& obj) {
            if (obj->dsp == unit) {
                obj->dsp.reset();
                obj->dspHandle = 0;
            }
        });
    }
    s.WaitOutMixer();
    return true;
}

bool SoundSystem::StreamSetEndCallback(SoundStream stream, EndCallback callback)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    StreamObject* obj = s.Live(s.streams, stream);
    if (!obj)
        return false;
    obj->onEnd = callback ? std::make_shared<EndCallback>(std::move(callback)) : nullptr;
    return true;
}

bool SoundSystem::IsPlaying(int channel)
{
    std::lock_guard lock(state_->tables);
    return state_->LiveVoice(channel) != nullptr;
}

bool SoundSystem::GetPaused(int channel)
{
    std::lock_guard lock(state_->tables);
    const Voice* voice = state_->LiveVoice(channel);
    return voice && voice->paused;
}

bool SoundSystem::SetPaused(int channel, bool paused)
{
    std::lock_guard lock(state_->tables);
    Voice* voice = state_->LiveVoice(channel);
    if (!voice)
        return false;
    voice->paused = paused;
    return true;
}

int SoundSystem::GetVolume(int channel)
{
    std::lock_guard lock(state_->tables);
    const Voice* voice = state_->LiveVoice(channel);
    return voice ? voice->volume : -1;
}

bool SoundSystem::SetVolume(int channel, int volume)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    Voice* voice = s.LiveVoice(channel);
    if (!voice || !s.InRange(volume, 0, 255))
        return false;
    voice->volume = volume;
    return true;
}

int SoundSystem::GetPan(int channel)
{
    std::lock_guard lock(state_->tables);
    const Voice* voice = state_->LiveVoice(channel);
    return voice ? voice->pan : -1;
}

bool SoundSystem::SetPan(int channel, int pan)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    Voice* voice = s.LiveVoice(channel);
    if (!voice || !s.InRange(pan, 0, 255))
        return false;
    voice->pan = pan;
    return true;
}

bool SoundSystem::SetFrequency(int channel, int hertz)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    Voice* voice = s.LiveVoice(channel);
    if (!voice || !s.InRange(hertz, kMinFrequency, kMaxFrequency))
        return false;
    voice->frequency = hertz;
    return true;
}

bool SoundSystem::SetMasterVolume(int volume)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.Running() || !s.InRange(volume, 0, 255))
        return false;
    s.masterVolume = volume;
    return s.Ok();
}

SoundSample SoundSystem::SampleLoad(const std::string& path)
{
    State& s = *state_;
    {
        std::lock_guard lock(s.tables);
        if (!s.Running())
            return 0;
    }
    int error = kSoundOk;
    std::unique_ptr<WaveStream> reader = WaveStream::Open(path, 1000, error);
    if (!reader)
        return s.Fail(error);
    auto sample = std::make_shared<SampleObject>();
    sample->channels = reader->Channels();
    sample->rate = reader->SampleRate();
    sample->data.resize(reader->TotalFrames() * static_cast<size_t>(sample->channels));
    bool ended = false;
    const size_t got = reader->Read(sample->data.data(), reader->TotalFrames(), ended);
    sample->data.resize(got * static_cast<size_t>(sample->channels));
    std::lock_guard lock(s.tables);
    if (!s.Running())
        return 0;
    const SoundSample handle = s.samples.Add(std::move(sample));
    if (!handle)
        return s.Fail(kSoundMemory);
    s.Ok();
    return handle;
}

bool SoundSystem::SampleSetLoop(SoundSample sample, bool loop)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    SampleObject* obj = s.Live(s.samples, sample);
    if (!obj)
        return false;
    obj->loop = loop;
    return true;
}

bool SoundSystem::SampleFree(SoundSample sample)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    const std::shared_ptr<SampleObject> obj = s.Take(s.samples, sample);
    if (!obj)
        return false;
    std::vector<uint32_t> playing;
    s.channels.ForEach([&](uint32_t handle, const std::shared_ptr<Voice>& voice) {
        if (voice->sample == obj)
            playing.push_back(handle);
    });
    for (uint32_t handle : playing)
        s.channels.Remove(handle);
    return true;
}

int SoundSystem::PlaySample(int channel, SoundSample sample)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    const std::shared_ptr<SampleObject> obj = s.samples.Find(sample);
    if (!s.Live(s.samples, sample))
        return -1;
    if (channel != kFreeChannel)
        return s.Fail(kSoundInvalidParam), -1;
    auto voice = std::make_shared<Voice>(obj->channels, obj->rate);
    voice->sample = obj;
    return s.AddVoice(std::move(voice));
}

bool SoundSystem::WaitForMixedMs(int64_t ms)
{
    return state_->Mixer::WaitForMixedMs(ms);
}

}  // namespace zem
