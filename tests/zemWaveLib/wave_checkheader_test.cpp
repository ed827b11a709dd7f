// _Wave::CheckHeader over every prefix of a recording, as the header download sees the bytes
// arrive: each prefix is given in a buffer of exactly its size, so that a read past the
// received bytes shows in the sanitizer build.
#include "zemWaveLib/wave.h"
#include "wavefiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

using namespace wavetest;

namespace {

struct HeaderCase {
    const char* name;
    std::string bytes;
    // The shortest prefix that holds a usable header; from there on every longer one does.
    // None: no prefix does.
    std::optional<size_t> firstValid;
    uint16_t channels = 1;  // of the format record the whole file gives
    bool prompt = false;    // a "zemp" record is expected
};

// The data chunk's header and one byte of its data.
size_t PastDataHeader(const std::string& bytes)
{
    return bytes.find("data") + 9;
}

std::vector<HeaderCase> Cases()
{
    const std::string samples(300, 's');
    const std::string fmt = Fmt(1, 1, 8000, 16);
    const std::string overview = U16(1) + U16(3) + U16(1) + U16(2) + U16(3);
    std::vector<HeaderCase> cases;
    auto valid = [&](const char* name, std::string bytes, uint16_t channels = 1, bool prompt = false) {
        const size_t first = PastDataHeader(bytes);
        cases.push_back({name, std::move(bytes), first, channels, prompt});
    };
    auto never = [&](const char* name, std::string bytes) {
        cases.push_back({name, std::move(bytes), std::nullopt});
    };

    valid("format then data", Riff({{"fmt ", fmt}, {"data", samples}}));
    valid("unknown odd-sized chunk first, no pad byte",
        Riff({{"LIST", std::string(17, 'l')}, {"fmt ", fmt}, {"data", samples}}));
    valid("fact between format and data",
        Riff({{"fmt ", fmt}, {"fact", U32(150)}, {"data", samples}}));
    valid("overview and metadata before data",
        Riff({{"fmt ", fmt}, {"zemp", overview}, {"ksti", "<m/>" + std::string(2, '\0')},
            {"data", samples}}),
        1, true);
    valid("data announced far past the end",
        Riff({{"fmt ", fmt}, {"data", samples, 0xFFFFFFF0u}}));
    valid("a second format chunk replaces the first",
        Riff({{"fmt ", fmt}, {"fmt ", Fmt(1, 2, 8000, 16)}, {"data", samples}}), 2);
    valid("18-byte format", Riff({{"fmt ", fmt + U16(0)}, {"data", samples}}));

    never("no data chunk", Riff({{"fmt ", fmt}, {"LIST", samples}}));
    never("no format chunk", Riff({{"data", samples}}));
    never("data before format", Riff({{"data", samples}, {"fmt ", fmt}}));
    never("form type not WAVE", "RIFF" + U32(400) + "AVI " + Riff({{"fmt ", fmt}, {"data", samples}}).substr(12));
    never("not RIFF", "RIFX" + Riff({{"fmt ", fmt}, {"data", samples}}).substr(4));
    never("format chunk too short", Riff({{"fmt ", fmt.substr(0, 14)}, {"data", samples}}));
    never("format announced larger than the file",
        Riff({{"fmt ", fmt, 0xFFFFFFF0u}, {"data", samples}}));
    never("unknown chunk announced up to 4 GB",
        Riff({{"LIST", "", 0xFFFFFFFFu}, {"fmt ", fmt}, {"data", samples}}));
    return cases;
}

TEST(WaveCheckHeader, EveryPrefixOfTheFile)
{
    for (const HeaderCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        for (size_t n = 0; n <= c.bytes.size(); ++n) {
            const std::vector<uint8_t> prefix(c.bytes.begin(), c.bytes.begin() + static_cast<long>(n));
            _Wave::HeaderRecords found;
            const bool valid = _Wave::CheckHeader(prefix.data(), n, found);
            ASSERT_EQ(valid, c.firstValid && n >= *c.firstValid) << "prefix of " << n << " bytes";
        }
    }
}

TEST(WaveCheckHeader, RecordsOfAValidHeader)
{
    for (const HeaderCase& c : Cases()) {
        if (!c.firstValid)
            continue;
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes(c.bytes.begin(), c.bytes.end());
        _Wave::HeaderRecords found;
        ASSERT_TRUE(_Wave::CheckHeader(bytes.data(), bytes.size(), found));
        EXPECT_EQ(found.riffLength, U32At(c.bytes, 4));

        const WaveChunk* format = found.chunks[_Wave::kSlotFormat].get();
        ASSERT_NE(format, nullptr);
        EXPECT_EQ(format->offset, c.bytes.rfind("fmt ") + 8);
        EXPECT_EQ(format->size, U32At(c.bytes, format->offset - 4));
        zem::WAVEFORMATEX wfx{};
        std::memcpy(&wfx, format->data.data(), sizeof wfx);
        EXPECT_EQ(wfx.nChannels, c.channels);
        EXPECT_EQ(wfx.nSamplesPerSec, 8000u);

        const WaveChunk* data = found.chunks[_Wave::kSlotData].get();
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->offset, c.bytes.find("data") + 8);
        EXPECT_EQ(data->size, U32At(c.bytes, data->offset - 4));
        EXPECT_TRUE(data->data.empty()) << "sample data is never copied";

        const WaveChunk* prompt = found.chunks[_Wave::kSlotPrompt].get();
        ASSERT_EQ(prompt != nullptr, c.prompt);
        if (prompt) {
            const std::string stored(reinterpret_cast<const char*>(prompt->data.data()), prompt->size);
            EXPECT_EQ(stored, c.bytes.substr(prompt->offset, prompt->size));
        }
    }
}

}  // namespace
