#include "callrecordings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

namespace playcall {
namespace {

void Put16(std::string& out, uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& out, uint32_t v)
{
    Put16(out, static_cast<uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

uint32_t Get32(const std::string& in, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, in.data() + at, 4);
    return v;
}

uint16_t Get16(const std::string& in, size_t at)
{
    uint16_t v = 0;
    std::memcpy(&v, in.data() + at, 2);
    return v;
}

}  // namespace

bool WriteToneRecording(const std::string& path, const std::vector<Tone>& tones, int ms)
{
    const int frames = kRate * ms / 1000;
    std::string data;
    for (int i = 0; i < frames; ++i) {
        double value = 0;
        for (const Tone& t : tones)
            value += t.amplitude * std::sin(2 * std::numbers::pi * t.hertz * i / kRate);
        Put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(std::clamp(value, -32768.0, 32767.0)))));
    }
    std::string file = "RIFF";
    Put32(file, static_cast<uint32_t>(36 + data.size()));
    file += "WAVEfmt ";
    Put32(file, 16);
    Put16(file, 1);  // PCM
    Put16(file, 1);  // mono
    Put32(file, kRate);
    Put32(file, kRate * 2);
    Put16(file, 2);
    Put16(file, 16);
    file += "data";
    Put32(file, static_cast<uint32_t>(data.size()));
    file += data;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

std::vector<int16_t> ReadLeftSide(const std::string& path, int* rate)
{
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 12 || file.compare(0, 4, "RIFF") != 0 || file.compare(8, 4, "WAVE") != 0)
        return {};
    uint16_t channels = 0;
    for (size_t at = 12; at + 8 <= file.size();) {
        const std::string id = file.substr(at, 4);
        const size_t size = Get32(file, at + 4);
        const size_t body = at + 8;
        if (id == "fmt " && body + 16 <= file.size()) {
            channels = Get16(file, body + 2);
            *rate = static_cast<int>(Get32(file, body + 4));
            if (Get16(file, body + 14) != 16)
                return {};
        } else if (id == "data" && channels > 0) {
            // A file still being written may declare more than it holds.
            const size_t end = std::min(file.size(), body + size);
            std::vector<int16_t> left;
            for (size_t p = body; p + 2u * channels <= end; p += 2u * channels)
                left.push_back(static_cast<int16_t>(Get16(file, p)));
            return left;
        }
        at = body + size + (size & 1);
    }
    return {};
}

double ToneLevel(const std::vector<int16_t>& samples, double hertz, int rate)
{
    if (samples.empty() || rate <= 0)
        return 0;
    const double w = 2 * std::numbers::pi * hertz / rate;
    const double coefficient = 2 * std::cos(w);
    double s1 = 0;
    double s2 = 0;
    for (int16_t x : samples) {
        const double s0 = x + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(samples.size());
}

}  // namespace playcall
