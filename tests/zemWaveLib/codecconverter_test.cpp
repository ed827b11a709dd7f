#include "zemWaveLib/codecconverter.h"

#include "base/paths.h"
#include "base/threadqueue.h"
#include "support/scratch.h"
#include "platform/codec/soxfixture.h"
#include "platform/codec/wavebytes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <thread>

using zem::ThreadMessage;
using zemtest::SoxEncoding;

namespace {

std::string Le32(uint32_t v)
{
    std::string s(4, '\0');
    for (size_t i = 0; i < 4; ++i)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

// Files in TMP, where the converter's temporary files go.
size_t TempFileCount()
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(std::getenv("TMP")))
        ++n;
    return n;
}

std::string SoxFile(const std::string& folder, const char* name, SoxEncoding encoding,
                     uint32_t rate, uint16_t channels, size_t frames)
{
    const std::string path = folder + "/" + name;
    zemtest::SoxWrite(path, encoding, rate, channels,
                      zemtest::KnownSignal(frames, channels, rate));
    return path;
}

std::vector<int16_t> DataSamples(const std::string& path)
{
    const std::string bytes = zemtest::ReadFile(path);
    const zemtest::WaveBytes wave = zemtest::ParseWave(bytes);
    return zemtest::Samples16(bytes, wave.dataOffset, wave.dataSize / 2);
}

// The first samples of `decoded` equal `expected`, and `decoded` runs at most one block longer.
void ExpectDecodedAs(const std::vector<int16_t>& decoded, const std::vector<int16_t>& expected,
                     size_t blockSamples)
{
    ASSERT_GE(decoded.size(), expected.size());
    EXPECT_LT(decoded.size() - expected.size(), blockSamples);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), decoded.begin()));
}

struct Recorder : CodecConverter::ProgressWindow {
    void SendProgress(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        EXPECT_EQ(wParam, 0u);
        got.push_back({message, wParam, lParam});
        if (onMessage)
            onMessage(got.back());
    }
    std::vector<ThreadMessage> got;
    std::function<void(const ThreadMessage&)> onMessage;
};

std::vector<ThreadMessage> Drain(zem::ThreadQueue& queue)
{
    std::vector<ThreadMessage> out;
    ThreadMessage m;
    while (queue.Peek(m, true))
        out.push_back(m);
    return out;
}

}  // namespace

TEST(CodecConverterDrivers, ListNamesTagsAndLookups)
{
    CodecConverter converter(nullptr, nullptr, nullptr);
    ASSERT_EQ(converter.GetDriverCount(), 4);
    const std::pair<const char*, uint16_t> expected[] = {
        {"G.711 A-law", 6}, {"G.711 mu-law", 7}, {"IMA ADPCM", 17}, {"GSM 6.10", 49}};
    for (uint16_t i = 0; i < 4; ++i) {
        std::string name;
        uint16_t tag = 0;
        EXPECT_EQ(converter.GetDriverInfo(i, name, tag), 1);
        EXPECT_EQ(name, expected[i].first);
        EXPECT_EQ(tag, expected[i].second);
        zem::codec::DriverId byTag = 0, byName = 0;
        EXPECT_TRUE(converter.FindDriver(tag, byTag));
        EXPECT_TRUE(converter.FindDriverByName(name, byName));
        EXPECT_EQ(byTag, byName);
    }
    std::string name = "kept";
    uint16_t tag = 99;
    EXPECT_EQ(converter.GetDriverInfo(4, name, tag), 4) << "past the end: the count";
    EXPECT_EQ(name, "kept");
    EXPECT_EQ(tag, 99);

    zem::codec::DriverId driver = 7;
    EXPECT_FALSE(converter.FindDriver(zem::WAVE_FORMAT_PCM, driver)) << "no PCM driver";
    EXPECT_EQ(driver, 0u);
    EXPECT_TRUE(converter.FindDriverByName("gsm 6.10", driver)) << "names without case";
    EXPECT_FALSE(converter.FindDriverByName("GSM", driver));
    EXPECT_FALSE(converter.GetDriverName(0, name));
    EXPECT_EQ(name, "");
    EXPECT_FALSE(converter.GetDriverFormatTag(0, tag));
    EXPECT_EQ(tag, 0);

    ASSERT_TRUE(converter.FindDriver(zem::WAVE_FORMAT_GSM610, driver));
    const auto gsm = converter.GetDriverFormat(driver, zem::WAVE_FORMAT_GSM610);
    ASSERT_TRUE(gsm.has_value());
    EXPECT_EQ(gsm->blockAlign, 65);
    EXPECT_EQ(gsm->samplesPerSec, 8000u);
    EXPECT_EQ(converter.GetDriverFormat(driver, zem::WAVE_FORMAT_PCM),
              zem::MakePcmFormat(8000, 1, 16));
    EXPECT_FALSE(converter.GetDriverFormat(driver, zem::WAVE_FORMAT_ALAW).has_value())
        << "no format of another tag stands in";
}

