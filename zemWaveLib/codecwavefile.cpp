#include "zemWaveLib/codecwavefile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zem {
namespace {

uint32_t Le32(const uint8_t* p)
{
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void AppendLe32(std::string& out, uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>(v >> shift));
}

bool IdIs(const uint8_t* p, const char* id)
{
    return std::memcmp(p, id, 4) == 0;
}

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
    uint8_t head[20];
    if (length < 0 || !Seek(0) || !ReadExact(head, sizeof head))
        return false;
    if (!IdIs(head, "RIFF") || !IdIs(head + 8, "WAVE") || !IdIs(head + 12, "fmt "))
        return false;

    const uint32_t formatSize = Le32(head + 16);
    if (formatSize < 16 || formatSize > length - Position())
        return false;
    std::vector<uint8_t> format(formatSize);
    if (!ReadExact(format.data(), format.size()))
        return false;
    out.format = *WaveFormat::FromBytes(format);

    // Step over the chunks up to "data", then read them back in one piece.
    const int64_t betweenStart = Position();
    uint8_t chunk[8];
    for (;;) {
        if (!ReadExact(chunk, sizeof chunk))
            return false;
        if (IdIs(chunk, "data"))
            break;
        const uint32_t size = Le32(chunk + 4);
        if (size > length - Position() || !Seek(Position() + size))
            return false;
    }
    out.dataSize = Le32(chunk + 4);
    const int64_t dataStart = Position();
    out.between.resize(static_cast<size_t>(dataStart - 8 - betweenStart));
    return Seek(betweenStart) && ReadExact(out.between.data(), out.between.size()) &&
           Seek(dataStart);
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
    std::string header = "RIFF";
    AppendLe32(header, riffLength);
    header += "WAVEfmt ";
    AppendLe32(header, static_cast<uint32_t>(formatBytes.size()));
    header.append(formatBytes.begin(), formatBytes.end());
    header += between;
    header += "data";
    AppendLe32(header, dataSize);
    return header;
}

}  // namespace zem
