// The sound layer: an own software mixer that plays WAV recordings (also still-growing ones)
// and one beep sample on numbered channels, through one of three outputs (device, null, wav).
//
// Shape: this class is the one front. It checks every argument once, under one lock, and
// records the outcome in LastError(); the outputs are back ends behind the small table of
// sound/output.h, and sample decoding goes through the codec layer (sound/decoder.h).
//
// What every operation guarantees:
// - Any thread may call any operation, except Close and the destructor from inside a callback.
// - A failure changes nothing, returns the failure value named below (false, 0, -1) and sets
//   LastError() to a SoundError; success sets it to kSoundOk.
// - Streams, DSP units and samples are non-zero 32-bit handles; channels are non-negative
//   ints. Every handle carries a generation: once its object is closed, freed, stopped or has
//   run out, the old handle fails with kSoundInvalidParam and never reaches a newer object.
// - Callbacks (DSP units, end callbacks) run on the mixer thread, never under the layer's lock,
//   and every exception they throw is caught there. Once StreamClose, DspFree or Close has
//   returned, no callback of that stream or unit runs again. A callback may call back into the
//   layer (except Close); it must not wait for a thread that is itself inside a layer call.
//
// Before Init: SetOutput, DriverCount/DriverName/SetDriver, SetStreamBufferSize. After Init the
// first two fail with kSoundBusy; everything that needs the mixer fails with
// kSoundUninitialized before Init and after Close.
#pragma once

#include "sound/output.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zem {

// The error numbers the engine's error table translates into texts.
enum SoundError : int {
    kSoundOk = 0,
    kSoundBusy = 1,             // not allowed once Init has succeeded
    kSoundUninitialized = 2,    // Init has not been called (or Close has)
    kSoundInitFailed = 3,       // the output could not be opened
    kSoundOutputInUse = 4,
    kSoundPlayFailed = 5,
    kSoundOutputFormat = 6,
    kSoundCooperativeLevel = 7,
    kSoundCreateBuffer = 8,
    kSoundFileNotFound = 9,
    kSoundFileFormat = 10,      // not a WAV file, or a sample format this build cannot decode
    kSoundFileBad = 11,         // a WAV file whose header is cut short or unreadable
    kSoundMemory = 12,
    kSoundVersion = 13,
    kSoundInvalidParam = 14,    // a value out of range or a stale handle
    kSoundNoEax = 15,
    kSoundChannelAlloc = 16,    // no free channel
    kSoundRecord = 17,
    kSoundMediaPlayer = 18,
};

using SoundStream = uint32_t;
using SoundSample = uint32_t;
using SoundDsp = uint32_t;

constexpr int kFreeChannel = -1;  // StreamPlay/PlaySample: take the first free channel

// One block of a stream's decoded samples, handed to its DSP unit before mixing: 16-bit
// signed PCM, frames x channels interleaved values at the stream's own rate. The unit
// changes them in place.
struct DspBlock {
    int16_t* samples;
    int frames;
    int channels;
    int sampleRate;
};
using DspCallback = std::function<void(DspBlock& block)>;
using EndCallback = std::function<void()>;

class SoundSystem {
public:
    // Length of one mixer block; DSP units see one block of their stream per call. Short, so
    // a change reaches the output within a few milliseconds.
    static constexpr int kBlockMs = 20;

    // The interface level of this layer; callers written for an older one compare against it.
    static float Version() { return 3.75f; }

    explicit SoundSystem(OutputChoice output = OutputChoice::FromEnvironment());
    ~SoundSystem();  // Close
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // --- Set-up (before Init) ---
    bool SetOutput(OutputChoice output);
    // Drivers of the chosen output: for `device` the output device names.
    int DriverCount();
    std::string DriverName(int driver);  // empty and kSoundInvalidParam when out of range
    bool SetDriver(int driver);          // 0 .. DriverCount()-1
    // Read-ahead of streams opened afterwards, 1 to 60000 ms.
    bool SetStreamBufferSize(int ms);

