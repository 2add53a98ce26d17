// Times "draw rings" with the default values on a 1600 x 1000 pixel canvas,
// whole, against the same segment math drawing nothing (the floor), and
// prints segments per second and the ratio whole / floor.

#include "sim/buffercanvas.h"
#include "sim/rings.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include <unistd.h>

using namespace vorlane::sim;

namespace {

// The main window's outer size that fits the canvas to 1600 x 1000 pixels.
constexpr WindowSize kMain{1000 * 15 + 500, 1600 * 15 + 200};

// Takes every operation and draws nothing; counts the lines.
class NullCanvas final : public Canvas {
public:
    long lines = 0;
    void setHeight(float twips) override { h_ = twips; }
    void setWidth(float twips) override { w_ = twips; }
    float height() const override { return h_; }
    float width() const override { return w_; }
    void setTop(float) override {}
    void setLeft(float) override {}
    void scale(float, float, float, float) override {}
    void cls() override {}
    void setBackColor(Colour) override {}
    void setForeColor(Colour) override {}
    void setDrawWidth(std::int16_t) override {}
    void line(float, float, float, float) override { ++lines; }

private:
    float h_ = 0.0f;
    float w_ = 0.0f;
};

// The mean number of segments of a default picture, from the same stream the
// benchmarks draw.
double segmentsPerPicture() {
    static const double mean = [] {
        constexpr int kPictures = 50;
        NullCanvas canvas;
        Mt19937Source random;
        for (int i = 0; i < kPictures; ++i)
            cmdhex_Click(RingFields{}, kMain, canvas, random);
        return static_cast<double>(canvas.lines - 2 * kPictures) / kPictures;
    }();
    return mean;
}

void report(benchmark::State& state) {
    state.counters["segments/s"] = benchmark::Counter(
        segmentsPerPicture() * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void Floor(benchmark::State& state) {
    NullCanvas canvas;
    Mt19937Source random;
    for (auto _ : state)
        cmdhex_Click(RingFields{}, kMain, canvas, random);
    report(state);
}

void Whole(benchmark::State& state) {
    RingFields fields;
    fields.txtdrawwidth = std::to_string(state.range(0));
    BufferCanvas canvas(1600, 1000);
    Mt19937Source random;
    for (auto _ : state)
        cmdhex_Click(fields, kMain, canvas, random);
    report(state);
}

BENCHMARK(Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(Whole)->Arg(1)->Arg(2)->Arg(3)->Arg(5)->ArgName("pen")->Unit(benchmark::kMillisecond);

// Keeps each run's time per picture so the ratios come from one run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
    std::map<std::string, double> times; // all in the same unit
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("segments per default picture: %.0f\n", segmentsPerPicture());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto floor = reporter.times.find("Floor");
    if (floor != reporter.times.end())
        for (const auto& [name, time] : reporter.times)
            if (name != "Floor")
                std::printf("%-16s / Floor = %.2f\n", name.c_str(), time / floor->second);
    benchmark::Shutdown();
    return 0;
}
