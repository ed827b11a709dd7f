#include "callrecordings.h"

#include "base/littleendian.h"
#include "base/riff.h"
#include "codec/waveformat.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

namespace playcall {

bool WriteToneRecording(const std::string& path, const std::vector<Tone>& tones, int ms)
{
    const int frames = kRate * ms / 1000;
    std::string data;
    for (int i = 0; i < frames; ++i) {
        double value = 0;
        for (const Tone& t : tones)
            value += t.amplitude * std::sin(2 * std::numbers::pi * t.hertz * i / kRate);
        zem::AppendLe16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(std::clamp(value, -32768.0, 32767.0)))));
    }
    zem::RiffWriter riff(zem::RiffLength::Standard);
    riff.Chunk("fmt ", zem::MakePcmFormat(kRate, 1, 16).ToBytes().data(), 16);
    riff.Chunk("data", data);
    const std::string file = riff.Bytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

std::vector<int16_t> ReadLeftSide(const std::string& path, int* rate)
{
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    zem::RiffReader riff = zem::RiffReader::OverBytes(file.data(), file.size(), zem::RiffPad::Always);
    zem::RiffHead head;
    if (riff.ReadHead(head) < 12 || !head.Is("RIFF", "WAVE"))
        return {};
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
    uint16_t channels = 0;
    zem::RiffChunk chunk;
    while (riff.Next(chunk) == zem::RiffReader::Step::Chunk) {
        const uint8_t* body = bytes + chunk.offset;
        if (chunk.Is("fmt ") && chunk.offset + 16 <= file.size()) {
            channels = zem::ReadLe16(body + 2);
            *rate = static_cast<int>(zem::ReadLe32(body + 4));
            if (zem::ReadLe16(body + 14) != 16)
                return {};
        } else if (chunk.Is("data") && channels > 0) {
            // A file still being written may declare more than it holds.
            const size_t end = static_cast<size_t>(std::min<uint64_t>(file.size(), chunk.End()));
            std::vector<int16_t> left;
            for (size_t p = chunk.offset; p + 2u * channels <= end; p += 2u * channels)
                left.push_back(static_cast<int16_t>(zem::ReadLe16(bytes + p)));
            return left;
        }
    }
    return {};
}

}  // namespace playcall
