// Parser throughput against its floor: parseServerList over replies of 1 000, 100 000 and
// 1 000 000 realistic records, beside a bare memchr pass for the record end over the same bytes.
// The time per record across sizes shows whether the cost stays linear.
#include "ReplyCorpus.h"
#include "ServerListParser.h"
#include "Summary.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string_view>

namespace {

constexpr int Sizes[] = {1'000, 100'000, 1'000'000};

// Generating a million records takes longer than parsing them; each size is built once and
// shared by the parser and its floor so both see the same bytes.
std::string_view replyFor(int records) {
    static std::map<int, QByteArray> replies;
    QByteArray &reply = replies[records];
    if (reply.isEmpty())
        reply = realisticReply(records);
    return {reply.constData(), static_cast<size_t>(reply.size())};
}

void BM_Parse(benchmark::State &state) {
    const int records = static_cast<int>(state.range(0));
    const std::string_view reply = replyFor(records);
    if (parseServerList(reply).size() != static_cast<size_t>(records)) {
        state.SkipWithError("the parser did not read every record");
        return;
    }
    for (auto _ : state) {
        std::vector<ServerEntry> entries = parseServerList(reply);
        benchmark::DoNotOptimize(entries.data());
        // The launcher keeps its list until it exits; freeing it is not part of reading it.
        state.PauseTiming();
        entries = {};
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}

void BM_MemchrFloor(benchmark::State &state) {
    const std::string_view reply = replyFor(static_cast<int>(state.range(0)));
    const char *const end = reply.data() + reply.size();
    for (auto _ : state) {
        size_t found = 0;
        for (const char *at = reply.data();;) {
            const void *hit = std::memchr(at, 0x04, static_cast<size_t>(end - at));
            if (!hit)
                break;
            ++found;
            at = static_cast<const char *>(hit) + 1;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}

void sizes(benchmark::internal::Benchmark *benchmark) {
    for (const int records : Sizes)
        benchmark->Arg(records);
    benchmark->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_Parse)->Apply(sizes);
BENCHMARK(BM_MemchrFloor)->Apply(sizes);

double megabytesPerSecond(size_t bytes, double nanoseconds) {
    return static_cast<double>(bytes) / 1e6 / (nanoseconds / 1e9);
}

} // namespace

int main(int argc, char **argv) {
    const BenchmarkRun run = runBenchmarks(argc, argv);

    std::string report =
        "## Parser throughput\n\n"
        "`parseServerList` over generated replies (addresses, ports, names of a "
        "word or two, descriptions of one to three sentences), beside one "
        "`memchr` pass for 0x04 over the same bytes. Median of the repetitions.\n\n"
        "| records | reply MB | parser MB/s | memchr floor MB/s | parser / floor "
        "time | parser ns per record |\n"
        "|---:|---:|---:|---:|---:|---:|\n";
    std::map<int, double> nsPerRecord;
    double largestMBps = 0;
    double largestRatio = 0;
    for (const int records : Sizes) {
        const std::string suffix = "/" + std::to_string(records);
        const size_t bytes = replyFor(records).size();
        const double parse = run.at("BM_Parse" + suffix).realNsPerIteration;
        const double floor = run.at("BM_MemchrFloor" + suffix).realNsPerIteration;
        nsPerRecord[records] = parse / records;
        largestMBps = megabytesPerSecond(bytes, parse);
        largestRatio = parse / floor;
        report += format("| %d | %.1f | %.0f | %.0f | %.2fx | %.1f |\n", records,
                         static_cast<double>(bytes) / 1e6, largestMBps,
                         megabytesPerSecond(bytes, floor), largestRatio, nsPerRecord[records]);
    }
    const double growth = nsPerRecord[1'000'000] / nsPerRecord[1'000];
    report += "\n| target | figure | verdict |\n|---|---:|---|\n";
    report += format("| at least 500 MB/s at 1 000 000 records | %.0f MB/s | %s |\n", largestMBps,
                     verdict(largestMBps >= 500).c_str());
    report += format("| within 8x of the memchr floor at 1 000 000 records | %.2fx | %s |\n",
                     largestRatio, verdict(largestRatio <= 8).c_str());
    report +=
        format("| time per record at 1 000 000 within 1.5x of that at 1 000 | %.2fx | %s |\n\n",
               growth, verdict(growth <= 1.5).c_str());
    appendReport(run, report);
    return 0;
}
