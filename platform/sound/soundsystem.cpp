#include "sound/soundsystem.h"

#include "base/handletable.h"
#include "sound/resampler.h"
#include "sound/wavestream.h"

#include "base/trace.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace zem {
namespace {

constexpr int kMinMixRate = 4000;
constexpr int kMaxMixRate = 192000;
constexpr int kMinFrequency = 100;
constexpr int kMaxFrequency = 705600;

struct DspUnit {
    explicit DspUnit(DspCallback cb) : callback(std::move(cb)) {}
    const DspCallback callback;
    bool active = false;            // under the table lock
    std::atomic<bool> freed{false};
};

struct StreamObject {
    explicit StreamObject(std::unique_ptr<WaveStream> r)
        : reader(std::move(r)), channels(reader->Channels()), rate(reader->SampleRate()),
          totalFrames(reader->TotalFrames())
    {
    }
    const std::unique_ptr<WaveStream> reader;  // mixer thread only
    const int channels;
    const int rate;
    const uint64_t totalFrames;
    // Under the table lock:
    uint64_t position = 0;                // frames played
    std::optional<uint64_t> pendingSeek;  // applied by the mixer before the next block
    bool ranOut = false;
    uint32_t channel = 0;                 // channel handle while playing
    uint32_t dspHandle = 0;
    std::shared_ptr<DspUnit> dsp;
    std::shared_ptr<EndCallback> onEnd;
    std::atomic<bool> closed{false};
};

struct SampleObject {
    std::vector<int16_t> data;
    int channels = 1;
    int rate = 8000;
    bool loop = false;  // under the table lock
};

struct Voice {
    Voice(int channels, int hertz) : resampler(channels), frequency(hertz) {}
    std::shared_ptr<StreamObject> stream;        // one of these two
    std::shared_ptr<const SampleObject> sample;
    Resampler resampler;       // mixer thread only
    uint64_t sampleCursor = 0; // mixer thread only
    // Under the table lock:
    int volume = 255;
    int pan = 128;
    int frequency;
    bool paused = false;
};

// One voice's share of a block, taken under the lock and worked on outside it.
struct Job {
    uint32_t channel;
    std::shared_ptr<Voice> voice;
    std::shared_ptr<DspUnit> dsp;  // only when active
    std::optional<uint64_t> seek;
    bool loop = false;
    double step = 1;
    float gainLeft = 1;
    float gainRight = 1;
    bool exhausted = false;
};

}  // namespace

struct SoundSystem::State {
    explicit State(OutputChoice choice) : outputChoice(std::move(choice)), output(MakeOutput(outputChoice)) {}

    // Every table and every field marked "under the table lock".
    std::mutex lifecycle;  // Init and Close, one at a time
    mutable std::mutex tables;
    // Held by the mixer thread for each block, callbacks included: taking it once after a
    // stream left the tables waits out the last block that could still call it.
    std::mutex mixing;

    OutputChoice outputChoice;
    std::unique_ptr<Output> output;
    int driver = 0;
    int bufferMs = 1000;
    bool initialised = false;
    int mixRate = 0;
    int masterVolume = 255;
    HandleTable<StreamObject, 16> streams;
    HandleTable<SampleObject, 16> samples;
    HandleTable<DspUnit, 16> dsps;
    HandleTable<Voice, 12> channels{0};
    std::atomic<int> lastError{kSoundOk};

    std::thread mixer;
    std::atomic<std::thread::id> mixerId{};
    std::atomic<bool> stopping{false};
    std::mutex progressMutex;
    std::condition_variable progress;
    int64_t mixedFrames = 0;  // under progressMutex
    bool mixerRunning = false;  // under progressMutex

    bool OnMixerThread() const { return std::this_thread::get_id() == mixerId.load(); }

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

    void MixerLoop();
    void RenderBlock(std::vector<float>& mix, size_t frames);
    void PullFrames(Job& job, size_t frames, bool& ended);
    void StopVoiceLocked(uint32_t channel);
    // Under the table lock: the channel's live voice, or null with the error recorded.
    Voice* VoiceLocked(int channel)
    {
        if (!initialised)
            return Fail(kSoundUninitialized), nullptr;
        Voice* voice = channel < 0 ? nullptr : channels.Find(static_cast<uint32_t>(channel)).get();
        if (!voice)
            return Fail(kSoundInvalidParam), nullptr;
        Ok();
        return voice;
    }
    void WaitOutMixer()
    {
        if (!OnMixerThread())
            std::lock_guard barrier(mixing);
    }
};

