#include "soxfixture.h"

#include <cmath>
#include <mutex>
#include <numbers>
#include <sox.h>
#include <stdexcept>

namespace zemtest {
namespace {

void InitSox()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (sox_init() != SOX_SUCCESS)
            throw std::runtime_error("sox_init failed");
        sox_get_globals()->verbosity = 1;  // failures only
    });
}

sox_encodinginfo_t EncodingInfo(SoxEncoding encoding)
{
    struct Form {
        SoxEncoding encoding;
        sox_encoding_t sox;
        unsigned bits;
    };
    static constexpr Form kForms[] = {
        {SoxEncoding::Pcm8, SOX_ENCODING_UNSIGNED, 8},   {SoxEncoding::Pcm16, SOX_ENCODING_SIGN2, 16},
        {SoxEncoding::ALaw, SOX_ENCODING_ALAW, 8},       {SoxEncoding::MuLaw, SOX_ENCODING_ULAW, 8},
        {SoxEncoding::ImaAdpcm, SOX_ENCODING_IMA_ADPCM, 4}, {SoxEncoding::Gsm, SOX_ENCODING_GSM, 0},
    };
    sox_encodinginfo_t info{};
    for (const Form& form : kForms) {
        if (form.encoding == encoding) {
            info.encoding = form.sox;
            info.bits_per_sample = form.bits;
        }
    }
    info.reverse_bytes = sox_option_default;
    info.reverse_nibbles = sox_option_default;
    info.reverse_bits = sox_option_default;
    info.opposite_endian = sox_false;
    return info;
}

}  // namespace

std::vector<int16_t> KnownSignal(size_t frames, uint16_t channels, uint32_t rate)
{
    std::vector<int16_t> out(frames * channels);
    uint32_t noise = 12345;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (uint16_t c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double phase = c * 0.7;
            const double v = 9000 * std::sin(2 * std::numbers::pi * 440 * t + phase) +
                             6000 * std::sin(2 * std::numbers::pi * 1250 * t + 2 * phase) +
                             static_cast<double>(static_cast<int>(noise >> 22) - 512);
            out[i * channels + c] = static_cast<int16_t>(std::lround(v));
        }
    }
    return out;
}

std::vector<int16_t> Sine(size_t frames, uint16_t channels, uint32_t rate, double hz, double peak)
{
    std::vector<int16_t> out(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        const double v = peak * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
        for (uint16_t c = 0; c < channels; ++c)
            out[i * channels + c] = static_cast<int16_t>(std::lround(v));
    }
    return out;
}

void SoxWrite(const std::string& path, SoxEncoding encoding, uint32_t rate, uint16_t channels,
              const std::vector<int16_t>& samples)
{
    InitSox();
    sox_signalinfo_t signal{};
    signal.rate = rate;
    signal.channels = channels;
    signal.precision = 16;
    signal.length = samples.size();
    const sox_encodinginfo_t info = EncodingInfo(encoding);
    sox_format_t* out = sox_open_write(path.c_str(), &signal, &info, "wav", nullptr, nullptr);
    if (!out)
        throw std::runtime_error("sox cannot write " + path);
    std::vector<sox_sample_t> buffer(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        buffer[i] = static_cast<sox_sample_t>(samples[i]) * 65536;  // libsox's 32-bit scale
    const size_t written = sox_write(out, buffer.data(), buffer.size());
    sox_close(out);
    if (written != buffer.size())
        throw std::runtime_error("sox wrote too little to " + path);
}

std::vector<int16_t> SoxDecode(const std::string& path)
{
    InitSox();
    sox_format_t* in = sox_open_read(path.c_str(), nullptr, nullptr, "wav");
    if (!in)
        throw std::runtime_error("sox cannot read " + path);
    std::vector<int16_t> out;
    std::vector<sox_sample_t> buffer(4096 * in->signal.channels);
    size_t got;
    while ((got = sox_read(in, buffer.data(), buffer.size())) > 0) {
        // Decoders of 16-bit data fill the upper half of libsox's 32-bit samples.
        for (size_t i = 0; i < got; ++i)
            out.push_back(static_cast<int16_t>(buffer[i] / 65536));
    }
    sox_close(in);
    return out;
}

std::vector<int16_t> Samples16(const std::string& bytes, size_t offset, size_t count)
{
    if (offset + 2 * count > bytes.size())
        throw std::out_of_range("samples past the end of the bytes");
    std::vector<int16_t> out(count);
    for (size_t i = 0; i < count; ++i) {
        const auto lo = static_cast<uint8_t>(bytes[offset + 2 * i]);
        const auto hi = static_cast<uint8_t>(bytes[offset + 2 * i + 1]);
        out[i] = static_cast<int16_t>(lo | (hi << 8));
    }
    return out;
}

}  // namespace zemtest
