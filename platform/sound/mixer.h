// The mixer behind the sound layer's front: the tables of streams, samples, DSP units and
// channels, and the thread that renders them block by block into the output. The front
// (sound/soundsystem.h) checks every argument before it reaches these tables.
#pragma once

#include "base/handletable.h"
#include "sound/output.h"
#include "sound/soundsystem.h"
#include "sound/voicerenderer.h"
#include "sound/wavestream.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace zem {

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
    Voice(int channels, int hertz) : renderer(channels), frequency(hertz) {}
    std::shared_ptr<StreamObject> stream;        // one of these two
    std::shared_ptr<const SampleObject> sample;
    VoiceRenderer renderer;    // mixer thread only
    uint64_t sampleCursor = 0; // mixer thread only
    // Under the table lock:
    int volume = 255;
    int pan = 128;
    int frequency;
    bool paused = false;
    int64_t startFrame = 0;  // mixer frame the voice begins at; earlier blocks leave it out
};

class Mixer {
public:
    using Channels = HandleTable<Voice, 12>;

    explicit Mixer(OutputChoice choice);

    // Starts the thread on an opened output at `rate`.
    void Start(int rate, uint32_t maxChannels);
    // Ends the thread and empties every table; the output stays open.
    void Stop();
    bool OnMixerThread() const { return std::this_thread::get_id() == mixerId_.load(); }
    // Returns once no block that began before the call is still being rendered.
    void WaitOutMixer();
    // The mixer frame that plays at this moment of the output's clock (never one already
    // mixed); 0 before Start.
    int64_t NowFrame() const;
    bool WaitForMixedMs(int64_t ms);
    // Under the table lock: drops a channel and tells its stream.
    void StopVoiceLocked(uint32_t channel);

    // Every table and every field marked "under the table lock".
    mutable std::mutex tables;
    OutputChoice outputChoice;
    std::unique_ptr<Output> output;
    int mixRate = 0;
    int masterVolume = 255;
    HandleTable<StreamObject, 16> streams;
    HandleTable<SampleObject, 16> samples;
    HandleTable<DspUnit, 16> dsps;
    Channels channels{0};

private:
    struct Job;
    void Loop();
    void RenderBlock(std::vector<float>& mix, size_t frames);
    size_t PullFrames(Job& job, int16_t* dest, size_t frames, bool& ended);

    // Held by the mixer thread for each block, callbacks included: taking it once after a
    // stream left the tables waits out the last block that could still call it.
    std::mutex mixing_;
    std::thread thread_;
    std::atomic<std::thread::id> mixerId_{};
    std::atomic<bool> stopping_{false};
    int64_t startMs_ = 0;  // the output clock at Start, under the table lock
    mutable std::mutex progressMutex_;
    std::condition_variable progress_;
    int64_t mixedFrames_ = 0;   // under progressMutex_
    bool running_ = false;      // under progressMutex_
};

}  // namespace zem
