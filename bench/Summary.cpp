// Collecting reporter and markdown output for the benchmark binaries; see Summary.h.
#include "Summary.h"

#include <benchmark/benchmark.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <vector>

namespace {

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    explicit CollectingReporter(std::map<std::string, Measured> &results) : results(results) {}

    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            // With repetitions the median replaces the single runs; without, the run stands.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median)
                continue;
            const std::string name = run.run_name.str();
            if (!median && results.count(name) && sawMedian.count(name))
                continue;
            if (median)
                sawMedian[name] = true;
            Measured &measured = results[name];
            // A median's accumulated time is the median of the repetitions' totals, and all
            // repetitions run the same number of iterations.
            measured.realNsPerIteration =
                run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
            measured.counters.clear();
            for (const auto &[key, counter] : run.counters)
                measured.counters[key] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

private:
    std::map<std::string, Measured> &results;
    std::map<std::string, bool> sawMedian;
};

} // namespace

const Measured &BenchmarkRun::at(const std::string &name) const {
    const auto found = results.find(name);
    if (found == results.end())
        throw std::runtime_error("benchmark " + name + " did not run (filtered out or failed)");
    return found->second;
}

BenchmarkRun runBenchmarks(int argc, char **argv) {
    BenchmarkRun run;
    const std::string reportFlag = "--report=";
    std::vector<char *> arguments;
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind(reportFlag, 0) == 0)
            run.reportPath = argument.substr(reportFlag.size());
        else
            arguments.push_back(argv[i]);
    }
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        std::exit(2);
    CollectingReporter reporter(run.results);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return run;
}

std::string verdict(bool met) {
    return met ? "met" : "**not met**";
}

std::string format(const char *pattern, ...) {
    char buffer[1024];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(buffer, sizeof buffer, pattern, arguments);
    va_end(arguments);
    return buffer;
}

void appendReport(const BenchmarkRun &run, const std::string &markdown) {
    std::cout << '\n' << markdown << std::flush;
    if (run.reportPath.empty())
        return;
    std::ofstream out(run.reportPath, std::ios::app);
    out << markdown;
    if (!out)
        throw std::runtime_error("cannot write " + run.reportPath);
}
