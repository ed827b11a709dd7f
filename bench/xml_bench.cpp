// XML parse and write speed of XmlElement next to raw expat on the same 1 MB document.
#include "ZemBaseLib/xmlelement.h"

#include "ratioreporter.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <expat.h>
#include <string>
#include <vector>

namespace {

const std::string& Document()
{
    static const std::string doc = [] {
        std::string text = "<calls>\r\n";
        for (int i = 0; text.size() < (1u << 20); ++i) {
            char line[256];
            std::snprintf(line, sizeof line,
                          "  <call id=\"%d\" channel=\"%d\"><starttime>2003-07-15 12:%02d:%02d.000"
                          "</starttime><group>Zug %d</group><callid>%d</callid></call>\r\n",
                          i, i % 32, i % 60, (i * 7) % 60, i % 12, 100000 + i);
            text += line;
        }
        return text + "</calls>\r\n";
    }();
    return doc;
}

void RawExpat(benchmark::State& state)
{
    const std::string& doc = Document();
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetElementHandler(parser, [](void*, const XML_Char*, const XML_Char**) {},
                              [](void*, const XML_Char*) {});
        XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
        const bool ok = XML_Parse(parser, doc.data(), static_cast<int>(doc.size()), 1);
        XML_ParserFree(parser);
        if (!ok)
            state.SkipWithError("expat failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}

void XmlElementParse(benchmark::State& state)
{
    const std::string& doc = Document();
    for (auto _ : state) {
        XmlElement root;
        if (!root.Parse(doc))
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(root.CountChildren());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}

void XmlElementParseAndSerialize(benchmark::State& state)
{
    const std::string& doc = Document();
    std::string out;
    for (auto _ : state) {
        XmlElement root;
        root.Parse(doc);
        root.Serialize(out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}

BENCHMARK(RawExpat)->Unit(benchmark::kMillisecond);
BENCHMARK(XmlElementParse)->Unit(benchmark::kMillisecond);
BENCHMARK(XmlElementParseAndSerialize)->Unit(benchmark::kMillisecond);

// The usual ratios, then each measure's ratio to raw expat next to the goal set for it.
class GoalReporter : public RatioReporter {
public:
    GoalReporter() : RatioReporter("RawExpat", "raw expat") {}

    void PrintGoals() const
    {
        const struct {
            const char* name;
            double goal;
        } kGoals[] = {{"XmlElementParse", 0.7}, {"XmlElementParseAndSerialize", 0.7}};
        const double baseline = Rate("RawExpat");
        for (const auto& goal : kGoals) {
            const double rate = Rate(goal.name);
            if (baseline > 0 && rate > 0)
                std::printf("%-32s ratio to raw expat %.2f   goal >= %.2f\n", goal.name,
                            rate / baseline, goal.goal);
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    // One run of each is at the mercy of whatever else the machine does: by default each is
    // measured five times, the three measures taking turns, and the medians compared. Options
    // given on the command line come later and win.
    std::vector<char*> args = {argv[0]};
    char repetitions[] = "--benchmark_repetitions=5";
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.end(), {repetitions, interleaving});
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    reporter.PrintGoals();
    benchmark::Shutdown();
    return 0;
}
