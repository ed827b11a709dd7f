#include "wavfiles.h"

#include "support/scratch.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace soundtest {
namespace {

void Put16(std::string& s, uint32_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

uint32_t Get32(const std::string& s, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
    return v;
}

}  // namespace

std::string Chunk(const std::string& id, const std::string& data)
{
    std::string chunk = id;
    Put32(chunk, static_cast<uint32_t>(data.size()));
    return chunk + data;
}

std::string MakeWav(const WavSpec& spec)
{
    std::string fmt;
    Put16(fmt, spec.formatTag);
    Put16(fmt, spec.channels);
    Put32(fmt, spec.rate);
    const uint16_t align = static_cast<uint16_t>(spec.channels * spec.bits / 8);
    Put32(fmt, spec.rate * align);
    Put16(fmt, align);
    Put16(fmt, spec.bits);
    std::string body = "WAVE" + Chunk("fmt ", fmt) + spec.chunksBeforeData + "data";
    Put32(body, spec.declaredDataSize ? spec.declaredDataSize : static_cast<uint32_t>(spec.dataBytes.size()));
    body += spec.dataBytes;
    std::string file = "RIFF";
    Put32(file, static_cast<uint32_t>(body.size() + (spec.systemRiffLength ? 8 : 0)));
    return file + body;
}

std::string Pcm16(const std::vector<int16_t>& samples)
{
    std::string bytes;
    for (int16_t v : samples)
        Put16(bytes, static_cast<uint16_t>(v));
    return bytes;
}

std::vector<int16_t> Tone(double hertz, double amplitude, int rate, int frames)
{
    std::vector<int16_t> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        samples[static_cast<size_t>(i)] =
            static_cast<int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * hertz * i / rate)));
    return samples;
}

std::vector<int16_t> Ramp(int frames, int offset)
{
    std::vector<int16_t> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        samples[static_cast<size_t>(i)] = static_cast<int16_t>(i - offset);
    return samples;
}

std::vector<int16_t> ReadMix(const std::string& path)
{
    const std::string file = zemtest::ReadFile(path);
    std::vector<int16_t> samples;
    if (file.size() < 44 || file.compare(36, 4, "data") != 0)
        return samples;
    const size_t size = std::min<size_t>(Get32(file, 40), file.size() - 44);
    for (size_t i = 0; i + 1 < size; i += 2)
        samples.push_back(static_cast<int16_t>(static_cast<unsigned char>(file[44 + i]) |
                                               (static_cast<unsigned char>(file[45 + i]) << 8)));
    return samples;
}

std::vector<int16_t> Side(const std::vector<int16_t>& mix, int side, int rate, int fromMs, int toMs)
{
    std::vector<int16_t> out;
    const size_t from = static_cast<size_t>(fromMs) * static_cast<size_t>(rate) / 1000;
    const size_t to = static_cast<size_t>(toMs) * static_cast<size_t>(rate) / 1000;
    for (size_t f = from; f < to && 2 * f + 1 < mix.size(); ++f)
        out.push_back(mix[2 * f + static_cast<size_t>(side)]);
    return out;
}

double Rms(const std::vector<int16_t>& samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (int16_t v : samples)
        sum += static_cast<double>(v) * v;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

long FirstDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b)
{
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (ia == a.end() && ib == b.end())
        return -1;
    return static_cast<long>(ia - a.begin());
}

double ToneLevel(const std::vector<int16_t>& samples, double hertz, int rate)
{
    if (samples.empty())
        return 0;
    const double w = 2 * std::numbers::pi * hertz / rate;
    const double coeff = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (int16_t v : samples) {
        const double s0 = v + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(samples.size());
}

long ToneOnsetMs(const std::vector<int16_t>& samples, double hertz, int rate, double level)
{
    const size_t window = static_cast<size_t>(rate) / 100;
    const size_t step = static_cast<size_t>(rate) / 200;
    for (size_t from = 0; from + window <= samples.size(); from += step) {
        const std::vector<int16_t> part(samples.begin() + static_cast<long>(from),
                                        samples.begin() + static_cast<long>(from + window));
        if (ToneLevel(part, hertz, rate) >= level)
            return static_cast<long>(from * 1000 / static_cast<size_t>(rate));
    }
    return -1;
}

int ZeroCrossings(const std::vector<int16_t>& samples)
{
    int crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        if ((samples[i - 1] < 0) != (samples[i] < 0))
            ++crossings;
    return crossings;
}

}  // namespace soundtest
