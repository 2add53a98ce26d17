// Times "draw rings" on a 1600 x 1000 pixel canvas against its floor, the
// segment math of the drawing rules in a plain loop (no canvas, no virtual
// call), for the default values, for 100,000 scratches and for pen width 3,
// on one and on two threads; prints each drawing's time as a ratio to the
// floor of the same scratches, from the same run.

#include "sim/buffercanvas.h"
#include "sim/m1.h"
#include "sim/rings.h"
#include "sim/scratch.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include <unistd.h>

using namespace vorlane::sim;

namespace {

// The main window's outer size that fits the canvas to 1600 x 1000 pixels.
constexpr WindowSize kMain = mainWindowFor(1600, 1000);
constexpr std::int64_t kDefaultScratches = 750;

// The default values' segments from the program's stream, drawn nowhere.
void Floor(benchmark::State& state) {
    m1::setconstants();
    const ScratchRules scratchRules{4, 96};
    const SegmentRules segmentRules{0.02f, 15.0f, 50};
    Mt19937Source random;
    std::int64_t segments = 0;
    for (auto _ : state)
        for (std::int64_t i = 0; i < state.range(0); ++i) {
            const Scratch scratch = makeScratch([&] { return random.next(); }, scratchRules);
            ScratchWalk walk(scratch, segmentRules);
            for (std::int32_t j = 0; j < scratch.n; ++j) {
                const Colour colour = walk.colour();
                benchmark::DoNotOptimize(walk.line(colour));
            }
            segments += scratch.n;
        }
    state.counters["segments/s"] =
        benchmark::Counter(static_cast<double>(segments), benchmark::Counter::kIsRate);
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
    ->Repetitions(5);
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
    ->Repetitions(5);

// Keeps each benchmark's median time, so the ratios come from one run and
// a passing disturbance of a shared machine moves them little.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
    std::map<std::string, double> times; // by name, all in the same unit
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                times[run.run_name.function_name + "/" + run.run_name.args] =
                    run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // "Whole/scratches:750/threads:1/pen:1" against "Floor/750".
    for (const auto& [name, time] : reporter.times) {
        const auto from = name.find("scratches:");
        if (from == std::string::npos)
            continue;
        const std::string count = name.substr(from + 10, name.find('/', from) - from - 10);
        const auto floor = reporter.times.find("Floor/" + count);
        if (floor != reporter.times.end())
            std::printf("%-36s / floor = %.2f\n", name.c_str(), time / floor->second);
    }
    benchmark::Shutdown();
    return 0;
}
