// Shared plumbing for the Google Benchmark binaries: run what is registered, keep each
// benchmark's median, and append a markdown section that sets each figure beside its floor and
// its target. Ratios are judged in the same run because the machines are shared and noisy.
#pragma once

#include <map>
#include <string>

struct Measured {
    double realNsPerIteration = 0;
    std::map<std::string, double> counters;
};

struct BenchmarkRun {
    // By run name, e.g. "BM_Parse/1000": the median over repetitions when there were any.
    std::map<std::string, Measured> results;
    // Where the markdown section goes; empty when --report=FILE was not given.
    std::string reportPath;

    const Measured &at(const std::string &name) const;
};

// Takes --report=FILE out of the arguments, hands the rest to Google Benchmark, runs everything
// registered with the console output as usual, and collects the figures.
BenchmarkRun runBenchmarks(int argc, char **argv);

// "met" or "**not met**", so a miss stands out in the rendered report.
std::string verdict(bool met);

// printf-style formatting for report lines.
std::string format(const char *pattern, ...) __attribute__((format(printf, 1, 2)));

// Appends to the report file (and echoes to stdout so a console run shows the verdicts).
void appendReport(const BenchmarkRun &run, const std::string &markdown);
