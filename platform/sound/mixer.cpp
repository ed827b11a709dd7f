#include "sound/mixer.h"

#include "base/trace.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace zem {
namespace {

int16_t Saturate(float v)
{
    // Rounded to nearest, ties to even, by the adder itself: at 1.5 * 2^23 a float has no
    // fraction left. As std::nearbyint, without a call into libm for every sample.
    constexpr float kRounder = 12582912.0f;
    const float clamped = std::clamp(v, -32768.0f, 32767.0f);
    return static_cast<int16_t>((clamped + kRounder) - kRounder);
}

Clock& OutputClock(const OutputChoice& choice)
{
    return choice.clock && choice.kind != OutputChoice::Kind::Device ? *choice.clock : Clock::Steady();
}

// Runs a callback of the layer's user on the mixer thread; what it throws stays here.
template <class F>
void Guarded(const char* what, F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        Trace("sound: %s threw: %s", what, e.what());
    } catch (...) {
        Trace("sound: %s threw", what);
    }
}

}  // namespace

// One voice's share of a block, taken under the lock and worked on outside it.
struct Mixer::Job {
    uint32_t channel;
    std::shared_ptr<Voice> voice;
    std::shared_ptr<DspUnit> dsp;  // only when active
    std::optional<uint64_t> seek;
    bool loop = false;
    double step = 1;
    float gainLeft = 1;
    float gainRight = 1;
    size_t skip = 0;  // frames of the block before the voice begins
    bool exhausted = false;
};

Mixer::Mixer(OutputChoice choice) : outputChoice(std::move(choice)), output(MakeOutput(outputChoice)) {}

void Mixer::Start(int rate, uint32_t maxChannels)
{
    mixRate = rate;
    masterVolume = 255;
    channels = Channels(maxChannels);
    stopping_ = false;
    startMs_ = OutputClock(outputChoice).NowMs();
    {
        std::lock_guard lock(progressMutex_);
        mixedFrames_ = 0;
        running_ = true;
    }
    thread_ = std::thread([this] { Loop(); });
}

void Mixer::Stop()
{
    stopping_ = true;
    output->Interrupt();
    if (thread_.joinable())
        thread_.join();
    mixerId_ = std::thread::id();
    std::lock_guard lock(tables);
    for (auto& stream : streams.RemoveAll())
        stream->closed = true;
    for (auto& dsp : dsps.RemoveAll())
        dsp->freed = true;
    samples.RemoveAll();
    channels.RemoveAll();
    mixRate = 0;
}

void Mixer::WaitOutMixer()
{
    if (!OnMixerThread())
        std::lock_guard barrier(mixing_);
}

int64_t Mixer::NowFrame() const
{
    int64_t rate;
    int64_t startMs;
    {
        std::lock_guard lock(tables);
        rate = mixRate;
        startMs = startMs_;
    }
    if (rate == 0)
        return 0;
    // An output with hardware behind it runs ahead of the clock: its next frame is the
    // earliest that can still change.
    const int64_t byClock = (OutputClock(outputChoice).NowMs() - startMs) * rate / 1000;
    std::lock_guard lock(progressMutex_);
    return std::max(byClock, mixedFrames_);
}

bool Mixer::WaitForMixedMs(int64_t ms)
{
    int rate;
    {
        std::lock_guard lock(tables);
        rate = mixRate;
    }
    if (rate == 0)
        return false;
    std::unique_lock lock(progressMutex_);
    progress_.wait(lock, [&] { return !running_ || mixedFrames_ * 1000 / rate >= ms; });
    return mixedFrames_ * 1000 / rate >= ms;
}

void Mixer::StopVoiceLocked(uint32_t channel)
{
    const std::shared_ptr<Voice> voice = channels.Remove(channel);
    if (voice && voice->stream)
        voice->stream->channel = 0;
}

void Mixer::Loop()
{
    mixerId_ = std::this_thread::get_id();
    const size_t frames = static_cast<size_t>(mixRate) * SoundSystem::kBlockMs / 1000;
    std::vector<float> mix(frames * 2);
    std::vector<int16_t> out(frames * 2);
    while (!stopping_ && output->WaitForRoom(static_cast<int>(frames))) {
        Guarded("mixer block", [&] {
            std::fill(mix.begin(), mix.end(), 0.0f);
            {
                std::lock_guard lock(mixing_);
                RenderBlock(mix, frames);
            }
            std::transform(mix.begin(), mix.end(), out.begin(), Saturate);
            output->Write(out.data(), static_cast<int>(frames));
        });
        std::lock_guard lock(progressMutex_);
        mixedFrames_ += static_cast<int64_t>(frames);
        progress_.notify_all();
    }
    std::lock_guard lock(progressMutex_);
    running_ = false;
    progress_.notify_all();
}

size_t Mixer::PullFrames(Job& job, int16_t* dest, size_t frames, bool& ended)
{
    Voice& voice = *job.voice;
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
        Guarded("DSP callback", [&] { job.dsp->callback(block); });
    }
    return got;
}

void Mixer::RenderBlock(std::vector<float>& mix, size_t frames)
{
    int64_t blockStart;
    {
        std::lock_guard lock(progressMutex_);
        blockStart = mixedFrames_;
    }
    const int64_t blockEnd = blockStart + static_cast<int64_t>(frames);
    std::vector<Job> jobs;
    {
        std::lock_guard lock(tables);
        const float master = static_cast<float>(masterVolume) / 255.0f;
        channels.ForEach([&](uint32_t handle, const std::shared_ptr<Voice>& voice) {
            if (voice->paused || voice->startFrame >= blockEnd)
                return;
            Job job;
            job.channel = handle;
            job.voice = voice;
            job.skip = static_cast<size_t>(std::max<int64_t>(voice->startFrame - blockStart, 0));
            if (voice->stream) {
                StreamObject& s = *voice->stream;
                if (s.dsp && s.dsp->active)
                    job.dsp = s.dsp;
                job.seek = s.pendingSeek;
                s.pendingSeek.reset();
            } else {
                job.loop = voice->sample->loop;
            }
            job.step = static_cast<double>(voice->frequency) / mixRate;
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
            voice.renderer.Reset(voice.stream->reader->Position());
        }
        voice.renderer.MixInto(mix.data() + 2 * job.skip, frames - job.skip, job.step, job.gainLeft, job.gainRight,
                               [&](int16_t* dest, size_t wanted, bool& ended) { return PullFrames(job, dest, wanted, ended); });
        job.exhausted = voice.renderer.Exhausted();
    }

    std::vector<std::pair<std::shared_ptr<StreamObject>, std::shared_ptr<EndCallback>>> ends;
    {
        std::lock_guard lock(tables);
        for (Job& job : jobs) {
            if (channels.Find(job.channel) != job.voice)
                continue;  // stopped or closed meanwhile
            const std::shared_ptr<StreamObject>& stream = job.voice->stream;
            if (stream && !stream->pendingSeek)
                stream->position = job.voice->renderer.Position();
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
        if (!stream->closed)
            Guarded("end callback", [&callback = onEnd] { (*callback)(); });
    }
}

}  // namespace zem
