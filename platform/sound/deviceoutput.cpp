// The device output over PortAudio's blocking stream interface. Driver names are the
// names of the output devices.
#include "sound/output.h"
#include "sound/pacer.h"
#include "sound/rateconverter.h"
#include "sound/soundsystem.h"

#include "base/trace.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <optional>

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <portaudio.h>

namespace zem {
namespace {

constexpr double kMinBufferBlocks = 1.5;

// ALSA and JACK print to standard error while PortAudio probes for devices, which is noise
// on a machine without sound hardware: send it to the trace instead.
void AlsaToTrace(const char* file, int line, const char* function, int, const char* format, ...)
{
    if (!TraceEnabled())
        return;
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Trace("sound: alsa %s:%d %s: %s", file, line, function, text);
}

void JackToTrace(const char* text)
{
    Trace("sound: jack %s", text);
}

// PortAudio counts its initialisations, so every user pairs its own with a Terminate.
class PortAudioSession {
public:
    PortAudioSession()
    {
        static std::once_flag quiet;
        std::call_once(quiet, [] {
            snd_lib_error_set_handler(AlsaToTrace);
            jack_set_error_function(JackToTrace);
            jack_set_info_function(JackToTrace);
        });
        const PaError error = Pa_Initialize();
        ok_ = error == paNoError;
        if (!ok_)
            Trace("sound: Pa_Initialize failed: %s", Pa_GetErrorText(error));
    }
    ~PortAudioSession()
    {
        if (ok_)
            Pa_Terminate();
    }
    PortAudioSession(const PortAudioSession&) = delete;
    PortAudioSession& operator=(const PortAudioSession&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

// Output devices in PortAudio's order.
std::vector<PaDeviceIndex> OutputDevices()
{
    std::vector<PaDeviceIndex> devices;
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxOutputChannels > 0)
            devices.push_back(i);
    }
    return devices;
}

// Takes the mixer's blocks at the rate it asked for. A device that refuses that rate plays at
// its own, and the blocks are resampled on the way. A device that never blocks (a sound server
// or ALSA's null plugin) is held to real time by a pacer that lets the mix run one device
// buffer ahead; a device that fails while playing leaves the output silent, still paced.
class DeviceOutput final : public Output {
public:
    explicit DeviceOutput(int onlyRate) : onlyRate_(onlyRate) {}
    ~DeviceOutput() override { Close(); }

    // Listed once: PortAudio opens every ALSA device to list them, which takes seconds on a
    // busy machine, and the engine asks for the count, each name and the chosen one in turn.
    std::vector<std::string> DriverNames() override
    {
        if (driverNames_)
            return *driverNames_;
        PortAudioSession session;
        std::vector<std::string> names;
        if (!session.ok())
            return names;
        for (PaDeviceIndex device : OutputDevices())
            names.emplace_back(Pa_GetDeviceInfo(device)->name);
        driverNames_ = names;
        return names;
    }

