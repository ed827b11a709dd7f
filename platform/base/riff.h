// RIFF files: "RIFF", a u32 length, a form type ("WAVE"), then chunks of a 4-byte id, a u32
// size and the data. One reader and one writer for every file and memory image of the system.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zem {

// Where the next chunk starts after one of odd size.
enum class RiffPad {
    Never,   // right after the data, as the system's own files and "QMF1" files have it
    Always,  // after the pad byte, as standard RIFF writers have it
    // After the pad byte only where the four bytes there form a chunk id and the four at the
    // unpadded end do not: reads both the system's files and standard ones.
    WhereFound,
};

// Four bytes from 0x20 to 0x7E.
bool IsChunkId(const void* bytes);

struct RiffHead {
    std::array<char, 4> id{};
    uint32_t length = 0;
    std::array<char, 4> form{};
    bool Is(std::string_view idName, std::string_view formName) const
    {
        return std::string_view(id.data(), 4) == idName && std::string_view(form.data(), 4) == formName;
    }
};

struct RiffChunk {
    std::array<char, 4> id{};
    uint32_t size = 0;    // as stored
    uint64_t offset = 0;  // first data byte
    bool Is(std::string_view name) const { return std::string_view(id.data(), 4) == name; }
    uint64_t End() const { return offset + size; }
    // What a complete file of `length` bytes holds of the data: a writer that streams leaves
    // 0xFFFFFFFF or another size larger than what followed.
    uint32_t HeldSize(uint64_t length) const
    {
        return static_cast<uint32_t>(offset >= length ? 0 : std::min<uint64_t>(size, length - offset));
    }
};

class RiffReader {
public:
    // Reads up to count bytes at offset; returns how many came.
    using ReadAt = std::function<size_t(uint64_t offset, void* out, size_t count)>;

    RiffReader(ReadAt read, uint64_t length, RiffPad pad);
    static RiffReader OverBytes(const void* bytes, size_t count, RiffPad pad);
    // Reads with pread; length is the file's length as the caller measured it.
    static RiffReader OverDescriptor(int fd, uint64_t length, RiffPad pad);

    uint64_t Length() const { return length_; }

    // The 12-byte head. Returns how many of its bytes are there (12 when it is whole).
    size_t ReadHead(RiffHead& head);

    enum class Step {
        Chunk,  // chunk holds the next chunk's id, size and data offset
        Cut,    // the id is there (chunk.id) but not the whole size
        End,    // fewer than four bytes left for an id
    };
    // The chunk after the previous one; the first one follows the head.
    Step Next(RiffChunk& chunk);

    size_t Read(uint64_t offset, void* out, size_t count) const { return read_(offset, out, count); }

private:
    uint64_t After(const RiffChunk& chunk) const;

    ReadAt read_;
    uint64_t length_;
    RiffPad pad_;
    uint64_t next_ = 12;
};

// The two conventions of the RIFF length field.
enum class RiffLength {
    WholeFile,  // the length of the whole file, as recordings and the converter write it
    Standard,   // the file length minus 8
};

// Builds the bytes of a RIFF file (or of its head when data follows outside).
class RiffWriter {
public:
    explicit RiffWriter(RiffLength convention, std::string_view form = "WAVE");

    // id, size and data; no pad byte is added.
    void Chunk(std::string_view id, std::string_view data);
    void Chunk(std::string_view id, const void* data, size_t size);
    // id and size only: the data is written by the caller after these bytes.
    void ChunkHead(std::string_view id, uint32_t size);
    // Bytes as they are, e.g. a pad byte or chunks already laid out.
    void Append(std::string_view raw) { bytes_ += raw; }

    // The bytes so far, the length field set for a file of them plus `following` bytes.
    std::string Bytes(uint64_t following = 0) const;

    static uint32_t LengthField(RiffLength convention, uint64_t fileSize);

private:
    RiffLength convention_;
    std::string bytes_;
};

}  // namespace zem
