// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Times "draw rings" on a 1600 x 1000 pixel canvas against its floor, the
// values of the same segments in a plain loop (bench/floor.h), for the
// default values, for 100,000 scratches and for pen width 3, on one and on
// two threads. The cases run interleaved, repetition by repetition, so that a
// drift of the machine's speed favours none; the table gives each drawing's
// median time as a ratio to the floor's for the same scratches.
//
//   bench_rings [benchmark options]        the drawing in this process
//   bench_rings --processes RENDER [ROUNDS] whole vorlane-render processes
//   bench_rings --floor N                   the floor for N scratches, alone
//   bench_rings --segments N                the segments of N scratches
//   bench_rings --stages N                  how often the guarded maths of
//                                           N scratches took each stage

#include "floor.h"
#include "machine.h"
#include "sim/command/rings.h"
#include "sim/pixels/buffercanvas.h"
#include "sim/scratch/scratch.h"
#include "wholeprocess.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

using namespace vorlane;
using namespace vorlane::sim;

namespace {

// The main window's outer size that fits the canvas to 1600 x 1000 pixels.
constexpr WindowSize kMain = mainWindowFor(1600, 1000);
const std::int64_t kDefaultScratches = std::stoll(ringDefault("txtlines"));
constexpr int kRepetitions = 9;

void Floor(benchmark::State& state) {
    Mt19937Source random;
    std::int64_t segments = 0;
    for (auto _ : state)
        segments += bench::floorSegments(random, state.range(0));
    state.counters["segments"] =
        benchmark::Counter(static_cast<double>(segments), benchmark::Counter::kAvgIterations);
}

// The whole command: arguments scratches, threads, pen width.
void Whole(benchmark::State& state) {
    RingFields fields;
    fields.txtlines = std::to_string(state.range(0));
    fields.txtdrawwidth = std::to_string(state.range(2));
    const DrawSettings settings{static_cast<int>(state.range(1)), {}};
    BufferCanvas canvas(1600, 1000);
    Mt19937Source random;
    for (auto _ : state)
        cmdhex_Click(fields, kMain, canvas, random, settings);
}

BENCHMARK(Floor)
    ->Arg(kDefaultScratches)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions);
BENCHMARK(Whole)
    ->ArgNames({"scratches", "threads", "pen"})
    ->Args({kDefaultScratches, 1, 1})
    ->Args({kDefaultScratches, 2, 1})
    ->Args({100000, 1, 1})
    ->Args({100000, 2, 1})
    ->Args({kDefaultScratches, 1, 3})
    ->Args({kDefaultScratches, 2, 3})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions);

// Keeps each benchmark's median time and, for the floor, its segments.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
    struct Median {
        double ms = 0.0;
        double segments = 0.0;
    };
    std::map<std::string, Median> medians; // by name
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                const auto segments = run.counters.find("segments");
                medians[run.run_name.function_name + "/" + run.run_name.args] = {
                    run.GetAdjustedRealTime(),
                    segments == run.counters.end() ? 0.0 : segments->second.value};
            }
        ConsoleReporter::ReportRuns(runs);
    }
};

int runInProcess(int argc, char** argv) {
    // Interleaved unless asked otherwise; shorter repetitions, more of them.
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    char minTime[] = "--benchmark_min_time=0.2";
    arguments.insert(arguments.begin() + 1, {interleave, minTime});
    int argumentCount = static_cast<int>(arguments.size());
    benchmark::Initialize(&argumentCount, arguments.data());
    const std::string before = bench::loadAverage();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nCPU: %s\nload average: %s before, %s after\n", bench::cpuModel().c_str(),
                before.c_str(), bench::loadAverage().c_str());
    for (const auto& [name, median] : reporter.medians)
        if (median.segments > 0.0)
            std::printf("%-36s %8.1f ns/segment\n", name.c_str(),
                        median.ms * 1e6 / median.segments);
    // "Whole/scratches:750/threads:1/pen:1" against "Floor/750".
    std::printf("%-36s %10s %8s\n", "case", "median ms", "/ floor");
    for (const auto& [name, median] : reporter.medians) {
        const auto from = name.find("scratches:");
        if (from == std::string::npos)
            continue;
        const std::string count = name.substr(from + 10, name.find('/', from) - from - 10);
        const auto floor = reporter.medians.find("Floor/" + count);
        if (floor != reporter.medians.end())
            std::printf("%-36s %10.3f %8.2f\n", name.c_str(), median.ms, median.ms / floor->second.ms);
    }
    benchmark::Shutdown();
    return 0;
}

// The values of every segment of the default drawing, one thread, counting
// the values that took the library and the reference.
int countStages(std::int64_t scratches) {
    m1::setconstants();
    Mt19937Source random;
    const ScratchRules scratchRules{bench::kNmin, bench::kSpan};
    const SegmentRules segmentRules{bench::kSegmentLength, bench::kAngleLimit,
                                    bench::kScratchGrey, rounded::unlitFrom(bench::kAngleLimit)};
    std::int64_t segments = 0;
    for (std::int64_t i = 0; i < scratches; ++i) {
        const Scratch scratch = makeScratch([&] { return random.next(); }, scratchRules);
        ScratchWalk walk(scratch, segmentRules);
        for (int j = 0; j < scratch.n; ++j)
            benchmark::DoNotOptimize(walk.line(walk.colour()));
        segments += scratch.n;
    }
    const rounded::StageCounts& counts = rounded::stageCounts;
    const auto share = [](std::uint64_t count, std::int64_t of) {
        return 100.0 * static_cast<double>(count) / static_cast<double>(of);
    };
    std::printf("%lld scratches, %lld segments\n", static_cast<long long>(scratches),
                static_cast<long long>(segments));
    std::printf("polar values:  %.6f %% of segments from the reference (%llu)\n",
                share(counts.polarReference, segments),
                static_cast<unsigned long long>(counts.polarReference));
    std::printf("deviation:     %.4f %% of segments need the arctangent, %.6f %% from the "
                "reference (%llu)\n",
                share(counts.deviationLibrary, segments),
                share(counts.deviationReference, segments),
                static_cast<unsigned long long>(counts.deviationReference));
    std::printf("directions:    %.6f %% of scratches from the reference (%llu)\n",
                share(counts.directionReference, scratches),
                static_cast<unsigned long long>(counts.directionReference));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--floor") == 0) {
        Mt19937Source random;
        bench::floorSegments(random, std::atol(argv[2]));
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--segments") == 0) {
        std::printf("%lld\n", static_cast<long long>(bench::segmentsOf(std::atol(argv[2]))));
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--stages") == 0)
        return countStages(std::atol(argv[2]));
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--processes") == 0)
        return bench::compareWholeProcesses(std::filesystem::read_symlink("/proc/self/exe"), argv[2],
                                            argc == 4 ? std::atoi(argv[3]) : 7);
    return runInProcess(argc, argv);
}
