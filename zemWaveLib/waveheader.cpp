// _Wave::ReadHeader: the walk over the chunk list of a recording file.
#include "zemWaveLib/wave.h"

#include "base/littleendian.h"
#include "base/paths.h"
#include "base/riff.h"
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

int SlotOf(const std::array<char, 4>& id)
{
    for (int slot = 0; slot < _Wave::kSlotCount; ++slot) {
        if (std::memcmp(id.data(), _Wave::ChunkId(static_cast<_Wave::Slot>(slot)).data(), 4) == 0)
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
    const uint16_t channels = zem::ReadLe16(chunk.data.data());
    const uint16_t points = zem::ReadLe16(chunk.data.data() + 2);
    return channels > 0 && 4 + uint64_t{2} * channels * points <= chunk.size;
}

// The record of a chunk, without its data.
std::unique_ptr<WaveChunk> RecordOf(const zem::RiffChunk& found)
{
    auto chunk = std::make_unique<WaveChunk>();
    chunk->id = found.id;
    chunk->size = found.size;
    chunk->offset = static_cast<uint32_t>(std::min(found.offset, kMaxOffset));
    return chunk;
}

// Walks the chunks from the start of the file; reads at offsets, so the file position stays.
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
    bool ReadKnown(int slot, zem::RiffReader::Step step, const zem::RiffChunk& found,
                   const zem::RiffReader& riff);

    zem::File& file_;
    const std::string& path_;
    bool seen_[_Wave::kSlotCount] = {};
};

bool HeaderWalk::Run()
{
    uint64_t size = 0;
    if (const int err = file_.GetSize(size); err != 0) {
        error = "Error " + std::to_string(err) + " opening file '" + path_ + "'!\n";
        return false;
    }
    fileLength = static_cast<uint32_t>(std::min<uint64_t>(size, kMaxOffset));
    zem::RiffReader riff(
        [this](uint64_t offset, void* out, size_t count) {
            size_t done = 0;
            file_.ReadAt(offset, out, count, done);
            return done;
        },
        fileLength, zem::RiffPad::WhereFound);

    zem::RiffHead head;
    const size_t got = riff.ReadHead(head);
    if (got < 4)
        return Fail(kShortRiffId);
    if (std::memcmp(head.id.data(), "RIFF", 4) != 0)
        return Fail(kNotRiff);
    if (got < 8)
        return Fail(kShortRiffLength);
    riffLength = head.length;
    if (got < 12)
        return Fail(kShortFormType);
    if (std::memcmp(head.form.data(), "WAVE", 4) != 0)
        return Fail(kNotWave);

    zem::RiffChunk chunk;
    for (;;) {
        const zem::RiffReader::Step step = riff.Next(chunk);
        if (step == zem::RiffReader::Step::End)
            return true;
        const int slot = SlotOf(chunk.id);
        if (slot >= 0) {
            if (!ReadKnown(slot, step, chunk, riff))
                return false;
        } else if (step == zem::RiffReader::Step::Cut) {
            return Fail(kShortUnknownSize);
        } else if (chunk.End() > kMaxOffset) {
            return Fail(kUnknownChunkFailed);
        }
    }
}

bool HeaderWalk::ReadKnown(int slot, zem::RiffReader::Step step, const zem::RiffChunk& found,
                           const zem::RiffReader& riff)
{
    if (seen_[slot]) {
        error = "Invalid Header. Double chuncks detected!";
        return false;
    }
    seen_[slot] = true;
    if (step == zem::RiffReader::Step::Cut)
        return Fail(kShortKnownSize);

    std::unique_ptr<WaveChunk> chunk = RecordOf(found);
    if (slot == _Wave::kSlotData)
        chunk->size = found.HeldSize(fileLength);  // the file is complete when its header is read
    if (!KeepsData(slot)) {
        if (chunk->offset + uint64_t{chunk->size} > kMaxOffset)
            return Fail(kKnownSkipFailed);
        chunks[slot] = std::move(chunk);
        return true;
    }

    if (slot == _Wave::kSlotFormat && found.size < kFormatMinimum) {
        error = "Invalid Header. Format chunk too short!";
        return false;
    }
    // The size comes from the file: never allocate more than the file can still hold.
    if (found.End() > fileLength)
        return Fail(kShortChunkData);
    const size_t room = slot == _Wave::kSlotFormat ? std::max<size_t>(found.size, sizeof(zem::WAVEFORMATEX)) : found.size;
    chunk->data.assign(room + 1, 0);
    if (riff.Read(found.offset, chunk->data.data(), found.size) != found.size)
        return Fail(kShortChunkData);

    if (slot == _Wave::kSlotPrompt && !OverviewFits(*chunk)) {
        zem::Trace("Overview chunk of '%s' does not fit its size; ignored", path_.c_str());
        return true;
    }
    chunks[slot] = std::move(chunk);
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
    HeaderWalk walk(file_, path);
    const bool ok = walk.Run();
    loadedLength_ = walk.fileLength;
    riffLength_ = walk.riffLength;
    if (!ok) {
        lastError_ = walk.error;
        return false;
    }
    chunks_ = std::move(walk.chunks);
    return true;
}

bool _Wave::CheckHeader(const uint8_t* bytes, size_t count, HeaderRecords& found, bool wholeFile)
{
    found = HeaderRecords{};
    zem::RiffReader riff = zem::RiffReader::OverBytes(bytes, count, zem::RiffPad::WhereFound);
    zem::RiffHead head;
    if (count <= 12 || riff.ReadHead(head) < 12 || !head.Is("RIFF", "WAVE"))
        return false;
    found.riffLength = head.length;
    const auto complete = [&found] { return found.chunks[kSlotFormat] && found.chunks[kSlotData]; };

    // 64-bit positions: a size near 4 GB must step past the end, never wrap around.
    const uint64_t end = count;
    zem::RiffChunk chunk;
    for (;;) {
        const zem::RiffReader::Step step = riff.Next(chunk);
        // An id, and at least one byte after it.
        if (step == zem::RiffReader::Step::End || chunk.offset - 4 >= end)
            return false;
        const int slot = SlotOf(chunk.id);
        // A size, and at least one byte after it.
        if (step == zem::RiffReader::Step::Cut || chunk.offset >= end)
            return slot < 0 && complete();

        if (slot < 0 || !KeepsData(slot)) {
            if (slot >= 0)
                found.chunks[slot] = RecordOf(chunk);
            if (slot == kSlotData && wholeFile)
                found.chunks[slot]->size = chunk.HeldSize(count);
            if (chunk.End() >= end)
                return complete();
            continue;
        }

        // A kept chunk must be here whole, with more bytes after it to go on with.
        if (chunk.End() >= end)
            return false;
        if (slot == kSlotFormat && chunk.size < kFormatMinimum)
            return false;
        auto record = RecordOf(chunk);
        const size_t room =
            slot == kSlotFormat ? std::max<size_t>(chunk.size, sizeof(zem::WAVEFORMATEX)) : chunk.size;
        record->data.assign(room + 1, 0);
        std::memcpy(record->data.data(), bytes + chunk.offset, chunk.size);
        if (slot == kSlotPrompt && !OverviewFits(*record))
            found.chunks[slot].reset();
        else
            found.chunks[slot] = std::move(record);
    }
}
