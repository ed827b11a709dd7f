#include "codec/g711.h"

#include <array>

namespace zem::codec {
namespace {

// Index of the first segment end at or above value; 8 when above all.
int Segment(int value, const std::array<int, 8>& ends)
{
    for (int seg = 0; seg < 8; ++seg)
        if (value <= ends[static_cast<size_t>(seg)])
            return seg;
    return 8;
}

constexpr std::array<int, 8> kALawSegmentEnds{0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
constexpr std::array<int, 8> kMuLawSegmentEnds{0x3F,  0x7F,  0xFF,  0x1FF,
                                               0x3FF, 0x7FF, 0xFFF, 0x1FFF};
constexpr int kMuLawBias = 0x84;
constexpr int kMuLawClip = 8159;

int16_t ExpandALaw(uint8_t code)
{
    const int a = code ^ 0x55;
    int magnitude = (a & 0x0F) << 4;
    const int segment = (a & 0x70) >> 4;
    if (segment == 0)
        magnitude += 8;
    else
        magnitude = (magnitude + 0x108) << (segment - 1);
    return static_cast<int16_t>((a & 0x80) ? magnitude : -magnitude);
}

int16_t ExpandMuLaw(uint8_t code)
{
    const int u = ~code & 0xFF;
    const int magnitude = (((u & 0x0F) << 3) + kMuLawBias) << ((u & 0x70) >> 4);
    return static_cast<int16_t>((u & 0x80) ? (kMuLawBias - magnitude) : (magnitude - kMuLawBias));
}

template <int16_t (*Expand)(uint8_t)>
const std::array<int16_t, 256>& ExpansionTable()
{
    static const std::array<int16_t, 256> table = [] {
        std::array<int16_t, 256> t{};
        for (int code = 0; code < 256; ++code)
            t[static_cast<size_t>(code)] = Expand(static_cast<uint8_t>(code));
        return t;
    }();
    return table;
}

class G711Decoder : public BlockCoder {
public:
    G711Decoder(const std::array<int16_t, 256>& table, size_t channels)
        : BlockCoder(channels, 2 * channels), table_(table)
    {
    }
    void Convert(const uint8_t* source, uint8_t* target, size_t blocks) override
    {
        const size_t samples = blocks * SourceBlockBytes();
        for (size_t i = 0; i < samples; ++i)
            WriteSample16(target + 2 * i, table_[source[i]]);
    }

private:
    const std::array<int16_t, 256>& table_;
};

class G711Encoder : public BlockCoder {
public:
    G711Encoder(uint8_t (*compress)(int16_t), size_t channels)
        : BlockCoder(2 * channels, channels), compress_(compress)
    {
    }
    void Convert(const uint8_t* source, uint8_t* target, size_t blocks) override
    {
        const size_t samples = blocks * TargetBlockBytes();
        for (size_t i = 0; i < samples; ++i)
            target[i] = compress_(ReadSample16(source + 2 * i));
    }

private:
    uint8_t (*compress_)(int16_t);
};

class G711Driver : public PcmPairDriver {
public:
    G711Driver(uint16_t tag, const char* shortName, const char* longName,
               const std::array<int16_t, 256>& table, uint8_t (*compress)(int16_t))
        : tag_(tag), shortName_(shortName), longName_(longName), table_(table),
          compress_(compress)
    {
    }
    const char* ShortName() const override { return shortName_; }
    const char* LongName() const override { return longName_; }
    uint16_t FormatTag() const override { return tag_; }

protected:
    uint16_t MaxChannels() const override { return 2; }
    WaveFormat OwnFormat(uint32_t samplesPerSec, uint16_t channels) const override
    {
        WaveFormat f = MakePcmFormat(samplesPerSec, channels, 8);
        f.formatTag = tag_;
        return f;
    }
    bool Accepts(const WaveFormat& own) const override
    {
        return own.bitsPerSample == 8 && own.blockAlign == own.channels;
    }
    std::unique_ptr<BlockCoder> Decoder(const WaveFormat& own) const override
    {
        return std::make_unique<G711Decoder>(table_, own.channels);
    }
    std::unique_ptr<BlockCoder> Encoder(const WaveFormat& own) const override
    {
        return std::make_unique<G711Encoder>(compress_, own.channels);
    }

private:
    uint16_t tag_;
    const char* shortName_;
    const char* longName_;
    const std::array<int16_t, 256>& table_;
    uint8_t (*compress_)(int16_t);
};

}  // namespace

int16_t ALawToLinear(uint8_t code)
{
    return ExpansionTable<ExpandALaw>()[code];
}

int16_t MuLawToLinear(uint8_t code)
{
    return ExpansionTable<ExpandMuLaw>()[code];
}

uint8_t LinearToALaw(int16_t sample)
{
    int value = sample >> 3;  // A-law works on 13 bits
    int mask = 0xD5;          // sign bit set, even bits inverted
    if (value < 0) {
        mask = 0x55;
        value = -value - 1;
    }
    const int segment = Segment(value, kALawSegmentEnds);
    if (segment >= 8)
        return static_cast<uint8_t>(0x7F ^ mask);
    int code = segment << 4;
    code |= segment < 2 ? (value >> 1) & 0x0F : (value >> segment) & 0x0F;
    return static_cast<uint8_t>(code ^ mask);
}

uint8_t LinearToMuLaw(int16_t sample)
{
    int value = sample >> 2;  // mu-law works on 14 bits
    int mask = 0xFF;
    if (value < 0) {
        value = -value;
        mask = 0x7F;
    }
    if (value > kMuLawClip)
        value = kMuLawClip;
    value += kMuLawBias >> 2;
    const int segment = Segment(value, kMuLawSegmentEnds);
    if (segment >= 8)
        return static_cast<uint8_t>(0x7F ^ mask);
    const int code = (segment << 4) | ((value >> (segment + 1)) & 0x0F);
    return static_cast<uint8_t>(code ^ mask);
}

const Driver& ALawDriver()
{
    static const G711Driver driver(WAVE_FORMAT_ALAW, "G.711 A-law", "ITU-T G.711 A-law codec",
                                   ExpansionTable<ExpandALaw>(), LinearToALaw);
    return driver;
}

const Driver& MuLawDriver()
{
    static const G711Driver driver(WAVE_FORMAT_MULAW, "G.711 mu-law",
                                   "ITU-T G.711 mu-law codec", ExpansionTable<ExpandMuLaw>(),
                                   LinearToMuLaw);
    return driver;
}

}  // namespace zem::codec
