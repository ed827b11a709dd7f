// _Wave::ReadHeader: the walk over the chunk list of a recording file.
#include "zemWaveLib/wave.h"

#include "base/paths.h"
#include "base/trace.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

using ChunkSet = std::array<std::unique_ptr<WaveChunk>, _Wave::kSlotCount>;

// Header failures are told apart by a fixed number after the reader's source name.
enum HeaderFault : int {
    kShortRiffId = 606,
    kNotRiff = 611,
    kShortRiffLength = 622,
    kShortFormType = 642,
    kNotWave = 647,
    kShortKnownSize = 667,
    kShortChunkData = 689,
    kKnownSkipFailed = 701,
    kShortUnknownSize = 715,
    kUnknownChunkFailed = 722,
};

constexpr uint64_t kMaxOffset = std::numeric_limits<uint32_t>::max();
constexpr uint32_t kFormatMinimum = 16;

constexpr std::string_view SourceName()
{
    constexpr std::string_view path = __FILE__;
    constexpr size_t folder = path.rfind("zemWaveLib/");
    return folder == std::string_view::npos ? path : path.substr(folder);
}

std::string FaultText(HeaderFault fault)
{
    return std::string(SourceName()) + " (L:" + std::to_string(fault) + ")";
}

int SlotOf(const char (&id)[4])
{
    for (int slot = 0; slot < _Wave::kSlotCount; ++slot) {
        if (std::memcmp(id, _Wave::ChunkId(static_cast<_Wave::Slot>(slot)).data(), 4) == 0)
            return slot;
    }
    return -1;
}

bool KeepsData(int slot)
{
    return slot == _Wave::kSlotFormat || slot == _Wave::kSlotPrompt || slot == _Wave::kSlotMetadata;
}

// An overview must hold its own channel and point counts, or a drawing would read past it.
bool OverviewFits(const WaveChunk& chunk)
{
    if (chunk.size < 4)
        return false;
    uint16_t channels = 0;
    uint16_t points = 0;
    std::memcpy(&channels, chunk.data.data(), 2);
    std::memcpy(&points, chunk.data.data() + 2, 2);
    return channels > 0 && 4 + uint64_t{2} * channels * points <= chunk.size;
}

// Walks the chunks from the start of the file. The caller restores the file position.
class HeaderWalk {
public:
    HeaderWalk(zem::File& file, const std::string& path) : file_(file), path_(path) {}

    bool Run();

    ChunkSet chunks;
    uint32_t riffLength = 0;
    uint32_t fileLength = 0;
    std::string error;

private:
    bool Fail(HeaderFault fault)
    {
        error = FaultText(fault);
        return false;
    }
    bool ReadExact(void* out, size_t count)
    {
        size_t done = 0;
        return file_.Read(out, count, done) == 0 && done == count;
    }
    bool ReadKnown(int slot, const char (&id)[4]);
    bool SkipUnknown();

    zem::File& file_;
    const std::string& path_;
    uint64_t position_ = 0;
    bool seen_[_Wave::kSlotCount] = {};
};

bool HeaderWalk::Run()
{
    uint64_t size = 0;
    int err = file_.GetSize(size);
    if (err == 0)
        err = file_.Seek(0, zem::File::Origin::Begin);
    if (err != 0) {
        error = "Error " + std::to_string(err) + " opening file '" + path_ + "'!\n";
        return false;
    }
    fileLength = static_cast<uint32_t>(std::min<uint64_t>(size, kMaxOffset));

    char tag[4];
    if (!ReadExact(tag, 4))
        return Fail(kShortRiffId);
    if (std::memcmp(tag, "RIFF", 4) != 0)
        return Fail(kNotRiff);
    if (!ReadExact(&riffLength, 4))
        return Fail(kShortRiffLength);
    if (!ReadExact(tag, 4))
        return Fail(kShortFormType);
    if (std::memcmp(tag, "WAVE", 4) != 0)
        return Fail(kNotWave);
    position_ = 12;

    while (position_ < fileLength) {
        char id[4];
        size_t done = 0;
        if (file_.Read(id, 4, done) != 0)
            return Fail(kUnknownChunkFailed);
        if (done < 4)
            break;
        position_ += 4;
        const int slot = SlotOf(id);
        if (!(slot >= 0 ? ReadKnown(slot, id) : SkipUnknown()))
            return false;
    }
    return true;
}

