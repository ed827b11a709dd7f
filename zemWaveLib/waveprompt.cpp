// _Wave::GeneratePrompt: the waveform overview ("zemp") sampled from the data; compressed data
// is sampled from a decoded PCM copy.
#include "zemWaveLib/wave.h"

#include "zemWaveLib/codecconverter.h"
#include "zemWaveLib/samples.h"

#include "base/littleendian.h"
#include "base/trace.h"

#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>

namespace {

bool SampledDirectly(uint16_t tag)
{
    return tag == zem::WAVE_FORMAT_PCM || tag == zem::WAVE_FORMAT_ALAW || tag == zem::WAVE_FORMAT_MULAW;
}

// Deletes the decoded copy however the overview ends.
class RemoveOnExit {
public:
    explicit RemoveOnExit(std::string path) : path_(std::move(path)) {}
    ~RemoveOnExit()
    {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;

private:
    std::string path_;
};

// The overview record of a compressed recording: decoded to a PCM copy of its own, sampled
// there, the copy deleted. Each call decodes to a new file, so recordings overviewed at once
// on several threads never share one. Empty with the reason in `error` on failure.
std::optional<std::vector<uint8_t>> DecodedOverview(const std::string& path, uint16_t points,
                                                    std::string& error)
{
    CodecConverter converter(nullptr, nullptr, nullptr);
    std::string decodedPath;
    if (!converter.DecodeToTempFile(path, decodedPath)) {
        error = converter.GetLastError();
        return std::nullopt;
    }
    const RemoveOnExit removeCopy(decodedPath);

    // Closed (destroyed) before the copy is removed.
    _Wave copy;
    if (!copy.SetFileName(decodedPath) || !copy.GeneratePrompt(points)) {
        error = copy.GetLastError();
        return std::nullopt;
    }
    std::lock_guard guard(copy.GetLock());
    const uint8_t* prompt = copy.GetPrompt();
    if (!prompt) {
        error = "The decoded copy has no overview.";
        return std::nullopt;
    }
    const size_t size = 4 + size_t{2} * zem::ReadLe16(prompt) * zem::ReadLe16(prompt + 2);
    return std::vector<uint8_t>(prompt, prompt + size);
}

}  // namespace

bool _Wave::GeneratePrompt(uint16_t points)
{
    zem::WAVEFORMATEX format{};
    uint32_t dataSize = 0;
    uint64_t dataOffset = 0;
    uint64_t generation = 0;
    bool compressed = false;
    std::string path;
    {
        std::lock_guard guard(lock_);
        const zem::WAVEFORMATEX* stored = FormatLocked();
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
        compressed = !SampledDirectly(format.wFormatTag);
        path = PlayablePathLocked();
        generation = headerGeneration_;
        if (!compressed) {
            dataSize = HeaderValidLocked() ? chunks_[kSlotData]->size : 0;
            dataOffset = HeaderValidLocked() ? chunks_[kSlotData]->offset : 0;
            // From here on a failure leaves no overview, never a stale one.
            chunks_[kSlotPrompt].reset();
        }
    }

    if (compressed) {
        // Decoding takes a while: done without the lock, checked against a swap afterwards.
        std::string error;
        std::optional<std::vector<uint8_t>> overview = DecodedOverview(path, points, error);
        std::lock_guard guard(lock_);
        if (headerGeneration_ != generation) {
            lastError_ = "The recording was closed while its overview was made.";
            return false;
        }
        if (!overview) {
            lastError_ = error;
            return false;
        }
        auto chunk = std::make_unique<WaveChunk>();
        chunk->id = ChunkId(kSlotPrompt);
        chunk->size = static_cast<uint32_t>(overview->size());
        chunk->data = std::move(*overview);
        chunk->data.push_back(0);
        chunks_[kSlotPrompt] = std::move(chunk);
        return true;
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
    zem::WriteLe16(chunk->data.data(), static_cast<uint16_t>(layout.channels));
    zem::WriteLe16(chunk->data.data() + 2, points);
    const size_t second = 4 + size_t{2} * points;  // first value of channel 1

    std::vector<uint8_t> frame(format.nBlockAlign);
    for (uint32_t i = 0; i < points; ++i) {
        // One positioned read per point: the file position of other readers stays put.
        const uint32_t position = static_cast<uint32_t>(i * step) / format.nBlockAlign * format.nBlockAlign;
        size_t done = 0;
        {
            std::lock_guard guard(lock_);
            if (headerGeneration_ != generation || !file_.IsOpen()) {
                lastError_ = "The recording was closed while its overview was made.";
                return false;
            }
            if (uint64_t{position} + format.nBlockAlign <= dataSize)
                file_.ReadAt(dataOffset + position, frame.data(), format.nBlockAlign, done);
        }
        const bool complete = done == format.nBlockAlign;
        // Data the file does not really hold counts as silence.
        const uint16_t first = complete ? layout.OverviewValue(frame.data()) : layout.OverviewSilence();
        zem::WriteLe16(chunk->data.data() + 4 + size_t{2} * i, first);
        if (layout.channels >= 2) {
            const uint16_t other =
                complete ? layout.OverviewValue(frame.data() + layout.sampleBytes) : layout.OverviewSilence();
            zem::WriteLe16(chunk->data.data() + second + size_t{2} * i, other);
        }
    }

    std::lock_guard guard(lock_);
    if (headerGeneration_ != generation) {
        lastError_ = "The recording was closed while its overview was made.";
        return false;
    }
    chunks_[kSlotPrompt] = std::move(chunk);
    return true;
}
