// SPDX-License-Identifier: GPL-3.0-or-later
// The sequence search scored against the phase the sender's unbroken phase gives each
// symbol: it must misread fewer frames than the search that takes every phase as unknown,
// and must keep its phases lined up when the clock is off by a little more than the lead-in
// can tell.

#include "SignalLab.h"
#include "decode/SymbolTrellis.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

constexpr int kBinSamples = 8; // 0.5 ms at 16 kHz

struct Read {
    int wrongSymbols = 0;
    int wrongFrames = 0;
};

// Symbols of `f` read wrong from `s`, a send of it with noise at `snr_dB` (power over the
// clean send's `tonePower`), recorded with a clock `clockError` fast that the reader is not
// told of beyond the symbols' spacing.
int wrongSymbols(bool coherent, const Frame& f, std::span<const float> s, double tonePower, double snr_dB,
    double clockError)
{
    ToneBinner binner(16'000.0);
    std::vector<ToneBin> bins;
    binner.push(s, bins);
    const BinSums sums(bins);
    const SymbolGeometry geometry(BinScale {16'000.0, kBinSamples});
    const double scale = 1.0 / (1.0 + clockError);
    const SymbolTiming timing {kLeadInSamples / kBinSamples * scale, scale};
    const ToneModel model {
        std::sqrt(2.0 * tonePower), tonePower / std::pow(10.0, snr_dB / 10.0), 0.0, coherent};
    const SymbolTrellis trellis(
        sums, geometry, timing, model, TrellisShape {kSymbolCount, kLeadInTone, 0b101u, 160});
    const auto sent = symbolSequence(f);
    int wrong = 0;
    for (std::size_t k = 0; k < sent.size(); ++k)
        wrong += k >= trellis.tones().size() || trellis.tones()[k] != sent[k];
    return wrong;
}

Read readFrames(bool coherent, int frames, double snr_dB, double clockError, unsigned seed)
{
    std::mt19937 rng(seed);
    Read read;
    for (int i = 0; i < frames; ++i) {
        const Frame f = lab::randomFrame(rng);
        std::vector<float> s = lab::send(f);
        const double tonePower = lab::meanSquare(s);
        if (clockError != 0.0)
            s = lab::resample(s, 16'000.0 * (1.0 + clockError), 16'000.0);
        lab::addNoiseAtSnr(s, snr_dB, rng);
        const int wrong = wrongSymbols(coherent, f, s, tonePower, snr_dB, clockError);
        read.wrongSymbols += wrong;
        read.wrongFrames += wrong > 0;
    }
    return read;
}

TEST(SymbolTrellis, ScoringAgainstTheSendersPhaseMisreadsFewerFrames)
{
    const Read plain = readFrames(false, 30, -14.0, 0.0, 5);
    const Read coherent = readFrames(true, 30, -14.0, 0.0, 5);
    EXPECT_GT(plain.wrongSymbols, 0); // near the limit, or the comparison says nothing
    EXPECT_LT(coherent.wrongFrames, plain.wrongFrames) << plain.wrongFrames << " " << coherent.wrongFrames;
}

TEST(SymbolTrellis, PhasesStayLinedUpWithAClockErrorTheLeadInMissed)
{
    // 2e-4 turns 889 Hz by about 3 rad over a frame: unmeasured, the phases would not hold.
    const Read coherent = readFrames(true, 10, -8.0, 2e-4, 6);
    EXPECT_EQ(coherent.wrongSymbols, 0);
}

// Sends whose search without phases reads one early symbol wrong and starts a few samples
// off to make up for its length: every later symbol's phase turns by one angle, and the
// phases measured from that sequence agree with it. The lead-in's phase must set them right.
TEST(SymbolTrellis, AnEarlyWrongSymbolDoesNotTeachItsOwnPhases)
{
    for (const auto& [snr_dB, seed] : {std::pair {-12.0, 12'079u}, {-12.0, 12'124u}, {-11.0, 11'153u}}) {
        std::mt19937 rng(seed);
        const Frame f = lab::randomFrame(rng);
        std::vector<float> s = lab::send(f);
        const double tonePower = lab::meanSquare(s);
        lab::addNoiseAtSnr(s, snr_dB, rng);
        EXPECT_EQ(wrongSymbols(false, f, s, tonePower, snr_dB, 0.0), 1) << seed;
        EXPECT_EQ(wrongSymbols(true, f, s, tonePower, snr_dB, 0.0), 0) << seed;
    }
}

} // namespace
} // namespace tarvel