bool HeaderWalk::ReadKnown(int slot, const char (&id)[4])
{
    if (seen_[slot]) {
        error = "Invalid Header. Double chuncks detected!";
        return false;
    }
    seen_[slot] = true;

    uint32_t size = 0;
    if (!ReadExact(&size, 4))
        return Fail(kShortKnownSize);
    position_ += 4;

    auto chunk = std::make_unique<WaveChunk>();
    std::memcpy(chunk->id.data(), id, 4);
    chunk->size = size;
    chunk->offset = static_cast<uint32_t>(std::min(position_, kMaxOffset));

    if (!KeepsData(slot)) {
        const uint64_t end = position_ + size;
        if (position_ > kMaxOffset || end > kMaxOffset ||
            file_.Seek(static_cast<int64_t>(end), zem::File::Origin::Begin) != 0)
            return Fail(kKnownSkipFailed);
        position_ = end;
        chunks[slot] = std::move(chunk);
        return true;
    }

    if (slot == _Wave::kSlotFormat && size < kFormatMinimum) {
        error = "Invalid Header. Format chunk too short!";
        return false;
    }
    // The size comes from the file: never allocate more than the file can still hold.
    const uint64_t left = position_ < fileLength ? fileLength - position_ : 0;
    if (size > left)
        return Fail(kShortChunkData);
    const size_t room = slot == _Wave::kSlotFormat ? std::max<size_t>(size, sizeof(zem::WAVEFORMATEX)) : size;
    chunk->data.assign(room + 1, 0);
    if (!ReadExact(chunk->data.data(), size))
        return Fail(kShortChunkData);
    position_ += size;

    if (slot == _Wave::kSlotPrompt && !OverviewFits(*chunk)) {
        zem::Trace("Overview chunk of '%s' does not fit its size; ignored", path_.c_str());
        return true;
    }
    chunks[slot] = std::move(chunk);
    return true;
}

bool HeaderWalk::SkipUnknown()
{
    uint32_t size = 0;
    size_t done = 0;
    if (file_.Read(&size, 4, done) != 0)
        return Fail(kUnknownChunkFailed);
    if (done < 4)
        return Fail(kShortUnknownSize);
    position_ += 4;
    const uint64_t end = position_ + size;
    if (end > kMaxOffset || file_.Seek(static_cast<int64_t>(end), zem::File::Origin::Begin) != 0)
        return Fail(kUnknownChunkFailed);
    position_ = end;
    return true;
}

}  // namespace

bool _Wave::ReadHeader()
{
    std::lock_guard guard(lock_);
    ++headerGeneration_;
    for (auto& chunk : chunks_)
        chunk.reset();

    const std::string path = localName_.empty() ? fileName_ : localName_;
    if (!file_.IsOpen() && file_.Open(zem::MapPath(path), zem::File::Mode::Read) != 0) {
        lastError_ = "Error opening File '" + path + "'\n";
        return false;
    }
    uint64_t saved = 0;
    if (const int err = file_.GetPosition(saved); err != 0) {
        lastError_ = "Error " + std::to_string(err) + " opening file '" + path + "'!\n";
        return false;
    }

    HeaderWalk walk(file_, path);
    const bool ok = walk.Run();
    loadedLength_ = walk.fileLength;
    riffLength_ = walk.riffLength;
    file_.Seek(static_cast<int64_t>(saved), zem::File::Origin::Begin);
    if (!ok) {
        lastError_ = walk.error;
        return false;
    }
    chunks_ = std::move(walk.chunks);
    return true;
}

bool _Wave::CheckHeader(const uint8_t* bytes, size_t count, HeaderRecords& found)
{
    found = HeaderRecords{};
    if (count <= 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return false;
    std::memcpy(&found.riffLength, bytes + 4, 4);
    const auto complete = [&found] { return found.chunks[kSlotFormat] && found.chunks[kSlotData]; };

    // 64-bit positions: a size near 4 GB must step past the end, never wrap around.
    const uint64_t end = count;
    uint64_t position = 12;
    for (;;) {
        // An id, and at least one byte after it.
        if (position + 4 >= end)
            return false;
        char id[4];
        std::memcpy(id, bytes + position, 4);
        const int slot = SlotOf(id);
        // A size, and at least one byte after it.
        if (position + 8 >= end)
            return slot < 0 && complete();
        uint32_t size = 0;
        std::memcpy(&size, bytes + position + 4, 4);
        const uint64_t offset = position + 8;
        position = offset + size;

        if (slot < 0 || !KeepsData(slot)) {
            if (slot >= 0) {
                auto chunk = std::make_unique<WaveChunk>();
                std::memcpy(chunk->id.data(), id, 4);
                chunk->size = size;
                chunk->offset = static_cast<uint32_t>(offset);
                found.chunks[slot] = std::move(chunk);
            }
            if (position >= end)
                return complete();
            continue;
        }

        // A kept chunk must be here whole, with more bytes after it to go on with.
        if (position >= end)
            return false;
        if (slot == kSlotFormat && size < kFormatMinimum)
            return false;
        auto chunk = std::make_unique<WaveChunk>();
        std::memcpy(chunk->id.data(), id, 4);
        chunk->size = size;
        chunk->offset = static_cast<uint32_t>(offset);
        const size_t room =
            slot == kSlotFormat ? std::max<size_t>(size, sizeof(zem::WAVEFORMATEX)) : size;
        chunk->data.assign(room + 1, 0);
        std::memcpy(chunk->data.data(), bytes + offset, size);
        if (slot == kSlotPrompt && !OverviewFits(*chunk))
            found.chunks[slot].reset();
        else
            found.chunks[slot] = std::move(chunk);
    }
}
