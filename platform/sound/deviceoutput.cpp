// The device output over PortAudio's blocking stream interface. Driver names are the
// names of the output devices.
#include "sound/output.h"

#include "base/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <portaudio.h>

namespace zem {
namespace {

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

class DeviceOutput final : public Output {
public:
    ~DeviceOutput() override { Close(); }

    std::vector<std::string> DriverNames() override
    {
        PortAudioSession session;
        std::vector<std::string> names;
        if (!session.ok())
            return names;
        for (PaDeviceIndex device : OutputDevices())
            names.emplace_back(Pa_GetDeviceInfo(device)->name);
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
        params.suggestedLatency = info->defaultHighOutputLatency;
        double actual = rate;
        if (Pa_IsFormatSupported(nullptr, &params, actual) != paFormatIsSupported) {
            actual = info->defaultSampleRate;
            Trace("sound: '%s' refuses %d Hz, mixing at %g Hz", info->name, rate, actual);
        }
        PaStream* stream = nullptr;
        PaError error = Pa_OpenStream(&stream, nullptr, &params, actual,
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
        interrupted_ = false;
        return static_cast<int>(actual);
    }

    // Pa_WriteStream blocks until the device takes the block, which is the pacing.
    bool WaitForRoom(int) override { return !interrupted_; }

    void Write(const int16_t* samples, int frames) override
    {
        if (channels_ == 2) {
            WriteOrTrace(samples, frames);
            return;
        }
        mono_.resize(static_cast<size_t>(frames));
        for (int i = 0; i < frames; ++i)
            mono_[i] = static_cast<int16_t>((samples[2 * i] + samples[2 * i + 1]) / 2);
        WriteOrTrace(mono_.data(), frames);
    }

    void Interrupt() override { interrupted_ = true; }

    void Close() override
    {
        if (!stream_)
            return;
        Pa_StopStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
        session_.reset();
    }

private:
    void WriteOrTrace(const int16_t* samples, int frames)
    {
        const PaError error = Pa_WriteStream(stream_, samples, static_cast<unsigned long>(frames));
        if (error != paNoError && error != paOutputUnderflowed)
            Trace("sound: Pa_WriteStream: %s", Pa_GetErrorText(error));
    }

    std::unique_ptr<PortAudioSession> session_;
    PaStream* stream_ = nullptr;
    int channels_ = 2;
    std::vector<int16_t> mono_;
    std::atomic<bool> interrupted_{false};
};

}  // namespace

std::unique_ptr<Output> MakeDeviceOutput()
{
    return std::make_unique<DeviceOutput>();
}

}  // namespace zem
