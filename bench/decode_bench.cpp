// Reading a recording back: 5 s at 48 kHz, from samples in memory and from a 16-bit WAV
// file, and a recording with no signal in it (every sample looked at, nothing read).
//
// Two extra modes serve bench/peers-decode.sh:
//   decode_bench --write-recording FILE   writes the 5 s 48 kHz recording the benchmark reads
//   decode_bench --sensitivity [TRIALS]   frame success against SNR, ours and minimodem's

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
        std::string p = (std::filesystem::temp_directory_path() / "tarvel-decode-bench-48k.wav").string();
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

// --- sensitivity ---------------------------------------------------------------------

std::vector<float> readSound(const std::string& path)
{
    SF_INFO info {};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        throw std::runtime_error("cannot read " + path);
    std::vector<float> s(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, s.data(), info.frames);
    sf_close(f);
    return s;
}

std::string run(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[256];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

// Frame success of ours and of minimodem's 50 bit/s FSK (8-N-1, the same 16 bytes) at each
// SNR: signal power over white noise over the whole band at 16 kHz, the same definition
// for both. Ours decodes in-process; minimodem reads a file per trial.
int sensitivity(int trials)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarvel-sensitivity";
    std::filesystem::create_directories(dir);
    const std::string payload = (dir / "payload.bin").string();
    const std::string clean = (dir / "clean.wav").string();
    const std::string noisy = (dir / "noisy.wav").string();
    std::mt19937 rng(42);
    std::printf(
        "SNR dB | tarvel decode frames ok | minimodem --rx 50 frames ok   (%d trials each)\n", trials);
    double oursLimit = 99, theirsLimit = 99;
    for (int snr = -5; snr >= -14; --snr) {
        int ours = 0, theirs = 0;
        for (int t = 0; t < trials; ++t) {
            const Frame f = lab::randomFrame(rng);
            std::vector<float> s = lab::send(f, true, 0.2);
            lab::addNoiseAtSnr(s, snr, rng);
            const DecodeResult r = decodeSamples(s, 16'000.0);
            ours += r.crcOk() && r.frame == f;

            std::ofstream(payload, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), 16);
            std::string command = "minimodem --tx 50 -R 16000 -f ";
            command.append(clean).append(" < ").append(payload);
            run(command);
            std::vector<float> m = readSound(clean);
            lab::gain(m, 0.1); // room for the noise in the file
            lab::addNoiseAtSnr(m, snr, rng);
            lab::writeSound(noisy, m, 16'000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
            const std::string got = run("minimodem --rx 50 -R 16000 -q -f " + noisy + " 2>/dev/null");
            theirs += got == std::string(reinterpret_cast<const char*>(f.data()), 16);
        }
        std::printf("%6d | %4d/%d (%5.1f %%)       | %4d/%d (%5.1f %%)\n", snr, ours, trials,
            100.0 * ours / trials, theirs, trials, 100.0 * theirs / trials);
        std::fflush(stdout);
        if (ours * 100 < 99 * trials && oursLimit == 99)
            oursLimit = snr;
        if (theirs * 100 < 99 * trials && theirsLimit == 99)
            theirsLimit = snr;
        if (oursLimit != 99 && ours == 0 && theirs == 0)
            break;
    }
    std::printf("frame success first drops below 99 %%: tarvel decode at %.0f dB, minimodem at %.0f dB SNR\n",
        oursLimit, theirsLimit);
    std::filesystem::remove_all(dir);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc >= 3 && std::strcmp(argv[1], "--write-recording") == 0) {
            lab::writeSound(argv[2], recording(), static_cast<int>(kRate), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
            return 0;
        }
        if (argc >= 2 && std::strcmp(argv[1], "--sensitivity") == 0)
            return sensitivity(argc >= 3 ? std::atoi(argv[2]) : 200);
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
