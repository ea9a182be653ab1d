// SPDX-License-Identifier: GPL-3.0-or-later
// One press of "выдать" in the core: the generator alone and with its two charts, the
// table's text, both files made in memory as the browser edition makes them, and the whole
// send preparation down to both files on disk.

#include "frame/FrameBuild.h"
#include "signal/ToneSignal.h"
#include "signal/WavBytes.h"
#include "signal/WavFiles.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

using namespace tarvel;

// A generator as it is after a few sends: the phase has grown to some 10^5 rad, as in a
// real session, rather than growing without bound over millions of iterations.
GeneratorState warmGenerator()
{
    SharedState shared;
    shared.frame = buildFrame(FrameParameters {});
    GeneratorState g;
    FixedFilterSwitch on(true);
    NullPlotSink none;
    SignalContext ctx {shared, g, on, none, none};
    for (int i = 0; i < 10; ++i)
        FormFM(ctx);
    return g;
}

void BM_FormFM(benchmark::State& state)
{
    SharedState shared;
    shared.frame = buildFrame(FrameParameters {});
    const GeneratorState start = warmGenerator();
    GeneratorState g = start;
    FixedFilterSwitch on(state.range(0) != 0);
    NullPlotSink none;
    SignalContext ctx {shared, g, on, none, none};
    for (auto _ : state) {
        g = start;
        benchmark::DoNotOptimize(FormFM(ctx));
        benchmark::DoNotOptimize(shared.samples.data());
    }
    state.SetItemsProcessed(state.iterations() * 62100);
}
BENCHMARK(BM_FormFM)->ArgName("filter")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// As the window runs it: both charts receive every point.
void BM_FormFMWithCharts(benchmark::State& state)
{
    SharedState shared;
    shared.frame = buildFrame(FrameParameters {});
    const GeneratorState start = warmGenerator();
    GeneratorState g = start;
    FixedFilterSwitch on(true);
    PointsSink filterChart, signalChart;
    SignalContext ctx {shared, g, on, filterChart, signalChart};
    for (auto _ : state) {
        g = start;
        filterChart.clear();
        benchmark::DoNotOptimize(FormFM(ctx));
    }
}
BENCHMARK(BM_FormFMWithCharts)->Unit(benchmark::kMicrosecond);

void BM_FmSigText(benchmark::State& state)
{
    std::vector<std::int16_t> samples(kSampleBufferSize);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>((i * 7919) % 60001) - 30000;
    for (auto _ : state)
        benchmark::DoNotOptimize(fmSigText(samples));
}
BENCHMARK(BM_FmSigText)->Unit(benchmark::kMicrosecond);

// What the page does for one press of "выдать", step for step: a fresh program state (the
// first send of a session, as `tarvel wav` makes it), the signal, and both files as bytes.
void BM_SendFilesInMemory(benchmark::State& state)
{
    const Frame frame = buildFrame(FrameParameters {});
    for (auto _ : state) {
        SharedState shared;
        shared.frame = frame;
        GeneratorState g;
        FixedFilterSwitch on(true);
        NullPlotSink none;
        SignalContext ctx {shared, g, on, none, none};
        const std::int32_t n = FormFM(ctx);
        benchmark::DoNotOptimize(wavFileBytes(shared.samples, n));
        benchmark::DoNotOptimize(fmSigText(shared.samples));
    }
}
BENCHMARK(BM_SendFilesInMemory)->Unit(benchmark::kMicrosecond);

// The whole send preparation: frame with listings, header, generator, samples, table,
// both files replaced in a temporary folder.
void BM_SendPreparation(benchmark::State& state)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvel-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::filesystem::path folder = pattern;
    SharedState shared;
    const GeneratorState start = warmGenerator();
    GeneratorState g = start;
    FixedFilterSwitch on(true);
    NullPlotSink none;
    LinesSink trace, values, listing;
    SignalContext ctx {shared, g, on, none, none};
    for (auto _ : state) {
        g = start;
        buildFrame(shared.frame, FrameParameters {}, FrameViews {trace, values, listing});
        benchmark::DoNotOptimize(WriteRiff(ctx, folder));
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SendPreparation)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
