// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a recording back: 5 s at 48 kHz, from samples in memory and from a 16-bit WAV
// file, and a recording with no signal in it (every sample looked at, nothing read).
//
// One extra mode serves bench/peers-decode.sh:
//   decode_bench --write-recording FILE   writes the 5 s 48 kHz recording the benchmark reads
// (frame success against SNR and the false accepts are measured by bench/decode_limits).

#include "../tests/decode/SignalLab.h"
#include "decode/RecordingReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

using namespace tarvel;

constexpr double kRate = 48'000.0;
constexpr double kLength_s = 5.0;

// The default frame's send with silence around it to 5 s, light noise, at 48 kHz.
const std::vector<float>& recording()
{
    static const std::vector<float> samples = [] {
        std::mt19937 rng(1);
        Frame f = lab::randomFrame(rng);
        std::vector<float> s = lab::send(f);
        const double spare = kLength_s - static_cast<double>(s.size()) / 16'000.0;
        std::vector<float> r
            = lab::resample(lab::pad(s, 16'000.0, spare / 2, spare / 2, 1e-6, rng), 16'000.0, kRate);
        r.resize(static_cast<std::size_t>(kLength_s * kRate), 0.0f);
        return r;
    }();
    return samples;
}

std::string recordingFile()
{
    static const std::string path = [] {
        const std::string p
            = (std::filesystem::temp_directory_path() / "tarvel-decode-bench-48k.wav").string();
        lab::writeSound(p, recording(), static_cast<int>(kRate), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        return p;
    }();
    return path;
}

void BM_DecodeSamples5s48k(benchmark::State& state)
{
    const std::vector<float>& s = recording();
    for (auto _ : state) {
        DecodeResult r = decodeSamples(s, kRate);
        if (!r.crcOk())
            state.SkipWithError("the recording did not decode");
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_DecodeSamples5s48k)->Unit(benchmark::kMillisecond);

void BM_DecodeFile5s48k(benchmark::State& state)
{
    const std::string path = recordingFile();
    for (auto _ : state) {
        DecodeResult r = decodeRecording(path);
        if (!r.crcOk())
            state.SkipWithError("the file did not decode");
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_DecodeFile5s48k)->Unit(benchmark::kMillisecond);

void BM_ScanNoise5s48k(benchmark::State& state)
{
    std::mt19937 rng(2);
    std::vector<float> s(static_cast<std::size_t>(kLength_s * kRate), 0.0f);
    lab::addNoise(s, 0.01, rng);
    for (auto _ : state) {
        DecodeResult r = decodeSamples(s, kRate);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_ScanNoise5s48k)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc >= 3 && std::strcmp(argv[1], "--write-recording") == 0) {
            lab::writeSound(argv[2], recording(), static_cast<int>(kRate), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
            return 0;
        }
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv))
            return 1;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        std::filesystem::remove(recordingFile());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "decode_bench: %s\n", e.what());
        return 1;
    }
}
