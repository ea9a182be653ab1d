#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The decoder's front end: turns samples at any rate into short bins (about 0.5 ms) that
// hold, for each of the three symbol tones, the complex correlation with a reference
// oscillator that runs on without a break from the first sample. Because the reference
// never restarts, the correlation of any run of consecutive bins is the plain sum of
// their values, so symbol intervals of any length cost one subtraction of prefix sums.

#include "signal/ToneSignal.h"

#include <algorithm>
#include <array>
#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvel {

// The tones the decoder listens for are the symbols' own, indexed like them.
inline constexpr int kToneCount = static_cast<int>(kSymbols.size());
inline constexpr double kMinSampleRate_hz = 8'000.0;
inline constexpr double kMaxSampleRate_hz = 96'000.0;

// The symbol that sounds like the lead-in (and the tail): their tone is one of the symbols'.
inline constexpr int kLeadInTone
    = static_cast<int>(std::find_if(kSymbols.begin(), kSymbols.end(), [](const ToneSymbol& s) {
          return s.frequency_hz == kLeadInFrequency_hz;
      }) - kSymbols.begin());
static_assert(kLeadInTone < kToneCount, "the lead-in's tone is one of the symbol tones");

inline constexpr int kLongestSymbol_samples
    = std::max_element(kSymbols.begin(), kSymbols.end(), [](const ToneSymbol& a, const ToneSymbol& b) {
          return a.length_samples < b.length_samples;
      })->length_samples;
inline constexpr int kShortestSymbol_samples
    = std::min_element(kSymbols.begin(), kSymbols.end(), [](const ToneSymbol& a, const ToneSymbol& b) {
          return a.length_samples < b.length_samples;
      })->length_samples;

// How the bins divide a recording: its rate and the samples that make one bin.
struct BinScale {
    double sampleRate_hz;
    int samplesPerBin;
};

struct ToneBin {
    std::array<std::complex<float>, kToneCount> tone; // Σ y[n]·e^(−jω_k·n) over the bin
    float energy; // Σ y[n]² after the DC blocker
    float peak; // max |x[n]| before the DC blocker
};

class ToneBinner {
public:
    // sampleRate_hz must lie within kMinSampleRate_hz..kMaxSampleRate_hz.
    explicit ToneBinner(double sampleRate_hz);

    int samplesPerBin() const { return samplesPerBin_; }
    BinScale scale() const { return {sampleRate_hz_, samplesPerBin_}; }
    double sampleRate_hz() const { return sampleRate_hz_; }
    double binDuration_s() const { return samplesPerBin_ / sampleRate_hz_; }

    // Appends one bin to `out` for every bin completed by these samples; a partial bin
    // waits for the next call. Non-finite samples count as 0 and values are clamped, so
    // that nothing a file holds can poison the running state.
    void push(std::span<const float> samples, std::vector<ToneBin>& out);

private:
    void closeBin(std::vector<ToneBin>& out);

    double sampleRate_hz_;
    int samplesPerBin_;
    // cos and sin of ω_k·m for the offsets m inside one bin: per m, cos₀ sin₀ cos₁ sin₁ cos₂ sin₂
    std::vector<float> reference_;
    std::array<std::complex<double>, kToneCount> rotation_ {}; // e^(−jω_k·n) at the bin start
    std::array<std::complex<double>, kToneCount> rotationStep_ {};
    double dcPole_;
    bool started_ = false;
    float previousInput_ = 0.0f;
    double previousOutput_ = 0.0;
    int fill_ = 0; // samples in the current bin
    std::array<float, kToneCount> accRe_ {}, accIm_ {};
    float accEnergy_ = 0.0f;
    float accPeak_ = 0.0f;
};

// Frequencies of the three symbol tones in Hz, indexed by symbol.
double symbolTone_hz(int symbol);

} // namespace tarvel