namespace {

int16_t Saturate(float v)
{
    const float r = std::nearbyint(v);
    if (r > 32767.0f)
        return 32767;
    if (r < -32768.0f)
        return -32768;
    return static_cast<int16_t>(r);
}

}  // namespace

void SoundSystem::State::MixerLoop()
{
    mixerId = std::this_thread::get_id();
    const size_t frames = static_cast<size_t>(mixRate) * kBlockMs / 1000;
    std::vector<float> mix(frames * 2);
    std::vector<int16_t> out(frames * 2);
    while (!stopping && output->WaitForRoom(static_cast<int>(frames))) {
        try {
            std::fill(mix.begin(), mix.end(), 0.0f);
            {
                std::lock_guard lock(mixing);
                RenderBlock(mix, frames);
            }
            std::transform(mix.begin(), mix.end(), out.begin(), Saturate);
            output->Write(out.data(), static_cast<int>(frames));
        } catch (const std::exception& e) {
            Trace("sound: mixer block failed: %s", e.what());
        } catch (...) {
            Trace("sound: mixer block failed");
        }
        std::lock_guard lock(progressMutex);
        mixedFrames += static_cast<int64_t>(frames);
        progress.notify_all();
    }
    std::lock_guard lock(progressMutex);
    mixerRunning = false;
    progress.notify_all();
}

void SoundSystem::State::PullFrames(Job& job, size_t frames, bool& ended)
{
    Voice& voice = *job.voice;
    int16_t* dest = voice.resampler.Extend(frames);
    size_t got = 0;
    if (voice.stream) {
        got = voice.stream->reader->Read(dest, frames, ended);
    } else {
        const SampleObject& s = *voice.sample;
        const size_t ch = static_cast<size_t>(s.channels);
        const uint64_t total = s.data.size() / ch;
        while (got < frames && total > 0) {
            if (voice.sampleCursor >= total) {
                if (!job.loop)
                    break;
                voice.sampleCursor = 0;
            }
            const size_t n = static_cast<size_t>(std::min<uint64_t>(frames - got, total - voice.sampleCursor));
            std::copy_n(s.data.begin() + static_cast<long>(voice.sampleCursor * ch), n * ch, dest + got * ch);
            voice.sampleCursor += n;
            got += n;
        }
        ended = !job.loop && voice.sampleCursor >= total;
    }
    if (got > 0 && job.dsp && !job.dsp->freed && !voice.stream->closed) {
        DspBlock block{dest, static_cast<int>(got), voice.stream->channels, voice.stream->rate};
        try {
            job.dsp->callback(block);
        } catch (const std::exception& e) {
            Trace("sound: DSP callback threw: %s", e.what());
        } catch (...) {
            Trace("sound: DSP callback threw");
        }
    }
    voice.resampler.Commit(got);
}

void SoundSystem::State::RenderBlock(std::vector<float>& mix, size_t frames)
{
    std::vector<Job> jobs;
    {
        std::lock_guard lock(tables);
        const float master = static_cast<float>(masterVolume) / 255.0f;
        channels.ForEach([&](uint32_t handle, const std::shared_ptr<Voice>& voice) {
            if (voice->paused)
                return;
            Job job;
            job.channel = handle;
            job.voice = voice;
            if (voice->stream) {
                StreamObject& s = *voice->stream;
                if (s.dsp && s.dsp->active)
                    job.dsp = s.dsp;
                job.seek = s.pendingSeek;
                s.pendingSeek.reset();
                job.step = static_cast<double>(voice->frequency) / mixRate;
            } else {
                job.loop = voice->sample->loop;
                job.step = static_cast<double>(voice->frequency) / mixRate;
            }
            PanGains(voice->pan, job.gainLeft, job.gainRight);
            const float gain = static_cast<float>(voice->volume) / 255.0f * master;
            job.gainLeft *= gain;
            job.gainRight *= gain;
            jobs.push_back(std::move(job));
        });
    }

    for (Job& job : jobs) {
        Voice& voice = *job.voice;
        if (job.seek) {
            voice.stream->reader->Seek(*job.seek);
            voice.resampler.Reset(voice.stream->reader->Position());
        }
        bool ended = false;
        const size_t wanted = voice.resampler.FramesWanted(frames, job.step);
        if (wanted > 0)
            PullFrames(job, wanted, ended);
        else if (voice.stream)
            ended = voice.stream->reader->Position() >= voice.stream->totalFrames;
        voice.resampler.MixInto(mix.data(), frames, job.step, job.gainLeft, job.gainRight, ended);
        job.exhausted = voice.resampler.Exhausted(ended);
    }

    std::vector<std::pair<std::shared_ptr<StreamObject>, std::shared_ptr<EndCallback>>> ends;
    {
        std::lock_guard lock(tables);
        for (Job& job : jobs) {
            if (channels.Find(job.channel) != job.voice)
                continue;  // stopped or closed meanwhile
            const std::shared_ptr<StreamObject>& stream = job.voice->stream;
            if (stream && !stream->pendingSeek)
                stream->position = job.voice->resampler.Position();
            if (!job.exhausted)
                continue;
            channels.Remove(job.channel);
            if (stream) {
                stream->channel = 0;
                stream->ranOut = true;
                if (stream->onEnd)
                    ends.emplace_back(stream, stream->onEnd);
            }
        }
    }
    for (auto& [stream, onEnd] : ends) {
        if (stream->closed)
            continue;
        try {
            (*onEnd)();
        } catch (const std::exception& e) {
            Trace("sound: end callback threw: %s", e.what());
        } catch (...) {
            Trace("sound: end callback threw");
        }
    }
}

