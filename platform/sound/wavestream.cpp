#include "sound/wavestream.h"

#include "sound/soundsystem.h"

#include "base/file.h"
#include "base/riff.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zem {
namespace {

uint64_t FileSize(int fd)
{
    struct stat st{};
    return fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

}  // namespace

int ReadWaveLayout(int fd, WaveDataLayout& layout)
{
    RiffReader riff = RiffReader::OverDescriptor(fd, FileSize(fd), RiffPad::WhereFound);
    RiffHead head;
    if (riff.ReadHead(head) < 12)
        return kSoundFileBad;  // too short for a header, or still arriving
    if (!head.Is("RIFF", "WAVE"))
        return kSoundFileFormat;

    bool haveFormat = false;
    bool haveData = false;
    RiffChunk chunk;
    while (!(haveFormat && haveData) && riff.Next(chunk) == RiffReader::Step::Chunk) {
        if (chunk.Is("fmt ")) {
            if (chunk.size < 16)
                return kSoundFileFormat;
            std::vector<uint8_t> fmt(std::min<uint32_t>(chunk.size, 4096));
            if (riff.Read(chunk.offset, fmt.data(), fmt.size()) != fmt.size())
                return kSoundFileBad;
            layout.format = *WaveFormat::FromBytes(fmt);
            haveFormat = true;
        } else if (chunk.Is("data")) {
            layout.dataOffset = chunk.offset;
            layout.dataSize = IsBeingWritten(fd) ? chunk.size : chunk.HeldSize(riff.Length());
            haveData = true;
        }
    }
    if (!haveData)
        return kSoundFileBad;  // cut short before the data (or a file still arriving)
    if (!haveFormat)
        return kSoundFileFormat;
    return kSoundOk;
}

std::unique_ptr<WaveStream> WaveStream::Open(const std::string& path, int bufferMs, int& error)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno == ENOENT || errno == ENOTDIR ? kSoundFileNotFound : kSoundFileBad;
        return nullptr;
    }
    WaveDataLayout layout;
    error = ReadWaveLayout(fd, layout);
    std::unique_ptr<Decoder> decoder;
    if (error == kSoundOk) {
        decoder = Decoder::Open(layout.format);
        if (!decoder)
            error = kSoundFileFormat;
    }
    if (error != kSoundOk) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<WaveStream>(new WaveStream(fd, layout, std::move(decoder), bufferMs));
}

WaveStream::WaveStream(int fd, const WaveDataLayout& layout, std::unique_ptr<Decoder> decoder,
                       int bufferMs)
    : fd_(fd), layout_(layout), decoder_(std::move(decoder))
{
    const uint64_t frames = static_cast<uint64_t>(bufferMs) * layout_.format.samplesPerSec / 1000;
    bufferBlocks_ = std::max<size_t>(1, frames / decoder_->BlockFrames());
}

WaveStream::~WaveStream()
{
    close(fd_);
}

uint64_t WaveStream::TotalFrames() const
{
    return layout_.dataSize / decoder_->BlockBytes() * decoder_->BlockFrames();
}

bool WaveStream::AtEnd() const
{
    return codedPos_ + decoder_->BlockBytes() > layout_.dataSize;
}

bool WaveStream::Refill()
{
    const size_t blockBytes = decoder_->BlockBytes();
    const uint64_t dataEnd = layout_.dataOffset + layout_.dataSize;
    const uint64_t present = std::min(FileSize(fd_), dataEnd);
    const uint64_t from = layout_.dataOffset + codedPos_;
    if (present <= from)
        return false;
    const size_t blocks = static_cast<size_t>(std::min<uint64_t>((present - from) / blockBytes, bufferBlocks_));
    if (blocks == 0)
        return false;
    std::vector<uint8_t> coded(blocks * blockBytes);
    const ssize_t got = pread(fd_, coded.data(), coded.size(), static_cast<off_t>(from));
    const size_t whole = got > 0 ? static_cast<size_t>(got) / blockBytes : 0;
    if (whole == 0)
        return false;
    const size_t channels = static_cast<size_t>(Channels());
    decoded_.resize(whole * decoder_->BlockFrames() * channels);
    decoder_->Decode(coded.data(), whole, decoded_.data());
    codedPos_ += whole * blockBytes;
    decodedFrame_ = std::min(skipFrames_, decoded_.size() / channels);
    skipFrames_ = 0;
    return true;
}

size_t WaveStream::Read(int16_t* out, size_t frames, bool& ended)
{
    ended = false;
    const size_t channels = static_cast<size_t>(Channels());
    size_t done = 0;
    while (done < frames) {
        const size_t buffered = decoded_.size() / channels - decodedFrame_;
        if (buffered == 0) {
            if (Refill())
                continue;
            if (!AtEnd() && !IsBeingWritten(fd_))
                layout_.dataSize = static_cast<uint32_t>(
                    std::min<uint64_t>(layout_.dataSize, std::max(FileSize(fd_), layout_.dataOffset) - layout_.dataOffset));
            ended = AtEnd();
            break;
        }
        const size_t n = std::min(buffered, frames - done);
        std::copy_n(decoded_.begin() + static_cast<long>(decodedFrame_ * channels), n * channels,
                    out + done * channels);
        decodedFrame_ += n;
        done += n;
    }
    position_ += done;
    return done;
}

void WaveStream::Seek(uint64_t frame)
{
    frame = std::min(frame, TotalFrames());
    const uint64_t blockFrames = decoder_->BlockFrames();
    codedPos_ = frame / blockFrames * decoder_->BlockBytes();
    skipFrames_ = static_cast<size_t>(frame % blockFrames);
    decoder_->Reset();
    decoded_.clear();
    decodedFrame_ = 0;
    position_ = frame;
}

}  // namespace zem
