// _Wave::GeneratePrompt: the waveform overview ("zemp") sampled from the data.
#include "wave.h"

#include "samples.h"

#include "base/trace.h"

#include <cstring>
#include <limits>
#include <thread>

namespace {

bool SampledDirectly(uint16_t tag)
{
    return tag == WAVE_FORMAT_PCM || tag == WAVE_FORMAT_ALAW || tag == WAVE_FORMAT_MULAW;
}

void PutU16(std::vector<uint8_t>& data, size_t at, uint16_t value)
{
    std::memcpy(data.data() + at, &value, 2);
}

}  // namespace

bool _Wave::GeneratePrompt(uint16_t points)
{
    WAVEFORMATEX format{};
    uint32_t dataSize = 0;
    uint64_t generation = 0;
    {
        std::lock_guard guard(lock_);
        const WAVEFORMATEX* stored = FormatLocked();
        if (!stored) {
            zem::Trace("Invalid wave file. no header information.\n");
            lastError_ = "Invalid wave file. no header information.\n";
            return false;
        }
        if (state_.load() != kStateLoaded) {
            lastError_ = "File not completely loaded!";
            return false;
        }
        if (points == 0) {
            lastError_ = "An overview needs at least one point.";
            return false;
        }
        std::memcpy(&format, stored, sizeof format);
        if (!SampledDirectly(format.wFormatTag)) {
            lastError_ = "Format tag " + std::to_string(format.wFormatTag) +
                         " needs the codec converter, which this build does not have.";
            return false;
        }
        dataSize = HeaderValidLocked() ? chunks_[kSlotData]->size : 0;
        generation = headerGeneration_;
        // From here on a failure leaves no overview, never a stale one.
        chunks_[kSlotPrompt].reset();
    }

    const double step = static_cast<double>(dataSize) / points;
    if (step == 0) {
        SetLastError("The recording has no sample data.");
        return false;
    }
    const SampleLayout layout = SampleLayout::Of(format);
    const uint64_t size = 4 + uint64_t{2} * layout.channels * points;
    if (layout.sampleBytes == 0 || layout.channels == 0 || format.nAvgBytesPerSec == 0 ||
        format.nBlockAlign < layout.sampleBytes * layout.channels ||
        size > std::numeric_limits<uint32_t>::max()) {
        SetLastError("The sample format of the recording cannot be sampled.");
        return false;
    }

    auto chunk = std::make_unique<WaveChunk>();
    chunk->id = ChunkId(kSlotPrompt);
    chunk->size = static_cast<uint32_t>(size);
    chunk->data.assign(static_cast<size_t>(size) + 1, 0);
    PutU16(chunk->data, 0, static_cast<uint16_t>(layout.channels));
    PutU16(chunk->data, 2, points);
    const size_t second = 4 + size_t{2} * points;  // first value of channel 1

    std::vector<uint8_t> frame(format.nBlockAlign);
    for (uint32_t i = 0; i < points; ++i) {
        bool complete = false;
        {
            // Seek and read belong together; other readers may move the file in between points.
            std::lock_guard guard(lock_);
            if (headerGeneration_ != generation || !Seek(static_cast<uint32_t>(i * step), true)) {
                lastError_ = "The recording was closed while its overview was made.";
                return false;
            }
            complete = Read(frame.data(), format.nBlockAlign) == format.nBlockAlign;
        }
        // Data the file does not really hold counts as silence.
        const uint16_t first = complete ? layout.OverviewValue(frame.data()) : layout.OverviewSilence();
        PutU16(chunk->data, 4 + size_t{2} * i, first);
        if (layout.channels >= 2) {
            const uint16_t other =
                complete ? layout.OverviewValue(frame.data() + layout.sampleBytes) : layout.OverviewSilence();
            PutU16(chunk->data, second + size_t{2} * i, other);
        }
        std::this_thread::yield();
    }

    std::lock_guard guard(lock_);
    if (headerGeneration_ != generation) {
        lastError_ = "The recording was closed while its overview was made.";
        return false;
    }
    chunks_[kSlotPrompt] = std::move(chunk);
    return true;
}