void SoundSystem::State::StopVoiceLocked(uint32_t channel)
{
    const std::shared_ptr<Voice> voice = channels.Remove(channel);
    if (voice && voice->stream)
        voice->stream->channel = 0;
}

// --- Front ---

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
    if (driver < 0 || driver >= static_cast<int>(names.size())) {
        s.Fail(kSoundInvalidParam);
        return {};
    }
    s.Ok();
    return names[static_cast<size_t>(driver)];
}

bool SoundSystem::SetDriver(int driver)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (s.initialised)
        return s.Fail(kSoundBusy);
    if (driver < 0 || driver >= static_cast<int>(s.output->DriverNames().size()))
        return s.Fail(kSoundInvalidParam);
    s.driver = driver;
    return s.Ok();
}

bool SoundSystem::SetStreamBufferSize(int ms)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (ms < 1 || ms > 60000)
        return s.Fail(kSoundInvalidParam);
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
    if (mixRate < kMinMixRate || mixRate > kMaxMixRate || maxChannels < 1 ||
        maxChannels > static_cast<int>(HandleTable<Voice, 12>::kMaxSlots))
        return s.Fail(kSoundInvalidParam);
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
    s.mixRate = rate;
    s.masterVolume = 255;
    s.channels = HandleTable<Voice, 12>(static_cast<uint32_t>(maxChannels));
    s.stopping = false;
    {
        std::lock_guard progress(s.progressMutex);
        s.mixedFrames = 0;
        s.mixerRunning = true;
    }
    s.mixer = std::thread([&s] { s.MixerLoop(); });
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
    s.stopping = true;
    s.output->Interrupt();
    if (s.mixer.joinable())
        s.mixer.join();
    s.mixerId = std::thread::id();
    std::lock_guard lock(s.tables);
    for (auto& stream : s.streams.RemoveAll())
        stream->closed = true;
    for (auto& dsp : s.dsps.RemoveAll())
        dsp->freed = true;
    s.samples.RemoveAll();
    s.channels.RemoveAll();
    s.output->Close();
    s.initialised = false;
    s.mixRate = 0;
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
        if (!s.initialised)
            return s.Fail(kSoundUninitialized);
        bufferMs = s.bufferMs;
    }
    // The file is read outside the lock, so a slow disk does not hold up the mixer.
    int error = kSoundOk;
    std::unique_ptr<WaveStream> reader = WaveStream::Open(path, bufferMs, error);
    if (!reader)
        return s.Fail(error);
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized);
    const SoundStream handle = s.streams.Add(std::make_shared<StreamObject>(std::move(reader)));
    if (!handle)
        return s.Fail(kSoundMemory);
    s.Ok();
    return handle;
}

