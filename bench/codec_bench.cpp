// Decoding one hour of 8 kHz GSM 6.10 and IMA ADPCM: our drivers against libsox on the same
// files, each reported as a ratio to real time (x_realtime: seconds of audio decoded per
// second, printed with a k for thousands).
#include "codec/codec.h"
#include "zemWaveLib/codecconverter.h"
#include "zemWaveLib/codecwavefile.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <map>
#include <numbers>
#include <sox.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRate = 8000;
constexpr double kSeconds = 3600;

struct Fixture {
    std::string folder;
    std::string gsm;
    std::string ima;
};

void WriteWithSox(const std::string& path, sox_encoding_t encoding, unsigned bits,
                  const std::vector<sox_sample_t>& samples)
{
    sox_signalinfo_t signal{};
    signal.rate = kRate;
    signal.channels = 1;
    signal.precision = 16;
    signal.length = samples.size();
    sox_encodinginfo_t info{};
    info.encoding = encoding;
    info.bits_per_sample = bits;
    sox_format_t* out = sox_open_write(path.c_str(), &signal, &info, "wav", nullptr, nullptr);
    if (!out)
        throw std::runtime_error("sox cannot write " + path);
    sox_write(out, samples.data(), samples.size());
    sox_close(out);
}

// Speech-like test audio: a tone that glides, with a little noise.
const Fixture& Files()
{
    static const Fixture fixture = [] {
        if (sox_init() != SOX_SUCCESS)
            throw std::runtime_error("sox_init failed");
        Fixture f;
        std::string pattern = std::filesystem::temp_directory_path().string() + "/codecbenchXXXXXX";
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        f.folder = pattern;
        std::vector<sox_sample_t> samples(static_cast<size_t>(kRate * kSeconds));
        uint32_t noise = 1;
        double phase = 0;
        for (size_t i = 0; i < samples.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double hz = 300 + 200 * std::sin(2 * std::numbers::pi * t / 3);
            phase += 2 * std::numbers::pi * hz / kRate;
            noise = noise * 1664525u + 1013904223u;
            const double v =
                10000 * std::sin(phase) + static_cast<double>(static_cast<int>(noise >> 23) - 256);
            samples[i] = static_cast<sox_sample_t>(std::lround(v)) * 65536;
        }
        f.gsm = f.folder + "/hour_gsm.wav";
        f.ima = f.folder + "/hour_ima.wav";
        WriteWithSox(f.gsm, SOX_ENCODING_GSM, 0, samples);
        WriteWithSox(f.ima, SOX_ENCODING_IMA_ADPCM, 4, samples);
        std::atexit([] { std::filesystem::remove_all(Files().folder); });
        return f;
    }();
    return fixture;
}

const std::string& PathOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? Files().gsm : Files().ima;
}

void Label(benchmark::State& state)
{
    state.SetLabel(state.range(0) == 0 ? "GSM 6.10" : "IMA ADPCM");
    state.counters["x_realtime"] =
        benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

// Our stream: read the data chunk piece by piece and decode it into memory.
void BM_DecodeStream(benchmark::State& state)
{
    const std::string path = PathOf(state);
    for (auto _ : state) {
        zem::CodecWaveFile file;
        zem::WaveLayout layout;
        if (!file.OpenRead(path) || !file.ReadLayout(layout))
            throw std::runtime_error("cannot read " + path);
        std::unique_ptr<zem::codec::Stream> stream;
        const zem::WaveFormat pcm = zem::codec::DecodedPcmFormat(layout.format);
        zem::codec::OpenStream(0, layout.format, pcm, stream);
        std::vector<uint8_t> in(layout.format.blockAlign * 100);
        std::vector<uint8_t> out(stream->TargetSize(in.size(), false));
        size_t produced = 0;
        ptrdiff_t got;
        while ((got = file.Read(in.data(), in.size())) > 0) {
            zem::codec::ConvertCount count;
            stream->Convert(std::span(in).first(static_cast<size_t>(got)), out, false, count);
            produced += count.produced;
        }
        benchmark::DoNotOptimize(produced);
    }
    Label(state);
}

// The whole converter: WAVE file in, PCM WAVE file out.
void BM_DecodeToPcm(benchmark::State& state)
{
    const std::string path = PathOf(state);
    const std::string out = Files().folder + "/decoded.wav";
    for (auto _ : state) {
        CodecConverter converter(nullptr, nullptr, nullptr);
        if (!converter.DecodeToPcm(path, out))
            throw std::runtime_error(converter.GetLastError());
    }
    Label(state);
}

// libsox reading the same file into memory.
void BM_DecodeLibsox(benchmark::State& state)
{
    const std::string path = PathOf(state);
    std::vector<sox_sample_t> buffer(32000);
    for (auto _ : state) {
        sox_format_t* in = sox_open_read(path.c_str(), nullptr, nullptr, "wav");
        if (!in)
            throw std::runtime_error("sox cannot read " + path);
        size_t total = 0, got;
        while ((got = sox_read(in, buffer.data(), buffer.size())) > 0)
            total += got;
        sox_close(in);
        benchmark::DoNotOptimize(total);
    }
    Label(state);
}

BENCHMARK(BM_DecodeStream)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeToPcm)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeLibsox)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Console output, then our IMA ADPCM decoding against libsox's, next to its goal.
class GoalReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto found = run.counters.find("x_realtime");
            if (run.run_type == Run::RT_Iteration && found != run.counters.end())
                rates_[run.run_name.str()] = found->second.value;
        }
    }

    void PrintGoals() const
    {
        const double sox = Rate("BM_DecodeLibsox/1/real_time");
        if (sox > 0)
            std::printf("IMA ADPCM decode vs libsox: stream %.2f (goal >= 1.2), whole converter %.2f\n",
                        Rate("BM_DecodeStream/1/real_time") / sox, Rate("BM_DecodeToPcm/1/real_time") / sox);
    }

private:
    double Rate(const std::string& name) const
    {
        const auto found = rates_.find(name);
        return found == rates_.end() ? 0 : found->second;
    }

    std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintGoals();
    benchmark::Shutdown();
    return 0;
}
