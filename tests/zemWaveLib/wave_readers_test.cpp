// Every reader of recording files finds the same samples: _Wave, the header check of the
// download, the codec converter's file code and the sound stream.
#include "zemWaveLib/codecwavefile.h"
#include "zemWaveLib/wave.h"
#include "wavefiles.h"

#include "base/file.h"
#include "sound/wavestream.h"

#include <gmock/gmock.h>

using namespace wavetest;

namespace {

struct Sizes {
    uint32_t wave = 0, checked = 0, converter = 0, stream = 0;
    bool operator==(const Sizes&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Sizes& s)
{
    return out << "wave " << s.wave << ", check " << s.checked << ", converter " << s.converter
               << ", stream " << s.stream;
}

// The data size each reader takes from a complete file, and the samples _Wave and the stream read.
Sizes ReadBy(const std::string& path, const std::string& bytes, std::vector<int16_t>& waveSamples,
             std::vector<int16_t>& streamSamples)
{
    Sizes s;
    _Wave wave;
    if (wave.SetFileName(path)) {
        s.wave = wave.GetDataSize();
        waveSamples.assign(s.wave / 2, 0);
        waveSamples.resize(wave.Read(waveSamples.data(), s.wave) / 2);
    }
    _Wave::HeaderRecords found;
    if (_Wave::CheckHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), found, true))
        s.checked = found.chunks[_Wave::kSlotData]->size;
    zem::CodecWaveFile file;
    zem::WaveLayout layout;
    if (file.OpenRead(path) && file.ReadLayout(layout))
        s.converter = layout.dataSize;
    int error = 0;
    if (auto stream = zem::WaveStream::Open(path, 1000, error)) {
        s.stream = static_cast<uint32_t>(stream->TotalFrames() * 2);
        streamSamples.assign(stream->TotalFrames() + 10, 0);
        bool ended = false;
        streamSamples.resize(stream->Read(streamSamples.data(), streamSamples.size(), ended));
        EXPECT_TRUE(ended);
    }
    return s;
}

TEST(WaveReaders, OddChunksAndOversizedDataReadAlikeEverywhere)
{
    std::vector<int16_t> values(400);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int16_t>(i * 7 - 1000);
    const std::string samples = Samples16(values);
    const std::string fmt = Fmt(1, 1, 8000, 16);
    const std::string list = "LIST" + U32(5) + "INFOx" + '\0';  // odd, with its pad byte
    const std::string head = "RIFF" + U32(0) + "WAVE" + "fmt " + U32(16) + fmt;
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"odd LIST before data", head + list + "data" + U32(800) + samples},
        {"odd LIST, data claims 0xFFFFFFFF", head + list + "data" + U32(0xFFFFFFFF) + samples},
        {"data claims 0xFFFFFFFF", head + "data" + U32(0xFFFFFFFF) + samples},
        {"data claims 1000 bytes more", head + "data" + U32(1800) + samples},
        {"data claims 0x80000000", head + "data" + U32(0x80000000) + samples},
    };
    for (const auto& c : cases) {
        const std::string path = WriteRecording(c.bytes);
        std::vector<int16_t> waveSamples, streamSamples;
        EXPECT_EQ(ReadBy(path, c.bytes, waveSamples, streamSamples), (Sizes{800, 800, 800, 800})) << c.what;
        EXPECT_EQ(waveSamples, values) << c.what;
        EXPECT_EQ(streamSamples, values) << c.what;

        _Wave wave;
        ASSERT_TRUE(wave.SetFileName(path)) << c.what;
        const std::string copy = zemtest::NewFolder("copy") + "/copy.wav";
        EXPECT_TRUE(wave.SaveAs(copy)) << c.what;
        const std::string saved = zemtest::ReadFile(copy);
        EXPECT_EQ(saved.size() >= 804 ? U32At(saved, saved.size() - 804) : 0, 800u) << c.what;
    }
}

TEST(WaveReaders, ARecordingStillLoadingKeepsItsAnnouncedSize)
{
    const std::string bytes = "RIFF" + U32(0) + "WAVE" + "fmt " + U32(16) + Fmt(1, 1, 8000, 16) + "data" +
                              U32(0xFFFFFFFF) + std::string(800, '\1');
    _Wave::HeaderRecords found;
    ASSERT_TRUE(_Wave::CheckHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), found));
    EXPECT_EQ(found.chunks[_Wave::kSlotData]->size, 0xFFFFFFFFu);

    // A download holds its copy locked while it writes: the stream waits for the rest.
    const std::string path = WriteRecording(bytes);
    zem::File writer;
    ASSERT_EQ(writer.Open(path, zem::File::Mode::Write), 0);
    ASSERT_EQ(writer.LockForWriting(), 0);
    int error = 0;
    auto stream = zem::WaveStream::Open(path, 1000, error);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->TotalFrames(), 0xFFFFFFFFu / 2);
    std::vector<int16_t> out(1000);
    bool ended = true;
    EXPECT_EQ(stream->Read(out.data(), out.size(), ended), 400u);
    EXPECT_FALSE(ended);
    // Once the writer is done, the stream ends where the file does.
    writer.Close();
    EXPECT_EQ(stream->Read(out.data(), out.size(), ended), 0u);
    EXPECT_TRUE(ended);
}

}  // namespace