// The output: "RIFF" <whole length> "WAVE", "fmt " of 18 bytes, the source's chunks between
// "fmt " and "data" as they were (odd sizes without pad), "data", the samples; nothing of
// what follows the source's data.
TEST(CodecConverterDecode, OutputLayoutByteForByte)
{
    const std::string folder = zemtest::NewFolder("layout");
    const std::string soxPath = SoxFile(folder, "sox.wav", SoxEncoding::Gsm, 8000, 1, 4000);
    const std::string soxBytes = zemtest::ReadFile(soxPath);
    const zemtest::WaveBytes sox = zemtest::ParseWave(soxBytes);
    const auto fact = std::ranges::find(sox.chunks, std::string("fact"), &zemtest::Chunk::id);
    ASSERT_NE(fact, sox.chunks.end()) << "libsox writes a fact chunk";
    const std::string factData = soxBytes.substr(fact->offset, fact->size);
    const std::string data = soxBytes.substr(sox.dataOffset, sox.dataSize);

    const std::string source = folder + "/in.wav";
    zemtest::WriteFile(source, zemtest::BuildWave({{"fmt ", zemtest::FormatChunk(sox.format)},
                                                   {"fact", factData},
                                                   {"LIST", "odd!!"},
                                                   {"data", data},
                                                   {"zemp", std::string(100, '\x55')}}));
    const std::string destination = folder + "/out.wav";
    CodecConverter converter(nullptr, nullptr, nullptr);
    ASSERT_TRUE(converter.DecodeToPcm(source, destination)) << converter.GetLastError();

    const std::string out = zemtest::ReadFile(destination);
    // PCM, 1 channel, 8000 Hz, 16000 bytes/s, block 2, 16 bits, cbSize 0.
    const std::string fmt(
        "\x01\x00\x01\x00\x40\x1F\x00\x00\x80\x3E\x00\x00\x02\x00\x10\x00\x00\x00", 18);
    const std::string header = "RIFF" + Le32(static_cast<uint32_t>(out.size())) + "WAVE" +
                               "fmt " + Le32(18) + fmt + "fact" + Le32(4) + factData + "LIST" +
                               Le32(5) + "odd!!" + "data";
    ASSERT_GT(out.size(), header.size() + 4);
    EXPECT_EQ(out.substr(0, header.size()), header);
    const uint32_t blocks = sox.dataSize / 65;
    EXPECT_EQ(out.substr(header.size(), 4), Le32(blocks * 640)) << "whole blocks, no trailer";
    EXPECT_EQ(out.size(), header.size() + 4 + blocks * 640);
    ExpectDecodedAs(DataSamples(destination), zemtest::SoxDecode(soxPath), 320);
}

