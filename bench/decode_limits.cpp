// SPDX-License-Identifier: GPL-3.0-or-later
// How far down `tarvel decode` reads, and that it never takes a wrong frame for a good one.
//
//   decode_limits curve [TRIALS] [--ours-only] [HIGH LOW]
//                                                frame success against SNR, −6 to −16 dB (or
//                                                HIGH down to LOW), ours and minimodem's in the
//                                                same run; one line per SNR: "snr ours% theirs%
//                                                wrong-accepts corrected rejections-per-recording
//                                                wrong-frame-bound"
//   decode_limits false-accepts [NOISE] [BROKEN] noise-only recordings and clean recordings of
//                                                frames with a broken CRC: how many pass
//
// SNR is the signal's own power over white Gaussian noise across the whole band at 16 kHz;
// minimodem sends the same 16 bytes at 50 bit/s (8-N-1) and must print them exactly. Every
// run is seeded, so two runs of one build print the same figures.

#include "../tests/decode/SignalLab.h"
#include "decode/RecordingReader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

using namespace tarvel;

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

int curve(int trials, bool oursOnly, int high, int low)
{
    // A folder of its own: two runs at once must not share (and remove) each other's files.
    const std::filesystem::path dir
        = std::filesystem::temp_directory_path() / ("tarvel-decode-limits-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string payload = (dir / "payload.bin").string();
    const std::string clean = (dir / "clean.wav").string();
    const std::string noisy = (dir / "noisy.wav").string();
    std::printf(
        "# SNR dB, tarvel decode %% frames right, minimodem --rx 50 %% frames right, tarvel wrong frames "
        "passed as good, tarvel frames put right by the CRC, sequences the CRC alone turned away per "
        "recording, the chance of a wrong frame per recording that follows (%d trials each)\n",
        trials);
    double oursSeconds = 0.0;
    for (int snr = high; snr >= low; --snr) {
        int ours = 0, theirs = 0, wrong = 0, corrected = 0;
        long rejections = 0;
        for (int t = 0; t < trials; ++t) {
            // Each trial seeded on its own: a run of ours alone reads exactly the recordings
            // of a run beside minimodem.
            std::mt19937 rng(static_cast<unsigned>(1000 * (-snr) + t));
            const Frame f = lab::randomFrame(rng);
            std::vector<float> s = lab::send(f, true, 0.2);
            lab::addNoiseAtSnr(s, snr, rng);
            const auto start = std::chrono::steady_clock::now();
            const DecodeResult r = decodeSamples(s, 16'000.0);
            oursSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            ours += r.crcOk() && r.frame == f;
            if (std::getenv("DECODE_MISSES") && !(r.crcOk() && r.frame == f))
                std::fprintf(stderr, "miss: snr %d trial %d: %s, %d symbols\n", snr, t,
                    r.crcOk()              ? "WRONG FRAME"
                        : r.reason.empty() ? "CRC mismatch"
                                           : r.reason.c_str(),
                    r.symbolsRead);
            wrong += r.crcOk() && r.frame != f;
            corrected += r.crcOk() && r.frame == f && r.correctedSymbols > 0;
            rejections += r.crcRejections.count();
            if (oursOnly)
                continue;
            std::ofstream(payload, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), 16);
            run("minimodem --tx 50 -R 16000 -f " + clean + " < " + payload);
            std::vector<float> m = readSound(clean);
            lab::gain(m, 0.1); // room for the noise in the file
            lab::addNoiseAtSnr(m, snr, rng);
            lab::writeSound(noisy, m, 16'000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
            const std::string got = run("minimodem --rx 50 -R 16000 -q -f " + noisy + " 2>/dev/null");
            theirs += got == std::string(reinterpret_cast<const char*>(f.data()), 16);
        }
        // Each sequence the CRC alone turned away could have passed by chance: their mean
        // number times 2^-16 bounds the chance of a wrong frame per recording.
        const double perRecording = static_cast<double>(rejections) / trials;
        std::printf("%d %.1f %s %d %d %.2f %.1e\n", snr, 100.0 * ours / trials,
            oursOnly ? "-" : std::to_string(100.0 * theirs / trials).substr(0, 5).c_str(), wrong, corrected,
            perRecording, perRecording / 65'536.0);
        std::fflush(stdout);
    }
    std::printf("# tarvel decode: %.2f ms per recording in process (%d recordings)\n",
        1000.0 * oursSeconds / ((high - low + 1.0) * trials), (high - low + 1) * trials);
    std::filesystem::remove_all(dir);
    return 0;
}

int falseAccepts(int noiseOnly, int broken)
{
    std::mt19937 rng(77);
    int passed = 0, leadIns = 0;
    long rejections = 0;
    for (int i = 0; i < noiseOnly; ++i) {
        // 5 s of noise at a level anywhere from −40 to 0 dBFS.
        std::vector<float> x(80'000, 0.0f);
        lab::addNoise(x, std::pow(10.0, -std::uniform_real_distribution<double>(0.0, 4.0)(rng)), rng);
        const DecodeResult r = decodeSamples(x, 16'000.0);
        passed += r.crcOk();
        leadIns += r.outcome != DecodeOutcome::NoSignal;
        rejections += r.crcRejections.count();
    }
    std::printf("noise only: %d recordings, %d with something like a lead-in, %d passed as a good frame, "
                "%ld sequences turned away by the CRC alone\n",
        noiseOnly, leadIns, passed, rejections);
    passed = 0;
    rejections = 0;
    int mismatch = 0;
    for (int i = 0; i < broken; ++i) {
        Frame f = lab::randomFrame(rng);
        const int bit = std::uniform_int_distribution<int>(16, 127)(rng); // anywhere after the markers
        f[static_cast<std::size_t>(bit / 8)]
            = static_cast<std::uint8_t>(f[static_cast<std::size_t>(bit / 8)] ^ (0x80u >> (bit % 8)));
        const DecodeResult r = decodeSamples(lab::send(f, true, 0.2), 16'000.0);
        passed += r.crcOk();
        mismatch += r.decoded() && !r.crcOk() && r.frame == f;
        rejections += r.crcRejections.count();
    }
    std::printf("broken CRC, clean: %d recordings, %d read as sent with \"CRC mismatch\", %d passed as good, "
                "%ld sequences turned away by the CRC alone\n",
        broken, mismatch, passed, rejections);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (mode == "curve") {
        const bool oursOnly = argc >= 4 && std::strcmp(argv[3], "--ours-only") == 0;
        const int high = argc >= 6 ? std::atoi(argv[4]) : -6;
        const int low = argc >= 6 ? std::atoi(argv[5]) : -16;
        return curve(argc >= 3 ? std::atoi(argv[2]) : 200, oursOnly, high, low);
    }
    if (mode == "false-accepts")
        return falseAccepts(argc >= 3 ? std::atoi(argv[2]) : 10'000, argc >= 4 ? std::atoi(argv[3]) : 1'000);
    std::fprintf(stderr,
        "usage: decode_limits curve [TRIALS] [--ours-only [HIGH LOW]] | false-accepts [NOISE] [BROKEN]\n");
    return 2;
}
