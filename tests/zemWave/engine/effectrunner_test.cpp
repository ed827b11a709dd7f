// The effect runner: WAV images of a block, the band-reject filter's effect on tones, the
// command line's error texts, and the filter as a DSP unit of a playing stream.
#include "zemWave/engine/effectrunner.h"

#include "sound/soundsystem.h"

#include "support/scratch.h"

#include "base/littleendian.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>

namespace {

constexpr int kRate = 8000;

std::vector<int16_t> Tones(std::initializer_list<double> hertz, double amplitude, int frames)
{
    std::vector<int16_t> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        double v = 0;
        for (double f : hertz)
            v += amplitude * std::sin(2 * std::numbers::pi * f * i / kRate);
        samples[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(v));
    }
    return samples;
}

// Amplitude of one frequency in samples[from, to) (Goertzel).
double Level(const std::vector<int16_t>& samples, double hertz, size_t from, size_t to)
{
    const double coeff = 2 * std::cos(2 * std::numbers::pi * hertz / kRate);
    double s1 = 0, s2 = 0;
    for (size_t i = from; i < to; ++i) {
        const double s0 = samples[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return 2 * std::sqrt(std::max(s1 * s1 + s2 * s2 - coeff * s1 * s2, 0.0)) / static_cast<double>(to - from);
}

double Db(double after, double before)
{
    return 20 * std::log10(after / before);
}

std::string Pcm16Wav(const std::vector<int16_t>& samples, int rate = kRate, int channels = 1)
{
    SoxWavRecord record;
    record.inFormatTag = 1;
    record.inChannels = static_cast<uint32_t>(channels);
    record.inSampleRate = static_cast<uint32_t>(rate);
    record.inBitsPerSample = 16;
    record.inData = reinterpret_cast<const uint8_t*>(samples.data());
    record.inDataLength = static_cast<uint32_t>(samples.size() * 2);
    EXPECT_EQ(SoxBuildWavImage(record), 0);
    std::string image(reinterpret_cast<const char*>(record.inImage), record.inImageSize);
    SoxFreeWavImages(record);
    return image;
}

int RunSox(std::vector<const char*> argv, const std::string& in1 = {}, const std::string& in2 = {},
        int inputs = 1, int mode = kSoxIoMemory, std::string* out = nullptr)
{
    uint8_t* output = nullptr;
    uint32_t length = 0;
    const int result = SoxMain(static_cast<int>(argv.size()), argv.data(), inputs, mode,
                               reinterpret_cast<const uint8_t*>(in1.data()), static_cast<uint32_t>(in1.size()),
                               reinterpret_cast<const uint8_t*>(in2.data()), static_cast<uint32_t>(in2.size()),
                               &output, &length);
    if (out)
        out->assign(reinterpret_cast<const char*>(output), length);
    std::free(output);
    return result;
}

TEST(EffectRunner, BuildsTheWavImageOfABlock)
{
    std::vector<uint8_t> block(1600);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 7);
    SoxWavRecord record;
    record.inFormatTag = 1;
    record.inChannels = 1;
    record.inSampleRate = 8000;
    record.inBitsPerSample = 16;
    record.inData = block.data();
    record.inDataLength = 1600;
    record.outImage = reinterpret_cast<uint8_t*>(&record);  // stale value; must be cleared
    record.outImageSize = 99;
    ASSERT_EQ(SoxBuildWavImage(record), 0);
    ASSERT_EQ(record.inImageSize, 1644u);
    const uint8_t* image = record.inImage;
    EXPECT_EQ(std::memcmp(image, "RIFF", 4), 0);
    EXPECT_EQ(zem::ReadLe32(image + 4), 1636u);
    EXPECT_EQ(std::memcmp(image + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(zem::ReadLe32(image + 24), 8000u);
    EXPECT_EQ(zem::ReadLe32(image + 28), 16000u);  // average bytes per second
    EXPECT_EQ(image[32], 2);               // block align
    EXPECT_EQ(image[34], 16);
    EXPECT_EQ(std::memcmp(image + 36, "data", 4), 0);
    EXPECT_EQ(zem::ReadLe32(image + 40), 1600u);
    EXPECT_EQ(std::memcmp(image + 44, block.data(), 1600), 0);
    EXPECT_EQ(record.outImage, nullptr);
    EXPECT_EQ(record.outImageSize, 0u);
    SoxFreeWavImages(record);
    EXPECT_EQ(record.inImage, nullptr);
    EXPECT_EQ(record.inImageSize, 0u);
    EXPECT_EQ(record.inDataLength, 0u);
}

TEST(EffectRunner, BandRejectArgumentVector)
{
    struct Case {
        uint32_t tag;
        uint32_t bits;
        const char* encoding;
    };
    const Case cases[] = {{1, 16, "-s"}, {1, 8, "-u"}, {6, 8, "-u"}, {6, 16, "-s"}, {6, 4, "-A"}, {1, 24, "-u"}};
    for (const Case& c : cases) {
        SoxWavRecord record;
        record.inFormatTag = c.tag;
        record.inBitsPerSample = c.bits;
        const std::vector<std::string> expected = {"sox", c.encoding, "dummyin.wav", c.encoding,
                                                   "dummyout.wav", "bandreject", "2800", "300"};
        EXPECT_EQ(SoxBandRejectArgs(2800, 300, record), expected) << c.tag << "/" << c.bits;
    }
}

// The "Pilotton" preset: 2800 Hz, 300 Hz wide, on one 100 ms block of the engine.
TEST(EffectRunner, PilottonRejectsItsToneAndKeepsSpeech)
{
    std::vector<int16_t> block = Tones({500, 2800}, 8000, kRate / 10);
    const std::vector<int16_t> before = block;
    ASSERT_EQ(SoxBandRejectBlock(2800, 300, block.data(), static_cast<int>(block.size()), 1, kRate), 0)
        << SoxLastError();
    // Past the filter's first few milliseconds of settling.
    const size_t from = 200, to = block.size();
    EXPECT_LE(Db(Level(block, 2800, from, to), Level(before, 2800, from, to)), -20.0);
    EXPECT_NEAR(Db(Level(block, 500, from, to), Level(before, 500, from, to)), 0.0, 1.0);
}

TEST(EffectRunner, FailedRunLeavesTheBlockAsItWas)
{
    std::vector<int16_t> block = Tones({2800}, 8000, kRate / 10);
    const std::vector<int16_t> before = block;
    EXPECT_NE(SoxBandRejectBlock(2800, 0, block.data(), static_cast<int>(block.size()), 1, kRate), 0);
    EXPECT_FALSE(SoxLastError().empty());
    EXPECT_EQ(block, before);
    EXPECT_NE(SoxBandRejectBlock(2800, 300, block.data(), 0, 1, kRate), 0);
    EXPECT_EQ(block, before);
}

TEST(EffectRunner, ErrorTextsOfTheCommandLine)
{
    const std::string wav = Pcm16Wav(Tones({440}, 1000, 800));
    const std::string wav16k = Pcm16Wav(Tones({440}, 1000, 800), 16000);
    const std::string missing = zemtest::RootFolder() + "/none.wav";
    const std::string cantOpen = "Can't open input file '" + missing + "': No such file or directory";
    std::vector<const char*> tooMany = {"sox", "dummyin.wav", "dummyout.wav"};
    for (int i = 0; i < 15; ++i)
        tooMany.push_back("vol");
    struct Case {
        const char* name;
        std::vector<const char*> argv;
        std::string in1, in2;
        int inputs;
        int mode;
        std::string error;  // exact, or the start when it ends in "*"
    };
    const Case cases[] = {
        {"rate text", {"sox", "-r", "abc", "dummyin.wav", "dummyout.wav"}, wav, {}, 1, 1, "-r must be given a positive integer"},
        {"rate zero", {"sox", "dummyin.wav", "-r0", "dummyout.wav"}, wav, {}, 1, 1, "-r must be given a positive integer"},
        {"channels text", {"sox", "-c", "two", "dummyin.wav", "dummyout.wav"}, wav, {}, 1, 1, "-c must be given a number"},
        {"volume text", {"sox", "-v", "loud", "dummyin.wav", "dummyout.wav"}, wav, {}, 1, 1, "Volume value 'loud' is not a number"},
        {"-e on an input", {"sox", "-e", "dummyin.wav", "dummyout.wav"}, wav, {}, 1, 1, "Can only specify \"-e\" for output filenames"},
        {"no output", {"sox", "dummyin.wav"}, wav, {}, 1, 1, "No output file?"},
        {"no input", {"sox"}, wav, {}, 1, 1, "Not enough input files specified"},
        {"one of two inputs", {"sox", "a.wav", "b.wav"}, wav, wav, 2, 1, "No output file?"},
        {"unknown effect", {"sox", "dummyin.wav", "dummyout.wav", "warble", "3"}, wav, {}, 1, 1, "Effect 'warble' is not known!"},
        {"15 effects", tooMany, wav, {}, 1, 1, "To many effects specified.\n"},
        {"two rate changes", {"sox", "dummyin.wav", "dummyout.wav", "rate", "16000", "rate", "11025"}, wav, {}, 1, 1,
         "Can not specify multiple effects that change sample rate"},
        {"two channel changes", {"sox", "dummyin.wav", "dummyout.wav", "channels", "2", "remix", "1"}, wav, {}, 1, 1,
         "Can not specify multiple effects that modify channel #"},
        {"help", {"sox", "-h"}, wav, {}, 1, 1, "Usage: sox*"},
        {"unknown option", {"sox", "-z", "dummyin.wav", "dummyout.wav"}, wav, {}, 1, 1, "Usage: sox*"},
        {"empty buffer", {"sox", "dummyin.wav", "dummyout.wav"}, {}, {}, 1, 1, "Bad Input buffer length '0' "},
        {"not audio", {"sox", "dummyin.wav", "dummyout.wav"}, "just some text, no header", {}, 1, 1,
         "Unknown input file format for 'dummyin.wav':  *"},
        {"missing file", {"sox", missing.c_str(), "/tmp/x.wav"}, {}, {}, 1, 0, cantOpen},
        {"inputs differ", {"sox", "a.wav", "b.wav", "dummyout.wav"}, wav, wav16k, 2, 1,
         "Input files must have the same rate, channels, data size, and encoding"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(RunSox(c.argv, c.in1, c.in2, c.inputs, c.mode), 0) << c.name;
        const std::string error = SoxLastError();
        if (!c.error.empty() && c.error.back() == '*')
            EXPECT_EQ(error.substr(0, c.error.size() - 1), c.error.substr(0, c.error.size() - 1)) << c.name;
        else
            EXPECT_EQ(error, c.error) << c.name;
    }
    std::string usage;
    RunSox({"sox", "-h"});
    usage = SoxLastError();
    EXPECT_NE(usage.find("gopts: -e -h -p -v volume -V\n\n"), std::string::npos);
    EXPECT_NE(usage.find("fopts: -r rate -c channels -s/-u/-U/-A/-a/-i/-g/-f -b/-w/-l -x\n\n"), std::string::npos);
}

TEST(EffectRunner, RunsAfterAFailureStartAfresh)
{
    const std::vector<int16_t> samples = Tones({440}, 1000, 800);
    const std::string wav = Pcm16Wav(samples);
    ASSERT_NE(RunSox({"sox", "-v", "x", "dummyin.wav", "dummyout.wav"}, wav), 0);
    std::string out;
    ASSERT_EQ(RunSox({"sox", "dummyin.wav", "dummyout.wav"}, wav, {}, 1, 1, &out), 0) << SoxLastError();
    EXPECT_EQ(SoxLastError(), "");
    EXPECT_EQ(out, wav);  // no effect, no volume: the same file back
}

TEST(EffectRunner, OptionsAndConversionsShapeTheOutput)
{
    const std::vector<int16_t> samples = Tones({440}, 8000, 800);
    const std::string wav = Pcm16Wav(samples);
    struct Case {
        const char* name;
        std::vector<const char*> argv;
        uint32_t tag, channels, rate, bits;
        double gain;  // of the 440 Hz tone
    };
    const Case cases[] = {
        {"8-bit unsigned out", {"sox", "-s", "dummyin.wav", "-u", "-b", "dummyout.wav"}, 1, 1, 8000, 8, 1.0},
        {"stereo out", {"sox", "dummyin.wav", "-c", "2", "dummyout.wav"}, 1, 2, 8000, 16, 1.0},
        {"16 kHz out", {"sox", "dummyin.wav", "-r", "16000", "dummyout.wav"}, 1, 1, 16000, 16, 1.0},
        {"half volume", {"sox", "-v", "0.5", "dummyin.wav", "dummyout.wav"}, 1, 1, 8000, 16, 0.5},
        {"A-law out", {"sox", "dummyin.wav", "-A", "dummyout.wav"}, 6, 1, 8000, 8, 1.0},
    };
    for (const Case& c : cases) {
        SoxWavRecord record;
        ASSERT_EQ(SoxMain(static_cast<int>(c.argv.size()), c.argv.data(), 1, kSoxIoMemory,
                          reinterpret_cast<const uint8_t*>(wav.data()), static_cast<uint32_t>(wav.size()),
                          nullptr, 0, &record.outImage, &record.outImageSize), 0)
            << c.name << ": " << SoxLastError();
        ASSERT_EQ(SoxParseWavImage(record), 0) << c.name;
        EXPECT_EQ(record.outFormatTag, c.tag) << c.name;
        EXPECT_EQ(record.outChannels, c.channels) << c.name;
        EXPECT_EQ(record.outSampleRate, c.rate) << c.name;
        EXPECT_EQ(record.outBitsPerSample, c.bits) << c.name;
        const uint32_t frames = record.outDataLength / (c.channels * c.bits / 8);
        EXPECT_NEAR(frames, 800.0 * c.rate / 8000, 2) << c.name;
        if (c.tag == 1 && c.bits == 16 && c.rate == 8000) {
            std::vector<int16_t> left;
            for (uint32_t f = 0; f < frames; ++f)
                left.push_back(static_cast<int16_t>(record.outData[f * c.channels * 2] |
                                                    (record.outData[f * c.channels * 2 + 1] << 8)));
            EXPECT_NEAR(Level(left, 440, 0, left.size()), 8000 * c.gain, 80) << c.name;
        }
        SoxFreeWavImages(record);
    }
}

TEST(EffectRunner, TwoInputsAreMixedHalfAndHalf)
{
    const std::string a = Pcm16Wav(std::vector<int16_t>(800, 1000));
    const std::string b = Pcm16Wav(std::vector<int16_t>(800, 3000));
    std::string out;
    ASSERT_EQ(RunSox({"sox", "a.wav", "b.wav", "dummyout.wav"}, a, b, 2, 1, &out), 0) << SoxLastError();
    SoxWavRecord record;
    record.outImage = static_cast<uint8_t*>(std::malloc(out.size()));
    std::memcpy(record.outImage, out.data(), out.size());
    record.outImageSize = static_cast<uint32_t>(out.size());
    ASSERT_EQ(SoxParseWavImage(record), 0);
    ASSERT_EQ(record.outDataLength, 1600u);
    for (uint32_t i = 0; i < record.outDataLength; i += 2)
        ASSERT_EQ(static_cast<int16_t>(record.outData[i] | (record.outData[i + 1] << 8)), 2000);
    SoxFreeWavImages(record);
}

TEST(EffectRunner, FileModeWritesTheNamedFile)
{
    const std::string folder = zemtest::NewFolder("sox");
    const std::string in = folder + "/in.wav";
    const std::string out = folder + "/out.wav";
    const std::string wav = Pcm16Wav(Tones({500}, 4000, 800));
    zemtest::WriteFile(in, wav);
    ASSERT_EQ(RunSox({"sox", in.c_str(), out.c_str()}, {}, {}, 1, kSoxIoFiles), 0) << SoxLastError();
    EXPECT_EQ(zemtest::ReadFile(out), wav);
}

// The data chunk is found wherever it is, and a placeholder length is cut to what is there.
TEST(EffectRunner, ParseFindsTheDataChunk)
{
    auto image = [](const std::string& between, uint32_t declared, const std::string& data) {
        std::string fmt = std::string("fmt ") + '\x12' + std::string(3, '\0');
        fmt += std::string("\x06\x00\x01\x00\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00\x00\x00", 18);
        std::string body = "WAVE" + fmt + between + "data";
        for (int i = 0; i < 4; ++i)
            body += static_cast<char>((declared >> (8 * i)) & 0xFF);
        body += data;
        std::string size;
        for (int i = 0; i < 4; ++i)
            size += static_cast<char>((body.size() >> (8 * i)) & 0xFF);
        return "RIFF" + size + body;
    };
    const std::string fact = std::string("fact\x04\x00\x00\x00\x10\x00\x00\x00", 12);
    const std::string odd = std::string("LIST\x03\x00\x00\x00xyz\x00", 12);  // padded to even
    struct Case {
        const char* name;
        std::string image;
        int result;
        uint32_t length;
    };
    const Case cases[] = {
        {"fact chunk", image(fact, 16, std::string(16, 'd')), 0, 16},
        {"odd chunk with pad", image(odd, 16, std::string(16, 'd')), 0, 16},
        {"placeholder length", image("", 0x7ffff000, std::string(10, 'd')), 0, 10},
        {"no data chunk", image(fact, 0, "").substr(0, 50), 1, 0},
    };
    for (const Case& c : cases) {
        SoxWavRecord record;
        record.outImage = const_cast<uint8_t*>(reinterpret_cast<const uint8_t*>(c.image.data()));
        record.outImageSize = static_cast<uint32_t>(c.image.size());
        EXPECT_EQ(SoxParseWavImage(record), c.result) << c.name;
        EXPECT_EQ(record.outDataLength, c.length) << c.name;
        if (c.result == 0) {
            EXPECT_EQ(record.outFormatTag, 6u) << c.name;
            EXPECT_EQ(record.outBitsPerSample, 8u) << c.name;
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(record.outData), 4), "dddd") << c.name;
        }
    }
}

// Runs from several threads are serialised inside and give what a lone run gives.
TEST(EffectRunner, ConcurrentRunsAgreeWithALoneRun)
{
    const std::vector<int16_t> source = Tones({500, 2800}, 6000, 800);
    std::vector<int16_t> expected = source;
    ASSERT_EQ(SoxBandRejectBlock(2800, 300, expected.data(), 800, 1, kRate), 0);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                std::vector<int16_t> block = source;
                if (SoxBandRejectBlock(2800, 300, block.data(), 800, 1, kRate) != 0 || block != expected)
                    ++mismatches;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(mismatches, 0);
}

// The filter as the DSP unit of a playing stream, through the mixer.
TEST(EffectRunner, BandRejectAsTheDspUnitOfAStream)
{
    const std::string folder = zemtest::NewFolder("dsp");
    const std::vector<int16_t> source = Tones({500, 2800}, 6000, 2 * kRate);
    zemtest::WriteFile(folder + "/call.wav", Pcm16Wav(source));
    zem::ManualClock clock;
    const std::string mixPath = folder + "/mix.wav";
    zem::SoundSystem sound(zem::OutputChoice::Wav(mixPath, &clock));
    ASSERT_TRUE(sound.Init(kRate, 32));
    const zem::SoundStream stream = sound.StreamOpen(folder + "/call.wav");
    ASSERT_NE(stream, 0u);
    std::atomic<int> failures{0};
    const zem::SoundDsp dsp = sound.StreamCreateDsp(stream, [&](zem::DspBlock& block) {
        if (SoxBandRejectBlock(2800, 300, block.samples, block.frames, block.channels, block.sampleRate) != 0)
            ++failures;
    });
    sound.StreamPlay(zem::kFreeChannel, stream);
    clock.Advance(1000);  // effect off
    ASSERT_TRUE(sound.WaitForMixedMs(1000));
    sound.DspSetActive(dsp, true);
    clock.Advance(1000);  // effect on
    ASSERT_TRUE(sound.WaitForMixedMs(2000));
    sound.Close();
    EXPECT_EQ(failures, 0);

    const std::string mix = zemtest::ReadFile(mixPath).substr(44);
    std::vector<int16_t> left;
    for (size_t i = 0; i + 3 < mix.size(); i += 4)
        left.push_back(static_cast<int16_t>(static_cast<uint8_t>(mix[i]) | (static_cast<uint8_t>(mix[i + 1]) << 8)));
    ASSERT_EQ(left.size(), 2u * kRate);
    // Off: the samples pass unchanged.
    EXPECT_TRUE(std::equal(left.begin(), left.begin() + kRate, source.begin()));
    // On: the tone goes, the speech band stays.
    EXPECT_LE(Db(Level(left, 2800, kRate + 400, 2 * kRate), Level(source, 2800, kRate + 400, 2 * kRate)), -20.0);
    EXPECT_NEAR(Db(Level(left, 500, kRate + 400, 2 * kRate), Level(source, 500, kRate + 400, 2 * kRate)), 0.0, 1.0);
}

}  // namespace