// A stereo recording decodes completely: every channel of every block.
TEST(CodecConverterDecode, EveryCodecAndChannelCountEqualsLibsox)
{
    struct Case {
        SoxEncoding encoding;
        uint32_t rate;
        uint16_t channels;
        size_t blockSamples;
    };
    const Case cases[] = {{SoxEncoding::Gsm, 8000, 1, 320},
                          {SoxEncoding::ImaAdpcm, 8000, 2, 1010},
                          {SoxEncoding::ImaAdpcm, 11025, 1, 505},
                          {SoxEncoding::ALaw, 8000, 2, 2},
                          {SoxEncoding::MuLaw, 16000, 1, 1}};
    const std::string folder = zemtest::NewFolder("codecs");
    CodecConverter converter(nullptr, nullptr, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.encoding) << " " << c.rate << "/"
                                        << c.channels);
        const std::string source =
            SoxFile(folder, "in.wav", c.encoding, c.rate, c.channels, c.rate * 5 / 2);
        ASSERT_TRUE(converter.DecodeToPcm(source, folder + "/out.wav")) << converter.GetLastError();
        const zemtest::WaveBytes out = zemtest::ParseWave(zemtest::ReadFile(folder + "/out.wav"));
        EXPECT_EQ(out.format, zem::MakePcmFormat(c.rate, c.channels, 16));
        ExpectDecodedAs(DataSamples(folder + "/out.wav"), zemtest::SoxDecode(source),
                        c.blockSamples);
    }
}

TEST(CodecConverterDecode, OntoItselfReplacesTheSourceAndLeavesNoTemporaryFile)
{
    const std::string folder = zemtest::NewFolder("self");
    const std::string source = SoxFile(folder, "in.wav", SoxEncoding::Gsm, 8000, 1, 8000);
    const std::vector<int16_t> expected = zemtest::SoxDecode(source);
    const size_t tempFiles = TempFileCount();
    CodecConverter converter(nullptr, nullptr, nullptr);
    ASSERT_TRUE(converter.DecodeToPcm(source, source)) << converter.GetLastError();
    EXPECT_EQ(zemtest::ParseWave(zemtest::ReadFile(source)).format.formatTag, zem::WAVE_FORMAT_PCM);
    ExpectDecodedAs(DataSamples(source), expected, 320);
    EXPECT_EQ(TempFileCount(), tempFiles);

    // A second name of the same file is the same file.
    const std::string other = SoxFile(folder, "b.wav", SoxEncoding::ALaw, 8000, 1, 800);
    std::filesystem::create_hard_link(other, folder + "/link.wav");
    ASSERT_TRUE(converter.DecodeToPcm(other, folder + "/link.wav")) << converter.GetLastError();
    ExpectDecodedAs(DataSamples(other), zemtest::SoxDecode(folder + "/link.wav"), 1);
}

TEST(CodecConverterDecode, SystemPathsAreMapped)
{
    const std::string folder = zemtest::NewFolder("mapped");
    const std::string source = SoxFile(folder, "in.wav", SoxEncoding::MuLaw, 8000, 1, 800);
    CodecConverter converter(nullptr, nullptr, nullptr);
    ASSERT_TRUE(converter.DecodeToPcm(source, "C:/tmpdec.wav")) << converter.GetLastError();
    EXPECT_TRUE(zemtest::Exists(zem::DriveFolder('C') + "/tmpdec.wav"));
}

// Two loader threads decode at once: each gets its own file with its own recording.
TEST(CodecConverterDecode, TempFilesAreUniquePerCallAndDeletedByTheCaller)
{
    const std::string folder = zemtest::NewFolder("tempdec");
    const std::string sources[] = {
        SoxFile(folder, "a.wav", SoxEncoding::Gsm, 8000, 1, 16000),
        SoxFile(folder, "b.wav", SoxEncoding::ImaAdpcm, 8000, 1, 12000)};
    const size_t tempFiles = TempFileCount();
    std::string decoded[2];
    bool ok[2] = {false, false};
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
        threads.emplace_back([&, i] {
            CodecConverter converter(nullptr, nullptr, nullptr);
            ok[i] = converter.DecodeToTempFile(sources[i], decoded[i]);
        });
    }
    for (auto& t : threads)
        t.join();
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(ok[i]);
        ExpectDecodedAs(DataSamples(decoded[i]), zemtest::SoxDecode(sources[i]), 505);
    }
    EXPECT_NE(decoded[0], decoded[1]);
    std::filesystem::remove(decoded[0]);
    std::filesystem::remove(decoded[1]);
    EXPECT_EQ(TempFileCount(), tempFiles);

    CodecConverter converter(nullptr, nullptr, nullptr);
    std::string path = "x";
    EXPECT_FALSE(converter.DecodeToTempFile(folder + "/missing.wav", path));
    EXPECT_EQ(path, "");
    EXPECT_EQ(TempFileCount(), tempFiles) << "a failed decode leaves no file";
}