int SoundSystem::StreamPlay(int channel, SoundStream stream)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized), -1;
    const std::shared_ptr<StreamObject>& obj = s.streams.Find(stream);
    if (channel != kFreeChannel || !obj)
        return s.Fail(kSoundInvalidParam), -1;
    if (s.channels.Find(obj->channel))
        return s.Fail(kSoundPlayFailed), -1;
    auto voice = std::make_shared<Voice>(obj->channels, obj->rate);
    voice->stream = obj;
    const uint32_t handle = s.channels.Add(voice);
    if (!handle)
        return s.Fail(kSoundChannelAlloc), -1;
    obj->pendingSeek = obj->ranOut ? 0 : obj->pendingSeek.value_or(obj->position);
    obj->position = *obj->pendingSeek;
    obj->ranOut = false;
    obj->channel = handle;
    s.Ok();
    return static_cast<int>(handle);
}

bool SoundSystem::StreamStop(SoundStream stream)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized);
    const std::shared_ptr<StreamObject>& obj = s.streams.Find(stream);
    if (!obj)
        return s.Fail(kSoundInvalidParam);
    s.StopVoiceLocked(obj->channel);
    obj->pendingSeek = 0;
    obj->position = 0;
    obj->ranOut = false;
    return s.Ok();
}

bool SoundSystem::StreamClose(SoundStream stream)
{
    State& s = *state_;
    {
        std::lock_guard lock(s.tables);
        if (!s.initialised)
            return s.Fail(kSoundUninitialized);
        const std::shared_ptr<StreamObject> obj = s.streams.Remove(stream);
        if (!obj)
            return s.Fail(kSoundInvalidParam);
        obj->closed = true;
        s.StopVoiceLocked(obj->channel);
        if (obj->dsp) {
            obj->dsp->freed = true;
            s.dsps.Remove(obj->dspHandle);
        }
    }
    s.WaitOutMixer();
    return s.Ok();
}

int64_t SoundSystem::StreamGetTime(SoundStream stream)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized), -1;
    const std::shared_ptr<StreamObject>& obj = s.streams.Find(stream);
    if (!obj)
        return s.Fail(kSoundInvalidParam), -1;
    const uint64_t frames = obj->pendingSeek.value_or(obj->position);
    s.Ok();
    return static_cast<int64_t>(frames * 1000 / static_cast<uint64_t>(obj->rate));
}

bool SoundSystem::StreamSetTime(SoundStream stream, int64_t ms)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized);
    const std::shared_ptr<StreamObject>& obj = s.streams.Find(stream);
    if (!obj || ms < 0)
        return s.Fail(kSoundInvalidParam);
    const uint64_t frame = static_cast<uint64_t>(ms) * static_cast<uint64_t>(obj->rate) / 1000;
    if (frame > obj->totalFrames)
        return s.Fail(kSoundInvalidParam);
    obj->pendingSeek = frame;
    obj->position = frame;
    obj->ranOut = false;
    return s.Ok();
}

SoundDsp SoundSystem::StreamCreateDsp(SoundStream stream, DspCallback callback)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized);
    const std::shared_ptr<StreamObject>& obj = s.streams.Find(stream);
    if (!obj || !callback || obj->dsp)
        return s.Fail(kSoundInvalidParam);
    auto unit = std::make_shared<DspUnit>(std::move(callback));
    const SoundDsp handle = s.dsps.Add(unit);
    if (!handle)
        return s.Fail(kSoundMemory);
    obj->dsp = std::move(unit);
    obj->dspHandle = handle;
    s.Ok();
    return handle;
}

bool SoundSystem::DspSetActive(SoundDsp dsp, bool active)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized);
    const std::shared_ptr<DspUnit>& unit = s.dsps.Find(dsp);
    if (!unit)
        return s.Fail(kSoundInvalidParam);
    unit->active = active;
    return s.Ok();
}

bool SoundSystem::DspFree(SoundDsp dsp)
{
    State& s = *state_;
    {
        std::lock_guard lock(s.tables);
        if (!s.initialised)
            return s.Fail(kSoundUninitialized);
        const std::shared_ptr<DspUnit> unit = s.dsps.Remove(dsp);
        if (!unit)
            return s.Fail(kSoundInvalidParam);
        unit->freed = true;
        s.streams.ForEach([&](uint32_t, const std::shared_ptr<StreamObject>& obj) {
            if (obj->dsp == unit) {
                obj->dsp.reset();
                obj->dspHandle = 0;
            }
        });
    }
    s.WaitOutMixer();
    return s.Ok();
}

bool SoundSystem::StreamSetEndCallback(SoundStream stream, EndCallback callback)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized);
    const std::shared_ptr<StreamObject>& obj = s.streams.Find(stream);
    if (!obj)
        return s.Fail(kSoundInvalidParam);
    obj->onEnd = callback ? std::make_shared<EndCallback>(std::move(callback)) : nullptr;
    return s.Ok();
}

