// A sound card for machines without one: a HOME of its own whose .asoundrc makes ALSA's
// default device the file plugin over the null plugin, so everything played through
// PortAudio's "default" device lands in raw files that a test reads back. Used by tests and
// benchmarks alike (no test framework here).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zemtest {

class AlsaFileDevice {
public:
    enum class Kind {
        Recording,          // records every set-up into a raw file of its own
        FailsWhilePlaying,  // opens, then fails at the first write that reaches the file
        Missing,            // the default device cannot be opened at all
    };

    // Points HOME at a fresh folder holding the configuration; the destructor restores HOME.
    // ALSA reads the configuration when PortAudio starts with no other session open.
    explicit AlsaFileDevice(Kind kind = Kind::Recording);
    ~AlsaFileDevice();
    AlsaFileDevice(const AlsaFileDevice&) = delete;
    AlsaFileDevice& operator=(const AlsaFileDevice&) = delete;

    // What one set-up of the device received: 16-bit frames at the rate and channel count
    // the device was opened with.
    struct Take {
        int rate = 0;
        int channels = 0;
        std::vector<int16_t> samples;  // interleaved
        size_t Frames() const { return channels ? samples.size() / static_cast<size_t>(channels) : 0; }
        // One channel's samples from frame `from` on, at most `count` of them.
        std::vector<int16_t> Channel(int channel, size_t from = 0, size_t count = SIZE_MAX) const;
    };
    // Every set-up that received sound, oldest first (set-ups that received nothing are left
    // out: PortAudio sets a device up to probe it).
    std::vector<Take> Takes() const;
    // The raw file of the newest set-up that received sound, empty when none has (for a
    // reader that watches it grow).
    std::string NewestPath() const;
    const std::string& Folder() const { return folder_; }

private:
    std::vector<std::string> Files() const;

    std::string folder_;
    std::string savedHome_;
    bool hadHome_ = false;
};

}  // namespace zemtest