TEST(CodecConverterFailures, TextsAndNothingLeftBehind)
{
    const std::string folder = zemtest::NewFolder("fail");
    const std::string gsm = SoxFile(folder, "gsm.wav", SoxEncoding::Gsm, 8000, 1, 8000);
    const std::string pcm = SoxFile(folder, "pcm.wav", SoxEncoding::Pcm16, 8000, 1, 8000);
    const std::string pcm44 = SoxFile(folder, "pcm44.wav", SoxEncoding::Pcm16, 44100, 1, 8000);
    const zemtest::WaveBytes gsmWave = zemtest::ParseWave(zemtest::ReadFile(gsm));
    const std::string gsmFmt = zemtest::FormatChunk(gsmWave.format);
    const std::string gsmData = zemtest::ReadFile(gsm).substr(gsmWave.dataOffset, 650);
    auto write = [&](const char* name, const std::string& bytes) {
        zemtest::WriteFile(folder + "/" + name, bytes);
        return folder + "/" + name;
    };
    const std::string text = write("text.wav", "this is no recording");
    const std::string listFirst = write("listfirst.wav", zemtest::BuildWave(
        {{"LIST", "abcd"}, {"fmt ", gsmFmt}, {"data", gsmData}}));
    const std::string noData = write("nodata.wav", zemtest::BuildWave({{"fmt ", gsmFmt}}));
    std::string overlong =
        zemtest::BuildWave({{"fmt ", gsmFmt}, {"fact", "1234"}, {"data", gsmData}});
    overlong.replace(12 + 8 + gsmFmt.size() + 4, 4, Le32(0x7FFFFFF0));
    const std::string bigChunk = write("bigchunk.wav", overlong);
    zem::WaveFormat stereo = gsmWave.format;
    stereo.channels = 2;
    const std::string gsmStereo = write("stereo.wav", zemtest::BuildWave(
        {{"fmt ", zemtest::FormatChunk(stereo)}, {"data", gsmData}}));
    zem::WaveFormat mp3 = gsmWave.format;
    mp3.formatTag = 85;
    const std::string mp3File = write("mp3.wav", zemtest::BuildWave(
        {{"fmt ", zemtest::FormatChunk(mp3)}, {"data", gsmData}}));
    const std::string missing = folder + "/missing.wav";
    const std::string noFolder = folder + "/no/such/folder/out.wav";
    const std::string out = folder + "/out.wav";

    struct Case {
        bool encode;
        std::string source;
        uint16_t tag;
        std::string destination;
        std::string expected;
    };
    const Case cases[] = {
        {false, missing, 0, out, "Open file '" + missing + "' failed (0x2)!"},
        {false, text, 0, out, "File '" + text + "' ist not a valid audio file!"},
        {false, listFirst, 0, out, "File '" + listFirst + "' ist not a valid audio file!"},
        {false, noData, 0, out, "File '" + noData + "' ist not a valid audio file!"},
        {false, bigChunk, 0, out, "File '" + bigChunk + "' ist not a valid audio file!"},
        {false, pcm, 0, out, "Driver for codec 1 not found!"},
        {false, mp3File, 0, out, "Driver for codec 85 not found!"},
        {false, gsmStereo, 0, out, "acmStreamOpen() failed (0x200)!"},
        {false, gsm, 0, noFolder, "Open temporary file '" + noFolder + "' failed (0x2)!"},
        {true, pcm, 1, out, "Driver for codec 1 not found!"},
        {true, pcm, 2, out, "Driver for codec 2 not found!"},
        {true, missing, 49, out, "Open file '" + missing + "' failed (0x2)!"},
        {true, text, 49, out, "File '" + text + "' ist not a valid audio file!"},
        {true, pcm44, 49, out, "acmStreamOpen() failed (0x200)!"},
        {true, pcm, 49, noFolder, "Open destination file '" + noFolder + "' failed (0x2)!"},
    };
    const size_t tempFiles = TempFileCount();
    for (const Case& c : cases) {
        CodecConverter converter(nullptr, nullptr, nullptr);
        const bool ok = c.encode ? converter.EncodeFromPcm(c.source, c.tag, c.destination)
                                 : converter.DecodeToPcm(c.source, c.destination);
        EXPECT_FALSE(ok) << c.expected;
        EXPECT_EQ(converter.GetLastError(), c.expected);
        EXPECT_FALSE(zemtest::Exists(c.destination)) << c.expected;
        EXPECT_EQ(TempFileCount(), tempFiles) << c.expected;
    }
}