    int Open(int driver, int rate) override
    {
        if (session_)
            return 0;
        auto session = std::make_unique<PortAudioSession>();
        if (!session->ok())
            return 0;
        const std::vector<PaDeviceIndex> devices = OutputDevices();
        if (driver < 0 || driver >= static_cast<int>(devices.size())) {
            Trace("sound: no output device %d (%zu found)", driver, devices.size());
            return 0;
        }
        const PaDeviceInfo* info = Pa_GetDeviceInfo(devices[driver]);
        PaStreamParameters params{};
        params.device = devices[driver];
        params.channelCount = info->maxOutputChannels >= 2 ? 2 : 1;
        params.sampleFormat = paInt16;
        // As small a buffer as the device allows, so a command is heard soon, but more than one
        // mixer block: a device that never blocks is paced by its buffer filling up.
        params.suggestedLatency = std::max(info->defaultLowOutputLatency, kMinBufferBlocks * SoundSystem::kBlockMs / 1000.0);
        double deviceRate = rate;
        if ((onlyRate_ && rate != onlyRate_) || Pa_IsFormatSupported(nullptr, &params, deviceRate) != paFormatIsSupported) {
            deviceRate = onlyRate_ ? onlyRate_ : info->defaultSampleRate;
            Trace("sound: '%s' refuses %d Hz, playing at %g Hz", info->name, rate, deviceRate);
        }
        PaStream* stream = nullptr;
        PaError error = Pa_OpenStream(&stream, nullptr, &params, deviceRate,
                                      paFramesPerBufferUnspecified, paClipOff, nullptr, nullptr);
        if (error == paNoError) {
            error = Pa_StartStream(stream);
            if (error != paNoError)
                Pa_CloseStream(stream);
        }
        if (error != paNoError) {
            Trace("sound: opening '%s' failed: %s", info->name, Pa_GetErrorText(error));
            return 0;
        }
        session_ = std::move(session);
        stream_ = stream;
        channels_ = params.channelCount;
        rate_ = rate;
        deviceRate_ = static_cast<int>(deviceRate);
        converter_.reset();
        if (deviceRate_ != rate_) {
            converter_ = std::make_unique<RateConverter>(rate_, deviceRate_, 2);
            if (!converter_->Ok())
                converter_.reset();
        }
        const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream);
        leadFrames_ = static_cast<int>((streamInfo ? streamInfo->outputLatency : 0.0) * rate);
        Trace("sound: '%s' plays at %g Hz with a buffer of %d ms", info->name, deviceRate, leadFrames_ * 1000 / rate);
        failed_ = false;
        interrupted_ = false;
        pacer_.Start(rate);
        return rate;
    }

    bool WaitForRoom(int frames) override
    {
        return !interrupted_ && pacer_.WaitForRoom(frames - leadFrames_) && !interrupted_;
    }

    void Write(const int16_t* samples, int frames) override
    {
        pacer_.Written(frames);
        if (failed_)
            return;
        int deviceFrames = frames;
        if (converter_)
            samples = converter_->Convert(samples, frames, deviceFrames);
        if (channels_ == 1)
            samples = DownMix(samples, deviceFrames);
        // A device that is full paces by itself: the pacer starts afresh, so a device clock a
        // little faster than ours never finds the pacer holding the mix back.
        if (Pa_GetStreamWriteAvailable(stream_) < deviceFrames)
            pacer_.Start(rate_);
        const PaError error = Pa_WriteStream(stream_, samples, static_cast<unsigned long>(deviceFrames));
        if (error != paNoError && error != paOutputUnderflowed) {
            Trace("sound: the output device failed: %s; going on silently", Pa_GetErrorText(error));
            failed_ = true;
        }
    }

    void Interrupt() override
    {
        interrupted_ = true;
        pacer_.Interrupt();
    }

    void Close() override
    {
        if (!stream_)
            return;
        // A failed device may never drain.
        if (failed_)
            Pa_AbortStream(stream_);
        else
            Pa_StopStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
        session_.reset();
    }

private:
    const int16_t* DownMix(const int16_t* samples, int frames)
    {
        mono_.resize(static_cast<size_t>(frames));
        for (int i = 0; i < frames; ++i)
            mono_[i] = static_cast<int16_t>((samples[2 * i] + samples[2 * i + 1]) / 2);
        return mono_.data();
    }

    const int onlyRate_;
    std::optional<std::vector<std::string>> driverNames_;
    std::unique_ptr<PortAudioSession> session_;
    PaStream* stream_ = nullptr;
    int channels_ = 2;
    int rate_ = 0;        // the mixer's
    int deviceRate_ = 0;  // the device's
    int leadFrames_ = 0;  // the device's buffer, in the mixer's frames
    Pacer pacer_{Clock::Steady()};
    std::unique_ptr<RateConverter> converter_;  // when the device refuses the mixer's rate
    std::vector<int16_t> mono_;
    bool failed_ = false;  // mixer thread, and Open/Close around it
    std::atomic<bool> interrupted_{false};
};

}  // namespace

std::unique_ptr<Output> MakeDeviceOutput(int onlyRate)
{
    return std::make_unique<DeviceOutput>(onlyRate);
}

}  // namespace zem
