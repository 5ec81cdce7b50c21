// A benchmark's main that prints the benchmarks as usual, then the CPU time
// of one over that of another, measured side by side in the same run: the
// medians where --benchmark_repetitions asks for more than one run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace qzbench {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // The median, reported after the repetitions, replaces them.
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                cpu[run.run_name.function_name] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> cpu;
};

// Runs the benchmarks and prints "LABEL, CPU time: R (target: TARGET)" with
// R the time of `over` divided by that of `under`.
inline int RunWithRatio(int argc, char** argv, const char* over, const char* under,
                        const char* label, const char* target) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto a = reporter.cpu.find(over), b = reporter.cpu.find(under);
    if (a != reporter.cpu.end() && b != reporter.cpu.end())
        std::printf("%s, CPU time: %.2f (target: %s)\n", label, a->second / b->second, target);
    return 0;
}

}  // namespace qzbench
