#include "wavfiles.h"

#include "support/scratch.h"

#include "base/littleendian.h"
#include "base/riff.h"
#include "codec/waveformat.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace soundtest {

std::string Chunk(const std::string& id, const std::string& data)
{
    zem::RiffWriter riff(zem::RiffLength::Standard);
    riff.Chunk(id, data);
    return riff.Bytes().substr(12);
}

std::string MakeWav(const WavSpec& spec)
{
    zem::WaveFormat format = zem::MakePcmFormat(spec.rate, spec.channels, spec.bits);
    format.formatTag = spec.formatTag;
    // Whole bytes only: 4-bit formats state a block size of 0 here.
    format.blockAlign = static_cast<uint16_t>(spec.channels * spec.bits / 8);
    format.avgBytesPerSec = spec.rate * format.blockAlign;
    zem::RiffWriter riff(spec.systemRiffLength ? zem::RiffLength::WholeFile : zem::RiffLength::Standard);
    riff.Chunk("fmt ", format.ToBytes().data(), 16);
    riff.Append(spec.chunksBeforeData);
    riff.Chunk("data", spec.dataBytes);
    std::string file = riff.Bytes();
    if (spec.declaredDataSize)
        zem::WriteLe32(file.data() + file.size() - spec.dataBytes.size() - 4, spec.declaredDataSize);
    return file;
}

std::string Pcm16(const std::vector<int16_t>& samples)
{
    std::string bytes;
    for (int16_t v : samples)
        zem::AppendLe16(bytes, static_cast<uint16_t>(v));
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
    const size_t size = std::min<size_t>(zem::ReadLe32(file.data() + 40), file.size() - 44);
    for (size_t i = 0; i + 1 < size; i += 2)
        samples.push_back(static_cast<int16_t>(zem::ReadLe16(file.data() + 44 + i)));
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
