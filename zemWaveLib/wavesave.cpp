// Metadata and copies of a _Wave: SetMetadata and SaveAs.
#include "zemWaveLib/wave.h"

#include "ZemBaseLib/formatting.h"
#include "ZemBaseLib/xmlelement.h"

#include "base/littleendian.h"
#include "base/paths.h"
#include "base/riff.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kCopyBlock = 2048;

// What SaveAs needs of the recording, taken under the lock so the copy runs without it.
struct SaveSnapshot {
    std::string source;
    std::vector<WaveChunk> records;  // the records that hold data, in slot order
    uint32_t dataOffset = 0;
    uint32_t dataSize = 0;
    uint32_t blockAlign = 0;
};

// Writes the new file; keeps the first error.
class Writer {
public:
    explicit Writer(zem::File& file) : file_(file) {}
    void Bytes(const void* data, size_t count)
    {
        if (error_ == 0)
            error_ = file_.Write(data, count);
    }
    // A little-endian u32 at a position written before; the file then goes back to its end.
    void PatchU32(uint64_t at, uint32_t value)
    {
        uint8_t bytes[4];
        zem::WriteLe32(bytes, value);
        SetError(file_.Seek(static_cast<int64_t>(at), zem::File::Origin::Begin));
        Bytes(bytes, 4);
        SetError(file_.Seek(0, zem::File::Origin::End));
    }
    int Error() const { return error_; }
    void SetError(int error)
    {
        if (error_ == 0)
            error_ = error;
    }

private:
    zem::File& file_;
    int error_ = 0;
};

}  // namespace

bool _Wave::SetMetadata(const XmlElement& root)
{
    std::string text;
    root.Serialize(text, 0);
    auto chunk = std::make_unique<WaveChunk>();
    chunk->id = ChunkId(kSlotMetadata);
    // Even size; an odd text keeps its terminating zero as the pad byte.
    chunk->size = static_cast<uint32_t>(text.size() + text.size() % 2);
    chunk->data.assign(text.begin(), text.end());
    chunk->data.resize(chunk->size + 1, 0);
    ReplaceChunk(kSlotMetadata, std::move(chunk));
    return true;
}

bool _Wave::SaveAs(const std::string& target)
{
    return SaveCopy(0, false, target);
}

bool _Wave::SaveAs(uint32_t startMs, const std::string& target)
{
    return SaveCopy(startMs, true, target);
}

bool _Wave::SaveCopy(uint32_t startMs, bool trimmed, const std::string& target)
{
    if (state_.load() != kStateLoaded) {
        SetLastError("File not completely loaded!");
        return false;
    }
    SaveSnapshot snap;
    {
        std::lock_guard guard(lock_);
        snap.source = localName_.empty() ? fileName_ : localName_;
        const zem::WAVEFORMATEX* format = UsableFormatLocked();
        if (!HeaderValidLocked() || !format) {
            lastError_ = "No sample data to save in '" + snap.source + "'.";
            return false;
        }
        for (const Slot slot : {kSlotFormat, kSlotPrompt, kSlotMetadata}) {
            if (chunks_[slot])
                snap.records.push_back(*chunks_[slot]);
        }
        snap.dataOffset = chunks_[kSlotData]->offset;
        snap.dataSize = chunks_[kSlotData]->size;
        snap.blockAlign = format->nBlockAlign;
    }
    // Whole blocks only, and never past the data: a copy starting inside a sample frame
    // garbles every sample after it.
    uint32_t skip = trimmed ? std::min(MsToBytes(startMs), snap.dataSize) : 0;
    skip -= skip % snap.blockAlign;

    zem::File source;
    if (source.Open(zem::MapPath(snap.source), zem::File::Mode::Read) != 0) {
        SetLastError("Error opening file '" + snap.source + "'.");
        return false;
    }
    // Open without truncating first: the target may be the source under another name.
    const std::string targetPath = zem::MapPath(target);
    zem::File out;
    if (out.Open(targetPath, zem::File::Mode::Write) != 0) {
        SetLastError("Error creating temporary file '" + target + "'.");
        return false;
    }
    zem::File::Identity sourceId;
    zem::File::Identity targetId;
    if (source.GetIdentity(sourceId) != 0 || out.GetIdentity(targetId) != 0 || sourceId == targetId) {
        SetLastError("Error creating temporary file '" + target + "'. It is the source file.");
        return false;
    }

    Writer writer(out);
    writer.SetError(out.Truncate(0));
    const uint32_t wanted = snap.dataSize - skip;
    zem::RiffWriter riff(zem::RiffLength::WholeFile);
    for (const WaveChunk& record : snap.records)
        riff.Chunk(std::string_view(record.id.data(), 4), record.data.data(), record.size);
    riff.ChunkHead("data", wanted);
    const std::string head = riff.Bytes(wanted);
    writer.Bytes(head.data(), head.size());
    const uint64_t dataSizeField = head.size() - 4;

    // Exactly the data chunk's bytes: chunks after it stay out of the new data.
    writer.SetError(source.Seek(int64_t{snap.dataOffset} + skip, zem::File::Origin::Begin));
    char block[kCopyBlock];
    uint32_t copied = 0;
    while (writer.Error() == 0 && copied < wanted) {
        size_t done = 0;
        writer.SetError(source.Read(block, std::min<size_t>(kCopyBlock, wanted - copied), done));
        if (done == 0)
            break;
        writer.Bytes(block, done);
        copied += static_cast<uint32_t>(done);
    }

    uint64_t total = 0;
    writer.SetError(out.GetPosition(total));
    // The source ended inside its data chunk: store what is really there.
    if (copied < wanted)
        writer.PatchU32(dataSizeField, copied);
    writer.PatchU32(4, zem::RiffWriter::LengthField(zem::RiffLength::WholeFile, total));
    writer.SetError(out.Close());
    if (writer.Error() != 0) {
        unlink(targetPath.c_str());
        SetLastError("Error writing file '" + target + "': " + LastErrorText(writer.Error()));
        return false;
    }
    return true;
}
