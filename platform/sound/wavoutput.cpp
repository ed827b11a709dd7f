// The wav output: writes the mix as a 16-bit stereo WAV file, paced by its clock.
#include "sound/output.h"
#include "sound/pacer.h"

#include "base/trace.h"

#include <cstdio>
#include <cstring>

namespace zem {
namespace {

void PutU16(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void PutU32(unsigned char* p, uint32_t v)
{
    PutU16(p, v & 0xFFFF);
    PutU16(p + 2, v >> 16);
}

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
            PutU16(bytes + pending, static_cast<uint16_t>(samples[i]));
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
        unsigned char h[44];
        std::memcpy(h, "RIFF", 4);
        PutU32(h + 4, 36 + dataBytes_);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        PutU32(h + 16, 16);
        PutU16(h + 20, 1);
        PutU16(h + 22, 2);
        PutU32(h + 24, static_cast<uint32_t>(rate_));
        PutU32(h + 28, static_cast<uint32_t>(rate_) * 4);
        PutU16(h + 32, 4);
        PutU16(h + 34, 16);
        std::memcpy(h + 36, "data", 4);
        PutU32(h + 40, dataBytes_);
        std::fseek(file_, 0, SEEK_SET);
        if (std::fwrite(h, 1, sizeof h, file_) != sizeof h)
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
