// The wav output: writes the mix as a 16-bit stereo WAV file, paced by its clock.
#include "sound/output.h"
#include "sound/pacer.h"

#include "codec/waveformat.h"

#include "base/littleendian.h"
#include "base/riff.h"
#include "base/trace.h"

#include <cstdio>
#include <cstring>

namespace zem {
namespace {

class WavOutput final : public Output {
public:
    WavOutput(std::string path, Clock& clock) : path_(std::move(path)), pacer_(clock) {}
    ~WavOutput() override { Close(); }

    std::vector<std::string> DriverNames() override { return {"wav:" + path_}; }

    int Open(int driver, int rate) override
    {
        if (driver != 0 || file_)
            return 0;
        file_ = std::fopen(path_.c_str(), "wb");
        if (!file_) {
            Trace("sound: cannot create '%s': %s", path_.c_str(), std::strerror(errno));
            return 0;
        }
        rate_ = rate;
        dataBytes_ = 0;
        WriteHeader();
        pacer_.Start(rate);
        return rate;
    }

    bool WaitForRoom(int frames) override { return pacer_.WaitForRoom(frames); }

    void Write(const int16_t* samples, int frames) override
    {
        unsigned char bytes[4096];
        size_t pending = 0;
        for (int i = 0; i < frames * 2; ++i) {
            WriteLe16(bytes + pending, static_cast<uint16_t>(samples[i]));
            pending += 2;
            if (pending == sizeof bytes || i == frames * 2 - 1) {
                if (std::fwrite(bytes, 1, pending, file_) != pending)
                    Trace("sound: writing '%s' failed", path_.c_str());
                pending = 0;
            }
        }
        dataBytes_ += static_cast<uint32_t>(frames) * 4;
        pacer_.Written(frames);
    }

    void Interrupt() override { pacer_.Interrupt(); }

    void Close() override
    {
        if (!file_)
            return;
        WriteHeader();
        std::fclose(file_);
        file_ = nullptr;
    }

private:
    // Canonical 44-byte header; rewritten with the final lengths on Close.
    void WriteHeader()
    {
        RiffWriter riff(RiffLength::Standard);
        // The 16-byte form of the format, without the extra-size field.
        const std::vector<uint8_t> format = MakePcmFormat(static_cast<uint32_t>(rate_), 2, 16).ToBytes();
        riff.Chunk("fmt ", format.data(), 16);
        riff.ChunkHead("data", dataBytes_);
        const std::string h = riff.Bytes(dataBytes_);
        std::fseek(file_, 0, SEEK_SET);
        if (std::fwrite(h.data(), 1, h.size(), file_) != h.size())
            Trace("sound: writing the header of '%s' failed", path_.c_str());
        std::fseek(file_, 0, SEEK_END);
    }

    std::string path_;
    Pacer pacer_;
    std::FILE* file_ = nullptr;
    int rate_ = 0;
    uint32_t dataBytes_ = 0;
};

}  // namespace

std::unique_ptr<Output> MakeWavOutput(const std::string& path, Clock& clock)
{
    return std::make_unique<WavOutput>(path, clock);
}

}  // namespace zem
