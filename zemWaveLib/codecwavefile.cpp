#include "zemWaveLib/codecwavefile.h"

#include "base/littleendian.h"
#include "base/riff.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zem {
namespace {

}  // namespace

CodecWaveFile::~CodecWaveFile()
{
    Close();
}

bool CodecWaveFile::OpenRead(const std::string& path)
{
    Close();
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    error_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

bool CodecWaveFile::Create(const std::string& path)
{
    Close();
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    error_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

void CodecWaveFile::Close()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

ptrdiff_t CodecWaveFile::Read(void* buffer, size_t size)
{
    auto* at = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd_, at + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error_ = errno;
            return -1;
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ptrdiff_t>(done);
}

bool CodecWaveFile::Write(const void* buffer, size_t size)
{
    const auto* at = static_cast<const uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t n = write(fd_, at, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error_ = errno;
            return false;
        }
        at += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CodecWaveFile::ReadExact(void* buffer, size_t size)
{
    return Read(buffer, size) == static_cast<ptrdiff_t>(size);
}

bool CodecWaveFile::Seek(int64_t offset)
{
    if (lseek(fd_, offset, SEEK_SET) < 0) {
        error_ = errno;
        return false;
    }
    return true;
}

int64_t CodecWaveFile::Position()
{
    return lseek(fd_, 0, SEEK_CUR);
}

int64_t CodecWaveFile::Length()
{
    struct stat st {};
    if (fstat(fd_, &st) != 0) {
        error_ = errno;
        return -1;
    }
    return st.st_size;
}

bool CodecWaveFile::ReadLayout(WaveLayout& out)
{
    const int64_t length = Length();
    if (length < 0)
        return false;
    RiffReader riff = RiffReader::OverDescriptor(fd_, static_cast<uint64_t>(length), RiffPad::WhereFound);
    RiffHead head;
    RiffChunk chunk;
    if (riff.ReadHead(head) < 12 || !head.Is("RIFF", "WAVE") ||
        riff.Next(chunk) != RiffReader::Step::Chunk || !chunk.Is("fmt "))
        return false;

    if (chunk.size < 16 || chunk.End() > static_cast<uint64_t>(length))
        return false;
    std::vector<uint8_t> format(chunk.size);
    if (riff.Read(chunk.offset, format.data(), format.size()) != format.size())
        return false;
    out.format = *WaveFormat::FromBytes(format);

    // Step over the chunks up to "data", then read them back in one piece.
    const uint64_t betweenStart = chunk.End();
    for (;;) {
        if (riff.Next(chunk) != RiffReader::Step::Chunk)
            return false;
        if (chunk.Is("data"))
            break;
        if (chunk.End() > static_cast<uint64_t>(length))
            return false;
    }
    out.dataSize = chunk.HeldSize(static_cast<uint64_t>(length));
    out.between.resize(static_cast<size_t>(chunk.offset - 8 - betweenStart));
    return riff.Read(betweenStart, out.between.data(), out.between.size()) == out.between.size() &&
           Seek(static_cast<int64_t>(chunk.offset));
}

bool CodecWaveFile::WriteHeader(const WaveFormat& format, const std::string& between,
                                uint32_t dataSize, uint32_t riffLength)
{
    const std::string header = WaveHeaderBytes(format, between, dataSize, riffLength);
    return Seek(0) && Write(header.data(), header.size());
}

std::string WaveHeaderBytes(const WaveFormat& format, const std::string& between,
                            uint32_t dataSize, uint32_t riffLength)
{
    const std::vector<uint8_t> formatBytes = format.ToBytes();
    RiffWriter riff(RiffLength::WholeFile);
    riff.Chunk("fmt ", formatBytes.data(), formatBytes.size());
    riff.Append(between);
    riff.ChunkHead("data", dataSize);
    std::string header = riff.Bytes();
    WriteLe32(header.data() + 4, riffLength);
    return header;
}

}  // namespace zem
