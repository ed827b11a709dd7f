// Console output as usual, then each benchmark's throughput (median of its repetitions) and
// its ratio to a baseline benchmark of the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // baselinePrefix: the start of the baseline benchmark's name; label: how it is printed.
    RatioReporter(std::string baselinePrefix, std::string label)
        : baselinePrefix_(std::move(baselinePrefix)), label_(std::move(label))
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto found = run.counters.find("bytes_per_second");
            if (run.run_type == Run::RT_Iteration && !run.error_occurred &&
                found != run.counters.end())
                rates_[run.run_name.str()].push_back(found->second.value);
        }
    }

    // The median throughput of the benchmark whose name starts with prefix, 0 without one.
    double Rate(const std::string& prefix) const
    {
        for (const auto& [name, rate] : Medians()) {
            if (name.rfind(prefix, 0) == 0)
                return rate;
        }
        return 0;
    }

    void PrintRatios() const
    {
        const std::map<std::string, double> medians = Medians();
        double baseline = 0;
        for (const auto& [name, rate] : medians) {
            if (name.rfind(baselinePrefix_, 0) == 0)
                baseline = rate;
        }
        for (const auto& [name, rate] : medians) {
            std::printf("%-32s %8.1f MB/s", name.c_str(), rate / 1e6);
            if (baseline > 0)
                std::printf("   ratio to %s %.2f", label_.c_str(), rate / baseline);
            std::printf("\n");
        }
    }

private:
    std::map<std::string, double> Medians() const
    {
        std::map<std::string, double> medians;
        for (auto [name, rates] : rates_) {
            std::sort(rates.begin(), rates.end());
            medians[name] = rates[rates.size() / 2];
        }
        return medians;
    }

    std::string baselinePrefix_;
    std::string label_;
    std::map<std::string, std::vector<double>> rates_;
};
