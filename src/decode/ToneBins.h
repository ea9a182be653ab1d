#pragma once
// The decoder's front end: turns samples at any rate into short bins (about 0.5 ms) that
// hold, for each of the three symbol tones, the complex correlation with a reference
// oscillator that runs on without a break from the first sample. Because the reference
// never restarts, the correlation of any run of consecutive bins is the plain sum of
// their values, so symbol intervals of any length cost one subtraction of prefix sums.

#include <array>
#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvel {

inline constexpr int kToneCount = 3; // 470 Hz, 615 Hz, 889 Hz, indexed like the symbols
inline constexpr double kMinSampleRate_hz = 8'000.0;
inline constexpr double kMaxSampleRate_hz = 96'000.0;

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
