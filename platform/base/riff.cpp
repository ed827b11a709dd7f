#include "base/riff.h"

#include "base/file.h"
#include "base/littleendian.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zem {

bool IsChunkId(const void* bytes)
{
    const auto* p = static_cast<const uint8_t*>(bytes);
    return std::all_of(p, p + 4, [](uint8_t b) { return b >= 0x20 && b <= 0x7E; });
}

RiffReader::RiffReader(ReadAt read, uint64_t length, RiffPad pad)
    : read_(std::move(read)), length_(length), pad_(pad)
{
}

RiffReader RiffReader::OverBytes(const void* bytes, size_t count, RiffPad pad)
{
    const auto* base = static_cast<const uint8_t*>(bytes);
    return RiffReader(
        [base, count](uint64_t offset, void* out, size_t want) -> size_t {
            if (offset >= count)
                return 0;
            const size_t n = static_cast<size_t>(std::min<uint64_t>(want, count - offset));
            std::memcpy(out, base + offset, n);
            return n;
        },
        count, pad);
}

RiffReader RiffReader::OverDescriptor(int fd, uint64_t length, RiffPad pad)
{
    return RiffReader(
        [fd](uint64_t offset, void* out, size_t want) {
            size_t done = 0;
            zem::ReadAt(fd, offset, out, want, done);
            return done;
        },
        length, pad);
}

size_t RiffReader::ReadHead(RiffHead& head)
{
    uint8_t bytes[12] = {};
    const size_t got = Read(0, bytes, sizeof bytes);
    std::memcpy(head.id.data(), bytes, 4);
    head.length = ReadLe32(bytes + 4);
    std::memcpy(head.form.data(), bytes + 8, 4);
    next_ = 12;
    return got;
}

RiffReader::Step RiffReader::Next(RiffChunk& chunk)
{
    const uint64_t at = next_;
    if (at > length_ || length_ - at < 4)
        return Step::End;
    uint8_t bytes[8];
    const size_t got = Read(at, bytes, sizeof bytes);
    if (got < 4)
        return Step::End;
    std::memcpy(chunk.id.data(), bytes, 4);
    chunk.offset = at + 8;
    if (got < 8 || length_ - at < 8)
        return Step::Cut;
    chunk.size = ReadLe32(bytes + 4);
    next_ = After(chunk);
    return Step::Chunk;
}

uint64_t RiffReader::After(const RiffChunk& chunk) const
{
    const uint64_t end = chunk.End();
    if (chunk.size % 2 == 0 || pad_ == RiffPad::Never)
        return end;
    if (pad_ == RiffPad::Always)
        return end + 1;
    uint8_t bytes[5];
    const bool padded = Read(end, bytes, sizeof bytes) == sizeof bytes && !IsChunkId(bytes) && IsChunkId(bytes + 1);
    return padded ? end + 1 : end;
}

RiffWriter::RiffWriter(RiffLength convention, std::string_view form) : convention_(convention)
{
    bytes_ = "RIFF";
    AppendLe32(bytes_, 0);
    bytes_ += form;
}

void RiffWriter::Chunk(std::string_view id, std::string_view data)
{
    ChunkHead(id, static_cast<uint32_t>(data.size()));
    bytes_ += data;
}

void RiffWriter::Chunk(std::string_view id, const void* data, size_t size)
{
    Chunk(id, std::string_view(static_cast<const char*>(data), size));
}

void RiffWriter::ChunkHead(std::string_view id, uint32_t size)
{
    bytes_ += id.substr(0, 4);
    AppendLe32(bytes_, size);
}

std::string RiffWriter::Bytes(uint64_t following) const
{
    std::string out = bytes_;
    WriteLe32(out.data() + 4, LengthField(convention_, out.size() + following));
    return out;
}

uint32_t RiffWriter::LengthField(RiffLength convention, uint64_t fileSize)
{
    const uint64_t value = convention == RiffLength::WholeFile ? fileSize : fileSize - 8;
    return static_cast<uint32_t>(std::min<uint64_t>(value, std::numeric_limits<uint32_t>::max()));
}

}  // namespace zem