TEST(CodecConverterCancel, RunFlagStopsAndLeavesNoOutput)
{
    const std::string folder = zemtest::NewFolder("cancel");
    const std::string gsm = SoxFile(folder, "gsm.wav", SoxEncoding::Gsm, 8000, 1, 8000 * 5);
    const std::string pcm = SoxFile(folder, "pcm.wav", SoxEncoding::Pcm16, 8000, 1, 8000 * 5);
    const std::string pcmBefore = zemtest::ReadFile(pcm);
    const size_t tempFiles = TempFileCount();

    struct Case {
        const char* what;
        bool encode;
        int cancelAtProgress;  // 0: before the first block
        std::string destination;
    };
    const Case cases[] = {{"decode before the first block", false, 0, folder + "/d0.wav"},
                          {"decode after two blocks", false, 3, folder + "/d3.wav"},
                          {"encode in the first step", true, 2, folder + "/e2.wav"},
                          {"encode in the second step", true, 8, folder + "/e8.wav"},
                          {"encode over the source", true, 8, ""}};
    for (const Case& c : cases) {
        std::atomic<int32_t> run{c.cancelAtProgress == 0 ? 0 : 1};
        Recorder window;
        int progress = 0;
        window.onMessage = [&](const ThreadMessage& m) {
            if (m.message == CodecConverter::kProgressMessage && ++progress == c.cancelAtProgress)
                run = 0;
        };
        CodecConverter converter(&window, &run, nullptr);
        const bool ok = c.encode ? converter.EncodeFromPcm(pcm, 49, c.destination)
                                 : converter.DecodeToPcm(gsm, c.destination);
        EXPECT_FALSE(ok) << c.what;
        EXPECT_EQ(converter.GetLastError(), "Cancelled by user!") << c.what;
        if (!c.destination.empty()) {
            EXPECT_FALSE(zemtest::Exists(c.destination)) << c.what;
        }
        EXPECT_EQ(TempFileCount(), tempFiles) << c.what;
    }
    EXPECT_EQ(zemtest::ReadFile(pcm), pcmBefore) << "a cancelled encode keeps its source";
}

// Progress goes to the window and to the thread alike, in order, and carries its value:
// the values are still right after the conversion has returned.
TEST(CodecConverterProgress, MessagesInOrderWithValues)
{
    const std::string folder = zemtest::NewFolder("progress");
    const std::string gsm = SoxFile(folder, "gsm.wav", SoxEncoding::Gsm, 8000, 1, 8000 * 4);
    const std::string pcm = SoxFile(folder, "pcm.wav", SoxEncoding::Pcm16, 8000, 1, 8000 * 4);

    for (const bool encode : {false, true}) {
        SCOPED_TRACE(encode ? "encode" : "decode");
        Recorder window;
        zem::ThreadQueue queue;
        CodecConverter converter(&window, nullptr, &queue);
        const std::string source = encode ? pcm : gsm;
        const std::string destination = folder + (encode ? "/e.wav" : "/d.wav");
        ASSERT_TRUE(encode ? converter.EncodeFromPcm(source, 49, destination)
                           : converter.DecodeToPcm(source, destination));
        const std::vector<ThreadMessage> posted = Drain(queue);
        ASSERT_EQ(posted.size(), window.got.size());

        ASSERT_GE(posted.size(), 3u);
        EXPECT_EQ(posted.front().message, CodecConverter::kStartMessage);
        EXPECT_EQ(posted.front().lParam, static_cast<intptr_t>(std::filesystem::file_size(source)));
        std::vector<double> percents;
        for (size_t i = 0; i < posted.size(); ++i) {
            EXPECT_EQ(posted[i].message, window.got[i].message);
            EXPECT_EQ(posted[i].lParam, window.got[i].lParam);
            EXPECT_EQ(posted[i].wParam, 0u);
            if (posted[i].message == CodecConverter::kProgressMessage)
                percents.push_back(CodecConverter::PercentFromParam(posted[i].lParam));
        }
        // Four seconds: decoding reads one second of blocks at a time; encoding reads one
        // second of the source, then half a second of the driver's 16-bit PCM at a time.
        std::vector<double> expected{0.0, 12.5, 25.0, 37.5};
        if (encode) {
            for (int k = 0; k < 8; ++k)
                expected.push_back(50.0 + 6.25 * k);
            expected.push_back(100.0);
            EXPECT_EQ(posted.back().message, CodecConverter::kEncodeEndMessage);
            EXPECT_EQ(posted.back().lParam,
                      static_cast<intptr_t>(std::filesystem::file_size(destination)));
        } else {
            EXPECT_EQ(posted.back().message, CodecConverter::kProgressMessage);
        }
        EXPECT_EQ(percents, expected);
    }
}

