#include "codec/codec.h"

#include "support/scratch.h"
#include "soxfixture.h"
#include "wavebytes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <gtest/gtest.h>

using namespace zem;
using zemtest::SoxEncoding;

namespace {

std::vector<uint8_t> AsBytes(const std::string& s, size_t offset, size_t size)
{
    return std::vector<uint8_t>(s.begin() + static_cast<ptrdiff_t>(offset),
                                s.begin() + static_cast<ptrdiff_t>(offset + size));
}

// Decodes data through a stream in pieces of `piece` bytes, carrying what a call left unused.
std::vector<int16_t> DecodeInPieces(codec::Stream& stream, const std::vector<uint8_t>& data,
                                    size_t piece)
{
    std::vector<uint8_t> pending;
    std::vector<uint8_t> pcm;
    for (size_t at = 0; at < data.size(); at += piece) {
        const size_t n = std::min(piece, data.size() - at);
        pending.insert(pending.end(), data.begin() + static_cast<ptrdiff_t>(at),
                       data.begin() + static_cast<ptrdiff_t>(at + n));
        std::vector<uint8_t> out(stream.TargetSize(pending.size(), false));
        codec::ConvertCount count;
        EXPECT_EQ(stream.Convert(pending, out, false, count), MMSYSERR_NOERROR);
        pcm.insert(pcm.end(), out.begin(), out.begin() + static_cast<ptrdiff_t>(count.produced));
        pending.erase(pending.begin(), pending.begin() + static_cast<ptrdiff_t>(count.used));
    }
    return zemtest::Samples16(std::string(pcm.begin(), pcm.end()), 0, pcm.size() / 2);
}

std::vector<uint8_t> EncodeAll(codec::Stream& stream, const std::vector<int16_t>& samples)
{
    const std::string pcm = zemtest::Bytes16(samples);
    std::vector<uint8_t> out(stream.TargetSize(pcm.size(), true));
    codec::ConvertCount count;
    EXPECT_EQ(stream.Convert(AsBytes(pcm, 0, pcm.size()), out, true, count), MMSYSERR_NOERROR);
    EXPECT_EQ(count.used, pcm.size());
    out.resize(count.produced);
    return out;
}

double Rms(const std::vector<int16_t>& s, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

const char* Name(SoxEncoding e)
{
    switch (e) {
    case SoxEncoding::ALaw: return "A-law";
    case SoxEncoding::MuLaw: return "mu-law";
    case SoxEncoding::ImaAdpcm: return "IMA ADPCM";
    case SoxEncoding::Gsm: return "GSM";
    default: return "PCM";
    }
}

}  // namespace

TEST(CodecDrivers, FixedOrderNamesAndTags)
{
    struct Expected {
        const char* name;
        uint16_t tag;
    };
    const Expected expected[] = {{"G.711 A-law", WAVE_FORMAT_ALAW},
                                 {"G.711 mu-law", WAVE_FORMAT_MULAW},
                                 {"IMA ADPCM", WAVE_FORMAT_IMA_ADPCM},
                                 {"GSM 6.10", WAVE_FORMAT_GSM610}};
    const auto ids = codec::EnumerateDrivers();
    ASSERT_EQ(ids.size(), std::size(expected));
    EXPECT_EQ(codec::EnumerateDrivers(), ids) << "the order never changes";
    for (size_t i = 0; i < ids.size(); ++i) {
        EXPECT_NE(ids[i], 0u);
        codec::DriverDetails details;
        ASSERT_EQ(codec::GetDriverDetails(ids[i], details), MMSYSERR_NOERROR);
        EXPECT_EQ(details.shortName, expected[i].name);
        EXPECT_EQ(details.formatTag, expected[i].tag);
        EXPECT_FALSE(details.longName.empty());
    }
    codec::DriverDetails details;
    EXPECT_EQ(codec::GetDriverDetails(0, details), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(codec::GetDriverDetails(ids.back() + 1, details), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(codec::EnumerateFormats(0, [](const WaveFormat&) { return true; }),
              MMSYSERR_INVALHANDLE);
}

TEST(CodecDrivers, FormatsStartWithPcmAndEveryListedFormatOpensBothWays)
{
    for (codec::DriverId id : codec::EnumerateDrivers()) {
        codec::DriverDetails details;
        codec::GetDriverDetails(id, details);
        std::vector<WaveFormat> formats;
        codec::EnumerateFormats(id, [&](const WaveFormat& f) {
            formats.push_back(f);
            return true;
        });
        ASSERT_FALSE(formats.empty()) << details.shortName;
        EXPECT_EQ(formats.front(), MakePcmFormat(8000, 1, 16)) << details.shortName;
        bool seenOwn = false;
        for (const WaveFormat& f : formats) {
            if (f.formatTag == WAVE_FORMAT_PCM) {
                EXPECT_FALSE(seenOwn) << details.shortName << ": PCM after the driver's own";
                continue;
            }
            seenOwn = true;
            ASSERT_EQ(f.formatTag, details.formatTag);
            const WaveFormat pcm = codec::DecodedPcmFormat(f);
            std::unique_ptr<codec::Stream> stream;
            EXPECT_EQ(codec::OpenStream(id, f, pcm, stream), MMSYSERR_NOERROR)
                << details.shortName << " " << f.samplesPerSec << "/" << f.channels;
            EXPECT_EQ(codec::OpenStream(id, pcm, f, stream), MMSYSERR_NOERROR)
                << details.shortName << " " << f.samplesPerSec << "/" << f.channels;
        }
        EXPECT_TRUE(seenOwn) << details.shortName;

        int calls = 0;
        codec::EnumerateFormats(id, [&](const WaveFormat&) { return ++calls < 3; });
        EXPECT_EQ(calls, 3) << "the callback stops the enumeration";
    }
}

TEST(CodecStreams, PairsThatCannotBeConverted)
{
    WaveFormat gsm;
    codec::EnumerateFormats(4, [&](const WaveFormat& f) {
        gsm = f;
        return f.formatTag == WAVE_FORMAT_PCM;
    });
    ASSERT_EQ(gsm.formatTag, WAVE_FORMAT_GSM610);
    WaveFormat ima;
    codec::EnumerateFormats(3, [&](const WaveFormat& f) {
        ima = f;
        return f.formatTag == WAVE_FORMAT_PCM;
    });
    WaveFormat alaw = MakePcmFormat(8000, 1, 8);
    alaw.formatTag = WAVE_FORMAT_ALAW;
    WaveFormat mulaw = alaw;
    mulaw.formatTag = WAVE_FORMAT_MULAW;
    const WaveFormat pcm16 = MakePcmFormat(8000, 1, 16);

    auto with = [](WaveFormat f, auto change) {
        change(f);
        return f;
    };
    struct Case {
        const char* what;
        codec::DriverId driver;
        WaveFormat source;
        WaveFormat target;
        MMRESULT expected;
    };
    const Case cases[] = {
        {"GSM to 16-bit PCM", 0, gsm, pcm16, MMSYSERR_NOERROR},
        {"GSM through its own driver", 4, gsm, pcm16, MMSYSERR_NOERROR},
        {"GSM through the IMA driver", 3, gsm, pcm16, ACMERR_NOTPOSSIBLE},
        {"GSM to 8-bit PCM", 0, gsm, MakePcmFormat(8000, 1, 8), ACMERR_NOTPOSSIBLE},
        {"GSM to another rate", 0, gsm, MakePcmFormat(11025, 1, 16), ACMERR_NOTPOSSIBLE},
        {"GSM stereo", 0, with(gsm, [](WaveFormat& f) { f.channels = 2; }),
         MakePcmFormat(8000, 2, 16), ACMERR_NOTPOSSIBLE},
        {"GSM block of 64 bytes", 0, with(gsm, [](WaveFormat& f) { f.blockAlign = 64; }), pcm16,
         ACMERR_NOTPOSSIBLE},
        {"IMA with a wrong samples per block", 0,
         with(ima, [](WaveFormat& f) { f.extra = {0x00, 0x01}; }), pcm16, ACMERR_NOTPOSSIBLE},
        {"IMA block not a multiple of 4", 0, with(ima, [](WaveFormat& f) {
             f.blockAlign = 258;
             f.extra.clear();
         }),
         pcm16, ACMERR_NOTPOSSIBLE},
        {"IMA three channels", 0, with(ima, [](WaveFormat& f) { f.channels = 3; }),
         MakePcmFormat(8000, 3, 16), ACMERR_NOTPOSSIBLE},
        {"A-law to mu-law", 0, alaw, mulaw, ACMERR_NOTPOSSIBLE},
        {"A-law with 16 bits", 0, with(alaw, [](WaveFormat& f) { f.bitsPerSample = 16; }), pcm16,
         ACMERR_NOTPOSSIBLE},
        {"PCM to PCM needs no driver", 0, MakePcmFormat(8000, 2, 8), pcm16, MMSYSERR_NOERROR},
        {"PCM to PCM through a driver", 1, MakePcmFormat(8000, 2, 8), pcm16, ACMERR_NOTPOSSIBLE},
        {"PCM rate change", 0, MakePcmFormat(11025, 1, 16), pcm16, ACMERR_NOTPOSSIBLE},
        {"PCM three to two channels", 0, MakePcmFormat(8000, 3, 16), MakePcmFormat(8000, 2, 16),
         ACMERR_NOTPOSSIBLE},
        {"PCM 24 bits", 0, MakePcmFormat(8000, 1, 24), pcm16, ACMERR_NOTPOSSIBLE},
        {"no channels", 0, with(gsm, [](WaveFormat& f) { f.channels = 0; }), pcm16,
         MMSYSERR_INVALPARAM},
        {"no rate", 0, gsm, with(pcm16, [](WaveFormat& f) { f.samplesPerSec = 0; }),
         MMSYSERR_INVALPARAM},
        {"unknown driver", 9, gsm, pcm16, MMSYSERR_INVALHANDLE},
    };
    for (const Case& c : cases) {
        std::unique_ptr<codec::Stream> stream;
        EXPECT_EQ(codec::OpenStream(c.driver, c.source, c.target, stream), c.expected) << c.what;
        EXPECT_EQ(stream != nullptr, c.expected == MMSYSERR_NOERROR) << c.what;
    }
}

// Each driver decodes a file libsox encoded exactly as libsox decodes it.
TEST(CodecStreams, DecodeEqualsLibsox)
{
    struct Case {
        SoxEncoding encoding;
        uint32_t rate;
        uint16_t channels;
        int tolerance;  // largest allowed difference of one sample
    };
    const Case cases[] = {
        {SoxEncoding::ALaw, 8000, 1, 0},     {SoxEncoding::ALaw, 8000, 2, 0},
        {SoxEncoding::MuLaw, 8000, 1, 0},    {SoxEncoding::MuLaw, 22050, 2, 0},
        {SoxEncoding::ImaAdpcm, 8000, 1, 0}, {SoxEncoding::ImaAdpcm, 8000, 2, 0},
        {SoxEncoding::ImaAdpcm, 44100, 2, 0}, {SoxEncoding::Gsm, 8000, 1, 0},
    };
    const std::string folder = zemtest::NewFolder("decode");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << Name(c.encoding) << " " << c.rate << " Hz, "
                                        << c.channels << " channel(s)");
        const std::string path = folder + "/in.wav";
        const size_t frames = c.rate * 3 / 2 + 77;  // not a whole number of blocks
        zemtest::SoxWrite(path, c.encoding, c.rate, c.channels,
                          zemtest::KnownSignal(frames, c.channels, c.rate));
        const std::string file = zemtest::ReadFile(path);
        const zemtest::WaveBytes wave = zemtest::ParseWave(file);
        const std::vector<int16_t> expected = zemtest::SoxDecode(path);

        std::unique_ptr<codec::Stream> stream;
        ASSERT_EQ(codec::OpenStream(0, wave.format, codec::DecodedPcmFormat(wave.format), stream),
                  MMSYSERR_NOERROR);
        const auto data = AsBytes(file, wave.dataOffset, wave.dataSize);
        const std::vector<int16_t> decoded = DecodeInPieces(*stream, data, data.size());

        // The codecs decode whole blocks; libsox stops at the length it stored.
        ASSERT_GE(decoded.size(), expected.size());
        EXPECT_LT(decoded.size() - expected.size(), stream->TargetBlockBytes() / 2);
        int worst = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            worst = std::max(worst, std::abs(decoded[i] - expected[i]));
        EXPECT_LE(worst, c.tolerance);
    }
}

TEST(CodecStreams, PiecesOfAnySizeDecodeLikeTheWhole)
{
    const std::string path = zemtest::NewFolder("pieces") + "/in.wav";
    zemtest::SoxWrite(path, SoxEncoding::Gsm, 8000, 1, zemtest::KnownSignal(8000, 1, 8000));
    const std::string file = zemtest::ReadFile(path);
    const zemtest::WaveBytes wave = zemtest::ParseWave(file);
    const auto data = AsBytes(file, wave.dataOffset, wave.dataSize);

    std::unique_ptr<codec::Stream> whole;
    ASSERT_EQ(codec::OpenStream(0, wave.format, codec::DecodedPcmFormat(wave.format), whole), 0u);
    const std::vector<int16_t> expected = DecodeInPieces(*whole, data, data.size());
    for (size_t piece : {1u, 64u, 66u, 1000u}) {
        std::unique_ptr<codec::Stream> stream;
        codec::OpenStream(0, wave.format, codec::DecodedPcmFormat(wave.format), stream);
        EXPECT_EQ(DecodeInPieces(*stream, data, piece), expected) << "pieces of " << piece;
    }

    // GSM carries state across blocks: after Reset a stream decodes like a new one.
    whole->Reset();
    EXPECT_EQ(DecodeInPieces(*whole, data, 650), expected);
}

TEST(CodecStreams, ConvertUsesWholeBlocksAndPadsOnlyTheEndOfPcm)
{
    std::unique_ptr<codec::Stream> encoder;
    WaveFormat gsm;
    codec::EnumerateFormats(4, [&](const WaveFormat& f) {
        gsm = f;
        return f.formatTag == WAVE_FORMAT_PCM;
    });
    ASSERT_EQ(codec::OpenStream(0, MakePcmFormat(8000, 1, 16), gsm, encoder), 0u);
    ASSERT_EQ(encoder->SourceBlockBytes(), 640u);
    ASSERT_EQ(encoder->TargetBlockBytes(), 65u);

    std::vector<uint8_t> pcm(1000);
    std::vector<uint8_t> out(200);
    codec::ConvertCount count;
    ASSERT_EQ(encoder->Convert(pcm, out, false, count), MMSYSERR_NOERROR);
    EXPECT_EQ(count.used, 640u);
    EXPECT_EQ(count.produced, 65u);
    ASSERT_EQ(encoder->Convert(pcm, out, true, count), MMSYSERR_NOERROR);
    EXPECT_EQ(count.used, 1000u) << "the tail is padded at the end";
    EXPECT_EQ(count.produced, 130u);
    EXPECT_EQ(encoder->TargetSize(1000, true), 130u);
    EXPECT_EQ(encoder->TargetSize(1000, false), 65u);

    std::vector<uint8_t> tooSmall(64);
    EXPECT_EQ(encoder->Convert(pcm, tooSmall, true, count), MMSYSERR_INVALPARAM);
    EXPECT_EQ(count.used, 0u);
    EXPECT_EQ(count.produced, 0u);

    std::unique_ptr<codec::Stream> decoder;
    ASSERT_EQ(codec::OpenStream(0, gsm, MakePcmFormat(8000, 1, 16), decoder), 0u);
    std::vector<uint8_t> blocks(100);
    std::vector<uint8_t> decoded(2000);
    ASSERT_EQ(decoder->Convert(blocks, decoded, true, count), MMSYSERR_NOERROR);
    EXPECT_EQ(count.used, 65u) << "a partial block of compressed data is never guessed at";
    EXPECT_EQ(count.produced, 640u);
}

// Our encoders write what libsox reads: encode a sine, decode it with libsox and with our
// decoder, and find the same samples at the sine's level on every channel.
TEST(CodecStreams, EncodedSineDecodesAlikeInLibsox)
{
    struct Case {
        codec::DriverId driver;
        uint16_t channels;
        double levelToleranceDb;
    };
    const Case cases[] = {{1, 1, 0.2}, {2, 2, 0.2}, {3, 1, 0.5}, {3, 2, 0.5}, {4, 1, 1.0}};
    constexpr uint32_t kRate = 8000;
    constexpr double kHz = 1000;
    constexpr double kPeak = 16000;
    const std::string folder = zemtest::NewFolder("encode");
    for (const Case& c : cases) {
        codec::DriverDetails details;
        codec::GetDriverDetails(c.driver, details);
        SCOPED_TRACE(testing::Message() << details.shortName << ", " << c.channels
                                        << " channel(s)");
        WaveFormat own;
        codec::EnumerateFormats(c.driver, [&](const WaveFormat& f) {
            own = f;
            return !(f.formatTag != WAVE_FORMAT_PCM && f.channels == c.channels);
        });
        const WaveFormat pcm = MakePcmFormat(kRate, c.channels, 16);
        std::unique_ptr<codec::Stream> encoder;
        ASSERT_EQ(codec::OpenStream(c.driver, pcm, own, encoder), MMSYSERR_NOERROR);
        const std::vector<int16_t> sine = zemtest::Sine(kRate, c.channels, kRate, kHz, kPeak);
        const std::vector<uint8_t> encoded = EncodeAll(*encoder, sine);

        const std::string path = folder + "/enc.wav";
        zemtest::WriteFile(path, zemtest::BuildWave({{"fmt ", zemtest::FormatChunk(own)},
                                                     {"data", std::string(encoded.begin(),
                                                                          encoded.end())}}));
        std::unique_ptr<codec::Stream> decoder;
        ASSERT_EQ(codec::OpenStream(0, own, pcm, decoder), MMSYSERR_NOERROR);
        const std::vector<int16_t> ours = DecodeInPieces(*decoder, encoded, 4096);
        const std::vector<int16_t> theirs = zemtest::SoxDecode(path);
        ASSERT_GE(ours.size(), sine.size());
        ASSERT_GE(theirs.size(), sine.size());

        // The last channel, after the first 1000 samples where the adaptive codecs settle.
        std::vector<int16_t> last(ours.size() / c.channels);
        for (size_t i = 0; i < last.size(); ++i)
            last[i] = ours[i * c.channels + c.channels - 1];
        const double level = 20 * std::log10(Rms(last, 1000, kRate) / (kPeak / std::sqrt(2.0)));
        EXPECT_NEAR(level, 0.0, c.levelToleranceDb);
        int worst = 0;
        for (size_t i = 0; i < sine.size(); ++i)
            worst = std::max(worst, std::abs(ours[i] - theirs[i]));
        EXPECT_LE(worst, 0);
    }
}

// Speech-like input (a sweep over the voice band, again every 20 ms, with noise) encoded to
// IMA ADPCM and decoded by libsox, which takes each block's step index from its header: the
// first block is as faithful as the rest.
TEST(CodecStreams, ImaBlocksAreAlikeFromTheFirstOn)
{
    constexpr uint32_t kRate = 8000;
    constexpr codec::DriverId kIma = 3;
    WaveFormat ima;
    codec::EnumerateFormats(kIma, [&](const WaveFormat& f) {
        ima = f;
        return !(f.formatTag == WAVE_FORMAT_IMA_ADPCM && f.channels == 1 && f.samplesPerSec == kRate);
    });
    ASSERT_EQ(ima.formatTag, WAVE_FORMAT_IMA_ADPCM);
    std::vector<int16_t> input(3 * kRate);
    uint32_t noise = 1;
    double phase = 0;
    for (size_t i = 0; i < input.size(); ++i) {
        const double hz = 300 + 3100 * static_cast<double>(i % 160) / 160;
        phase += 2 * std::numbers::pi * hz / kRate;
        noise = noise * 1664525u + 1013904223u;
        input[i] = static_cast<int16_t>(std::lround(8000 * std::sin(phase) + static_cast<double>(noise >> 22) - 512));
    }
    std::unique_ptr<codec::Stream> encoder;
    ASSERT_EQ(codec::OpenStream(kIma, MakePcmFormat(kRate, 1, 16), ima, encoder), MMSYSERR_NOERROR);
    const std::vector<uint8_t> encoded = EncodeAll(*encoder, input);
    const std::string path = zemtest::NewFolder("ima") + "/sweep.wav";
    zemtest::WriteFile(path, zemtest::BuildWave({{"fmt ", zemtest::FormatChunk(ima)},
                                                 {"data", std::string(encoded.begin(), encoded.end())}}));
    const std::vector<int16_t> decoded = zemtest::SoxDecode(path);
    ASSERT_GE(decoded.size(), input.size());

    const size_t perBlock = ima.ExtraWord();
    std::vector<double> snr;
    for (size_t from = 0; from + perBlock <= input.size(); from += perBlock) {
        double signal = 0;
        double error = 0;
        for (size_t i = from; i < from + perBlock; ++i) {
            signal += static_cast<double>(input[i]) * input[i];
            error += (static_cast<double>(input[i]) - decoded[i]) * (static_cast<double>(input[i]) - decoded[i]);
        }
        snr.push_back(10 * std::log10(signal / error));
    }
    std::vector<double> sorted = snr;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    for (size_t b = 0; b < snr.size(); ++b)
        EXPECT_NEAR(snr[b], median, 1.0) << "block " << b;
}

TEST(CodecStreams, PcmChannelsAndBitsWithoutDriver)
{
    struct Case {
        const char* what;
        WaveFormat source;
        WaveFormat target;
        std::vector<uint8_t> in;
        std::vector<uint8_t> out;
    };
    const Case cases[] = {
        {"16 mono to stereo", MakePcmFormat(8000, 1, 16), MakePcmFormat(8000, 2, 16),
         {0xE8, 0x03, 0x18, 0xFC}, {0xE8, 0x03, 0xE8, 0x03, 0x18, 0xFC, 0x18, 0xFC}},
        {"16 stereo to mono is the mean", MakePcmFormat(8000, 2, 16), MakePcmFormat(8000, 1, 16),
         {0xE8, 0x03, 0xB8, 0x0B, 0x00, 0x80, 0x00, 0x80}, {0xD0, 0x07, 0x00, 0x80}},
        {"8 to 16 bits", MakePcmFormat(8000, 1, 8), MakePcmFormat(8000, 1, 16),
         {0x80, 0xFF, 0x00}, {0x00, 0x00, 0x00, 0x7F, 0x00, 0x80}},
        {"16 to 8 bits", MakePcmFormat(8000, 1, 16), MakePcmFormat(8000, 1, 8),
         {0x00, 0x00, 0xFF, 0x7F, 0x00, 0x80}, {0x80, 0xFF, 0x00}},
        {"8 stereo to 16 mono", MakePcmFormat(8000, 2, 8), MakePcmFormat(8000, 1, 16),
         {0xFF, 0x01}, {0x00, 0x00}},
        {"same format copies", MakePcmFormat(8000, 2, 16), MakePcmFormat(8000, 2, 16),
         {1, 2, 3, 4}, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<codec::Stream> stream;
        ASSERT_EQ(codec::OpenStream(0, c.source, c.target, stream), MMSYSERR_NOERROR) << c.what;
        std::vector<uint8_t> out(stream->TargetSize(c.in.size(), false));
        codec::ConvertCount count;
        ASSERT_EQ(stream->Convert(c.in, out, false, count), MMSYSERR_NOERROR) << c.what;
        EXPECT_EQ(count.used, c.in.size()) << c.what;
        EXPECT_EQ(out, c.out) << c.what;
    }
}

TEST(WaveFormatBytes, LayoutAndReading)
{
    WaveFormat gsm;
    codec::EnumerateFormats(4, [&](const WaveFormat& f) {
        gsm = f;
        return f.formatTag == WAVE_FORMAT_PCM;
    });
    const std::vector<uint8_t> bytes = gsm.ToBytes();
    const std::vector<uint8_t> expected{0x31, 0x00, 0x01, 0x00, 0x40, 0x1F, 0x00, 0x00,
                                        0x59, 0x06, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00,
                                        0x02, 0x00, 0x40, 0x01};
    EXPECT_EQ(bytes, expected) << "tag 49, 8000 Hz, 1625 bytes/s, block 65, cbSize 2, 320";
    EXPECT_EQ(WaveFormat::FromBytes(bytes), gsm);

    // A 16-byte "fmt " has no cbSize; a cbSize past the body is cut to the body.
    const auto pcm = WaveFormat::FromBytes(std::span(expected).first(16));
    ASSERT_TRUE(pcm.has_value());
    EXPECT_TRUE(pcm->extra.empty());
    EXPECT_EQ(pcm->blockAlign, 65);
    auto overlong = expected;
    overlong[16] = 0xFF;
    EXPECT_EQ(WaveFormat::FromBytes(overlong)->extra.size(), 2u);
    EXPECT_FALSE(WaveFormat::FromBytes(std::span(expected).first(15)).has_value());
}
