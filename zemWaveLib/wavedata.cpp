// Positioning in and reading of the sample data of a _Wave.
#include "zemWaveLib/wave.h"

#include "zemWaveLib/samples.h"

#include <algorithm>
#include <vector>

bool _Wave::Seek(uint32_t position, bool align)
{
    std::lock_guard guard(lock_);
    const zem::WAVEFORMATEX* format = UsableFormatLocked();
    if (!file_.IsOpen() || !HeaderValidLocked() || !format)
        return false;
    if (align)
        position -= position % format->nBlockAlign;
    uint64_t previous = 0;
    if (file_.GetPosition(previous) != 0)
        return false;
    const uint64_t target = uint64_t{chunks_[kSlotData]->offset} + position;
    if (file_.Seek(static_cast<int64_t>(target), zem::File::Origin::Begin) != 0) {
        file_.Seek(static_cast<int64_t>(previous), zem::File::Origin::Begin);
        return false;
    }
    return true;
}

uint32_t _Wave::GetPosition() const
{
    std::lock_guard guard(lock_);
    const WaveChunk* data = chunks_[kSlotData].get();
    uint64_t position = 0;
    if (!(state_.load() & kStateValidBit) || !data || file_.GetPosition(position) != 0)
        return 0;
    return position > data->offset ? static_cast<uint32_t>(position - data->offset) : 0;
}

bool _Wave::IsEof() const
{
    std::lock_guard guard(lock_);
    uint64_t position = 0;
    uint64_t size = 0;
    if (!file_.IsOpen() || file_.GetPosition(position) != 0 || file_.GetSize(size) != 0)
        return true;
    return position >= size;
}

uint32_t _Wave::Read(void* buffer, uint32_t count, double* level)
{
    std::lock_guard guard(lock_);
    const zem::WAVEFORMATEX* format = UsableFormatLocked();
    if (!file_.IsOpen() || !HeaderValidLocked() || !format)
        return 0;
    const WaveChunk* data = chunks_[kSlotData].get();
    const uint32_t block = format->nBlockAlign;
    const SampleLayout layout = SampleLayout::Of(*format);
    if (level)
        *level = layout.Level(nullptr, 0);
    count -= count % block;

    uint64_t filePosition = 0;
    if (file_.GetPosition(filePosition) != 0)
        return 0;
    if (filePosition < data->offset && !Seek(0, true))
        return 0;
    uint32_t position = GetPosition();
    if (position % block != 0) {
        position -= position % block;
        if (!Seek(position, false))
            return 0;
    }

    const uint32_t left = position < data->size ? data->size - position : 0;
    if (left < block) {
        file_.Seek(0, zem::File::Origin::End);
        return 0;
    }
    count = std::min(count, left - left % block);

    size_t done = 0;
    file_.Read(buffer, count, done);
    if (done < count && IsLoading()) {
        // The download has not written the rest yet: hand out whole blocks only and read
        // the partial one again next time.
        const size_t partial = done % block;
        file_.Seek(-static_cast<int64_t>(partial), zem::File::Origin::Current);
        done -= partial;
    }
    if (level)
        *level = layout.Level(static_cast<const uint8_t*>(buffer), done);
    return static_cast<uint32_t>(done);
}

double _Wave::GetLevelAt(uint32_t position, uint32_t extra)
{
    if (!(state_.load() & kStateValidBit))
        return 0.0;
    std::lock_guard guard(lock_);
    const zem::WAVEFORMATEX* format = UsableFormatLocked();
    if (!file_.IsOpen() || !HeaderValidLocked() || !format)
        return 0.0;
    const uint32_t remembered = GetPosition();
    if (position != remembered && !Seek(position, true))
        return 0.0;

    // Never allocate for more than the data and the file still hold.
    uint64_t filePosition = 0;
    uint64_t fileSize = 0;
    file_.GetPosition(filePosition);
    file_.GetSize(fileSize);
    const uint32_t aligned = position - position % format->nBlockAlign;
    const uint32_t dataSize = chunks_[kSlotData]->size;
    const uint64_t dataLeft = aligned < dataSize ? dataSize - aligned : 0;
    const uint64_t fileLeft = filePosition < fileSize ? fileSize - filePosition : 0;
    const uint64_t wanted = uint64_t{extra} + format->nBlockAlign;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min({wanted, dataLeft, fileLeft})));

    double level = 0.0;
    Read(buffer.data(), static_cast<uint32_t>(buffer.size()), &level);
    Seek(remembered, true);
    return level;
}