bool SoundSystem::IsPlaying(int channel)
{
    std::lock_guard lock(state_->tables);
    return state_->VoiceLocked(channel) != nullptr;
}

bool SoundSystem::GetPaused(int channel)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    Voice* voice = s.VoiceLocked(channel);
    if (!voice)
        return false;
    return voice->paused;
}

bool SoundSystem::SetPaused(int channel, bool paused)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    Voice* voice = s.VoiceLocked(channel);
    if (!voice)
        return false;
    voice->paused = paused;
    return true;
}

int SoundSystem::GetVolume(int channel)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    Voice* voice = s.VoiceLocked(channel);
    if (!voice)
        return -1;
    return voice->volume;
}

bool SoundSystem::SetVolume(int channel, int volume)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    Voice* voice = s.VoiceLocked(channel);
    if (!voice)
        return false;
    if (volume < 0 || volume > 255)
        return s.Fail(kSoundInvalidParam);
    voice->volume = volume;
    return true;
}

int SoundSystem::GetPan(int channel)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    Voice* voice = s.VoiceLocked(channel);
    if (!voice)
        return -1;
    return voice->pan;
}

bool SoundSystem::SetPan(int channel, int pan)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    Voice* voice = s.VoiceLocked(channel);
    if (!voice)
        return false;
    if (pan < 0 || pan > 255)
        return s.Fail(kSoundInvalidParam);
    voice->pan = pan;
    return true;
}

bool SoundSystem::SetFrequency(int channel, int hertz)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    Voice* voice = s.VoiceLocked(channel);
    if (!voice)
        return false;
    if (hertz < kMinFrequency || hertz > kMaxFrequency)
        return s.Fail(kSoundInvalidParam);
    voice->frequency = hertz;
    return true;
}

bool SoundSystem::SetMasterVolume(int volume)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized);
    if (volume < 0 || volume > 255)
        return s.Fail(kSoundInvalidParam);
    s.masterVolume = volume;
    return s.Ok();
}

SoundSample SoundSystem::SampleLoad(const std::string& path)
{
    State& s = *state_;
    {
        std::lock_guard lock(s.tables);
        if (!s.initialised)
            return s.Fail(kSoundUninitialized);
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
    if (!s.initialised)
        return s.Fail(kSoundUninitialized);
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
    if (!s.initialised)
        return s.Fail(kSoundUninitialized);
    const std::shared_ptr<SampleObject>& obj = s.samples.Find(sample);
    if (!obj)
        return s.Fail(kSoundInvalidParam);
    obj->loop = loop;
    return s.Ok();
}

bool SoundSystem::SampleFree(SoundSample sample)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized);
    const std::shared_ptr<SampleObject> obj = s.samples.Remove(sample);
    if (!obj)
        return s.Fail(kSoundInvalidParam);
    std::vector<uint32_t> playing;
    s.channels.ForEach([&](uint32_t handle, const std::shared_ptr<Voice>& voice) {
        if (voice->sample == obj)
            playing.push_back(handle);
    });
    for (uint32_t handle : playing)
        s.channels.Remove(handle);
    return s.Ok();
}

int SoundSystem::PlaySample(int channel, SoundSample sample)
{
    State& s = *state_;
    std::lock_guard lock(s.tables);
    if (!s.initialised)
        return s.Fail(kSoundUninitialized), -1;
    const std::shared_ptr<SampleObject>& obj = s.samples.Find(sample);
    if (channel != kFreeChannel || !obj)
        return s.Fail(kSoundInvalidParam), -1;
    auto voice = std::make_shared<Voice>(obj->channels, obj->rate);
    voice->sample = obj;
    const uint32_t handle = s.channels.Add(std::move(voice));
    if (!handle)
        return s.Fail(kSoundChannelAlloc), -1;
    s.Ok();
    return static_cast<int>(handle);
}

bool SoundSystem::WaitForMixedMs(int64_t ms)
{
    State& s = *state_;
    int rate;
    {
        std::lock_guard lock(s.tables);
        rate = s.mixRate;
    }
    if (rate == 0)
        return false;
    std::unique_lock lock(s.progressMutex);
    s.progress.wait(lock, [&] { return !s.mixerRunning || s.mixedFrames * 1000 / rate >= ms; });
    return s.mixedFrames * 1000 / rate >= ms;
}

}  // namespace zem