    // Opens the output at mixRate Hz (4000-192000) with maxChannels channels (1-4095) and
    // starts the mixer. An output device that refuses the rate plays at its own, resampled;
    // the mixer keeps mixRate. A device choice made with fallback falls back to the null
    // output, with a trace.
    bool Init(int mixRate, int maxChannels);
    int MixRate() const;
    // Stops the mixer, closes every stream and sample, closes the output. Idempotent. Fails
    // (kSoundInvalidParam) only when called from a callback.
    bool Close();
    int LastError() const;

    // --- Streams ---
    // A WAV file (RIFF length not checked, chunks without pad bytes) in 8/16-bit PCM or a
    // format of the codec layer (A-law, mu-law, IMA ADPCM, GSM 6.10), decoded block by block;
    // other formats fail with kSoundFileFormat.
    // A file whose data chunk reaches past its end is still growing: the stream plays what is
    // there, then holds its position and waits for more, and does not end.
    SoundStream StreamOpen(const std::string& path);
    // Starts the stream on a free channel (volume 255, pan 128, its own rate, not paused);
    // the channel handle, or -1. A stream plays on one channel at a time (kSoundPlayFailed).
    // A stream that had run out starts from the beginning.
    int StreamPlay(int channel, SoundStream stream);
    // As StreamPlay, but the channel stays silent until mixer frame `frame` (see NowFrame)
    // and begins there, inside a block; a frame already mixed begins with the next block.
    int StreamPlayAt(int channel, SoundStream stream, int64_t frame);
    // The mixer frame (counted at MixRate() from Init) that plays at this moment of the
    // output's clock; never one already mixed. 0 before Init.
    int64_t NowFrame() const;
    // Frees the stream's channel and rewinds it to the start; fails when it is not playing.
    bool StreamStop(SoundStream stream);
    bool StreamClose(SoundStream stream);  // also frees its DSP unit and channel
    // Playing position in ms; -1 on failure. After StreamSetTime it reads the time set.
    int64_t StreamGetTime(SoundStream stream);
    // Moves to ms (0 .. the data's declared length); applied before the next block is mixed.
    // A compressed stream decodes afresh from the start of the codec block that holds it.
    bool StreamSetTime(SoundStream stream, int64_t ms);
    // The stream's one DSP unit, created inactive; 0 on failure (also when it has one).
    SoundDsp StreamCreateDsp(SoundStream stream, DspCallback callback);
    bool DspSetActive(SoundDsp dsp, bool active);
    bool DspFree(SoundDsp dsp);
    // Called once each time the stream's data runs out; the channel is free by then.
    // An empty callback removes it.
    bool StreamSetEndCallback(SoundStream stream, EndCallback callback);

    // --- Channels ---
    bool IsPlaying(int channel);  // the channel holds a sound that has not run out; paused counts
    bool GetPaused(int channel);
    bool SetPaused(int channel, bool paused);
    int GetVolume(int channel);   // 0-255, -1 on failure
    bool SetVolume(int channel, int volume);
    int GetPan(int channel);      // 0 left .. 128 centre .. 255 right, -1 on failure
    bool SetPan(int channel, int pan);
    // Playback rate of the channel's source in Hz (100-705600): twice the source's rate
    // plays twice as fast and an octave higher.
    bool SetFrequency(int channel, int hertz);
    // Scales every channel: gain = volume/255 x master/255. 0-255, default 255.
    bool SetMasterVolume(int volume);

    // --- Sample (the beep) ---
    SoundSample SampleLoad(const std::string& path);  // decoded into memory; 0 on failure
    bool SampleSetLoop(SoundSample sample, bool loop); // default: plays once
    bool SampleFree(SoundSample sample);               // stops its channels
    int PlaySample(int channel, SoundSample sample);    // channel handle or -1

    // Blocks until at least ms of output have been mixed since Init; false when the mixer is
    // not running or stops first. For callers that step a manual clock.
    bool WaitForMixedMs(int64_t ms);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zem
