// Where the mixed sound goes: the choice a program makes, and the small table of operations
// every output back end implements.
#pragma once

#include "base/clock.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zem {

struct OutputChoice {
    enum class Kind { Device, Null, Wav };
    Kind kind = Kind::Device;
    std::string path;             // Wav: the file to write
    Clock* clock = nullptr;       // Null and Wav: what paces the mixer; null = real time
    bool fallBackToNull = false;  // Device: use Null (with a trace line) when no device opens
    int onlyRate = 0;             // Device: the one rate the device is taken to play, as a card that refuses others

    static OutputChoice Device(bool fallBackToNull = false);
    static OutputChoice Null(Clock* clock = nullptr);
    static OutputChoice Wav(std::string path, Clock* clock = nullptr);
    // ZEM_AUDIO: "device" (the default when unset), "null" or "wav:PATH". A device choice made
    // here falls back to null; an unknown value is traced and taken as the default.
    static OutputChoice FromEnvironment();
};

// An output back end. The front calls, in this order: DriverNames any time; Open once; then,
// from its mixer thread only, WaitForRoom and Write in turn; Interrupt from any thread at any
// time after Open; Close once, after the mixer thread has ended. Every call returns normally
// (no exceptions); a failed Open leaves nothing open.
class Output {
public:
    virtual ~Output() = default;
    // The drivers this output offers, by index; may be empty (no device).
    virtual std::vector<std::string> DriverNames() = 0;
    // Opens `driver` for 16-bit stereo at `rate`. Returns the rate it will take, or 0 when it
    // cannot open. (The device output takes `rate` even from a device that refuses it, and
    // resamples.)
    virtual int Open(int driver, int rate) = 0;
    // Blocks until `frames` more frames fit without blocking; false once interrupted.
    virtual bool WaitForRoom(int frames) = 0;
    // Takes `frames` interleaved stereo frames (2 x frames values).
    virtual void Write(const int16_t* samples, int frames) = 0;
    // Makes a waiting or later WaitForRoom return false.
    virtual void Interrupt() = 0;
    virtual void Close() = 0;
};

std::unique_ptr<Output> MakeDeviceOutput(int onlyRate = 0);
std::unique_ptr<Output> MakeNullOutput(Clock& clock);
std::unique_ptr<Output> MakeWavOutput(const std::string& path, Clock& clock);
std::unique_ptr<Output> MakeOutput(const OutputChoice& choice);

}  // namespace zem
