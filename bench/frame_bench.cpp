// SPDX-License-Identifier: GPL-3.0-or-later
// Frame build with CRC-16 and listings, as one press of "сформировать" does it.

#include "frame/Crc16.h"
#include "frame/FrameBuild.h"

#include <benchmark/benchmark.h>

namespace {

void BM_BuildFrame(benchmark::State& state)
{
    tarvel::FrameParameters p;
    tarvel::Frame frame {};
    for (auto _ : state) {
        p.voxThreshold = 1 + (p.voxThreshold % 100); // vary the input a little
        frame = tarvel::buildFrame(p);
        benchmark::DoNotOptimize(frame);
    }
}
BENCHMARK(BM_BuildFrame);

void BM_BuildFrameWithListings(benchmark::State& state)
{
    tarvel::FrameParameters p;
    tarvel::Frame frame {};
    tarvel::LinesSink trace, values, listing;
    for (auto _ : state) {
        tarvel::buildFrame(frame, p, tarvel::FrameViews {trace, values, listing});
        benchmark::DoNotOptimize(frame);
    }
}
BENCHMARK(BM_BuildFrameWithListings);

void BM_FrameCrcOnly(benchmark::State& state)
{
    tarvel::Frame frame = tarvel::buildFrame(tarvel::FrameParameters {});
    tarvel::NullTextSink none;
    for (auto _ : state)
        benchmark::DoNotOptimize(tarvel::FrameCrc(frame, none));
}
BENCHMARK(BM_FrameCrcOnly);

} // namespace

BENCHMARK_MAIN();