// Encoding a sine and decoding it again keeps its frequency (within the Goertzel bins
// around it) and its level (within 1 dB); libsox reads what we wrote the same way.
TEST(CodecConverterEncode, SineSurvivesEncodeAndDecode)
{
    const std::string folder = zemtest::NewFolder("encode");
    const std::string source = folder + "/sine.wav";
    constexpr double kPeak = 12000;
    // 8-bit stereo: the first step converts channels and bits to the driver's PCM.
    zemtest::SoxWrite(source, SoxEncoding::Pcm8, 8000, 2,
                      zemtest::Sine(8000 * 2, 2, 8000, 1000, kPeak));
    for (const uint16_t tag : {6, 7, 17, 49}) {
        SCOPED_TRACE(testing::Message() << "tag " << tag);
        const std::string encoded = folder + "/enc.wav";
        const std::string decoded = folder + "/dec.wav";
        CodecConverter converter(nullptr, nullptr, nullptr);
        ASSERT_TRUE(converter.EncodeFromPcm(source, tag, encoded)) << converter.GetLastError();
        const zemtest::WaveBytes wave = zemtest::ParseWave(zemtest::ReadFile(encoded));
        zem::codec::DriverId driver = 0;
        converter.FindDriver(tag, driver);
        EXPECT_EQ(wave.format, converter.GetDriverFormat(driver, tag));
        EXPECT_EQ(wave.riffLength, std::filesystem::file_size(encoded));

        ASSERT_TRUE(converter.DecodeToPcm(encoded, decoded)) << converter.GetLastError();
        const std::vector<int16_t> ours = DataSamples(decoded);
        const std::vector<int16_t> theirs = zemtest::SoxDecode(encoded);
        ExpectDecodedAs(ours, theirs, tag == 17 ? 505 : 320);

        const size_t from = 1000, to = 15000;
        double sum = 0;
        for (size_t i = from; i < to; ++i)
            sum += static_cast<double>(ours[i]) * ours[i];
        const double rms = std::sqrt(sum / (to - from));
        const double levelDb = 20 * std::log10(rms / (kPeak / std::sqrt(2)));
        EXPECT_NEAR(levelDb, 0.0, 1.0);
        // Zero crossings count the frequency: 2000 per second for 1000 Hz.
        int crossings = 0;
        for (size_t i = from + 1; i < to; ++i)
            crossings += (ours[i - 1] < 0) != (ours[i] < 0);
        const double hz = crossings / 2.0 / ((to - from) / 8000.0);
        EXPECT_NEAR(hz, 1000.0, 5.0);
    }

    // An empty destination replaces the source.
    const std::string copy = folder + "/copy.wav";
    std::filesystem::copy_file(source, copy);
    CodecConverter converter(nullptr, nullptr, nullptr);
    ASSERT_TRUE(converter.EncodeFromPcm(copy, 49, "")) << converter.GetLastError();
    EXPECT_EQ(zemtest::ParseWave(zemtest::ReadFile(copy)).format.formatTag, 49);
}
