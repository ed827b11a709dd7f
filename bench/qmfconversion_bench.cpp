// The conversion of a recording file of one call with 1000, 4000 and 16000 recording tags
// (type 1030, not enciphered), each with a small chunk, into a fresh call-viewer folder; the
// goal is 16000 tags in under one second. Making the files is the file system's work, so the
// same number of empty files is timed in the same place too; TMP=/dev/shm leaves the disk out.
#include "QMFPlayer/qmfplay/qmfconversion.h"

#include "base/tempname.h"
#include "qmftestfile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr double kGoalSeconds = 1.0;
constexpr int kGoalTags = 16000;

class SilentView : public PlayerView {
public:
    void ShowStatus(const std::string&) override {}
    void HideStatus() override {}
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
    void RequestQuit() override {}
};

std::string CallFile(int tags)
{
    std::string xml = "<export><call id=\"C1\"><tbcall direction=\"in\" cli=\"0301\" dni=\"0402\" "
                      "tsfirst=\"2024-05-01 13:30:05.000\" tslast=\"2024-05-01 14:32:07.250\">"
                      "<zemlogv3_vline name=\"Line 7\"/></tbcall>\r\n";
    std::string list = "<chunklist>\r\n";
    std::vector<qmftest::Chunk> chunks;
    for (int i = 1; i <= tags; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "%04X", i);
        const std::string n = std::to_string(i);
        xml += "<tbcalltag tagtype=\"1030\" idcalltag=\"" + n +
               "\" tstagset=\"2024-05-01 13:30:05.120\" tstagbegin=\"2024-05-01 13:30:05.000\" "
               "tstagend=\"2024-05-01 13:31:00.000\" tagdetails=\"rec\"><tbuser name=\"anna\"/>"
               "<zemlogv3_calltag1030 flencrypt=\"0\" sid=\"\"/></tbcalltag>\r\n";
        list += "<chunk idcalltag=\"" + n + "\" chunkname=\"" + id + "\"/>\r\n";
        chunks.push_back({id, std::string(64, 'x')});
    }
    return qmftest::MakeQmf(xml + list + "</chunklist></call></export>", chunks);
}

std::string g_folder;

void BM_ConvertCallFile(benchmark::State& state)
{
    const int tags = static_cast<int>(state.range(0));
    const std::string input = g_folder + "/call" + std::to_string(tags) + ".qmf";
    {
        const std::string bytes = CallFile(tags);
        std::ofstream(input, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    SilentView view;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A fresh folder each time, as the player makes one. Earlier ones stay until the end:
        // on a file system without a journal, a new file steps over every recently deleted
        // one, and the times would grow with the files the bench itself had just removed.
        const std::string output = g_folder + "/T" + std::to_string(tags) + "-" + std::to_string(run++);
        fs::create_directory(output);
        const ConversionSettings settings{output, true, {}};
        state.ResumeTiming();
        if (ConvertRecordingFile(input, settings, view) != ConversionResult::Done)
            state.SkipWithError("conversion failed");
    }
    state.counters["tags"] = tags;
}

// The file system's share: as many empty files as the conversion writes recordings, in a
// fresh folder beside the conversions'. On ext4 without a journal a new file steps over every
// file deleted there in the last minutes, so this alone can take seconds after a large delete.
void BM_CreateEmptyFiles(benchmark::State& state)
{
    const int files = static_cast<int>(state.range(0));
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string output = g_folder + "/E" + std::to_string(files) + "-" + std::to_string(run++);
        fs::create_directory(output);
        state.ResumeTiming();
        for (int i = 0; i < files; ++i) {
            std::FILE* file = std::fopen((output + "/" + std::to_string(i) + ".wav").c_str(), "wb");
            if (!file) {
                state.SkipWithError("cannot create a file");
                break;
            }
            std::fclose(file);
        }
    }
    state.counters["files"] = files;
}

BENCHMARK(BM_ConvertCallFile)->Arg(1000)->Arg(4000)->Arg(kGoalTags)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CreateEmptyFiles)->Arg(kGoalTags)->Unit(benchmark::kMillisecond)->UseRealTime();

class GoalReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            if (Counted(run, "tags"))
                seconds_ = run.GetAdjustedRealTime() / 1000.0;
            if (Counted(run, "files"))
                fileSeconds_ = run.GetAdjustedRealTime() / 1000.0;
        }
    }
    void PrintGoal() const
    {
        if (seconds_ > 0)
            std::printf("%d recording tags converted in %.3f s   goal < %.1f s\n", kGoalTags, seconds_, kGoalSeconds);
        if (fileSeconds_ > 0)
            std::printf("making %d empty files in the same place alone takes %.3f s\n",
                        kGoalTags, fileSeconds_);
    }

private:
    static bool Counted(const Run& run, const char* counter)
    {
        const auto found = run.counters.find(counter);
        return found != run.counters.end() && found->second.value == kGoalTags;
    }

    double seconds_ = 0;
    double fileSeconds_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    g_folder = zem::CreateTempFolder("qmfbench");
    if (g_folder.empty()) {
        std::perror("temporary folder");
        return 1;
    }
    GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintGoal();
    benchmark::Shutdown();
    fs::remove_all(g_folder);
    return 0;
}
