#include "decode/ToneBins.h"

#include "signal/_5FormFM.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarvel {

namespace {

constexpr double kBinDuration_s = 0.0005;
constexpr double kDcCutoff_hz = 20.0; // far below 470 Hz, quick to settle after a DC step
constexpr float kSampleLimit = 1.0e4f;

} // namespace

double symbolTone_hz(int symbol)
{
    return kSymbols[static_cast<std::size_t>(symbol)].frequency_hz;
}

ToneBinner::ToneBinner(double sampleRate_hz)
    : sampleRate_hz_(sampleRate_hz),
      samplesPerBin_(std::max(1, static_cast<int>(std::lround(sampleRate_hz * kBinDuration_s)))),
      dcPole_(std::exp(-2.0 * std::numbers::pi * kDcCutoff_hz / sampleRate_hz))
{
    for (int k = 0; k < kToneCount; ++k) {
        const double omega = 2.0 * std::numbers::pi * symbolTone_hz(k) / sampleRate_hz;
        auto& c = cosTable_[static_cast<std::size_t>(k)];
        auto& s = sinTable_[static_cast<std::size_t>(k)];
        c.resize(static_cast<std::size_t>(samplesPerBin_));
        s.resize(static_cast<std::size_t>(samplesPerBin_));
        for (int m = 0; m < samplesPerBin_; ++m) {
            c[static_cast<std::size_t>(m)] = static_cast<float>(std::cos(omega * m));
            s[static_cast<std::size_t>(m)] = static_cast<float>(std::sin(omega * m));
        }
        rotation_[static_cast<std::size_t>(k)] = 1.0;
        rotationStep_[static_cast<std::size_t>(k)] = std::polar(1.0, -omega * samplesPerBin_);
    }
}

void ToneBinner::push(std::span<const float> samples, std::vector<ToneBin>& out)
{
    for (float raw : samples) {
        float x = std::isfinite(raw) ? std::clamp(raw, -kSampleLimit, kSampleLimit) : 0.0f;
        if (!started_) {
            // Start the blocker settled on the first value: a recording that begins with
            // an offset then shows no step at all.
            previousInput_ = x;
            started_ = true;
        }
        const double y = static_cast<double>(x) - static_cast<double>(previousInput_) + dcPole_ * previousOutput_;
        previousInput_ = x;
        previousOutput_ = y;
        const auto yf = static_cast<float>(y);
        const auto m = static_cast<std::size_t>(fill_);
        for (std::size_t k = 0; k < kToneCount; ++k) {
            accRe_[k] += yf * cosTable_[k][m];
            accIm_[k] -= yf * sinTable_[k][m];
        }
        accEnergy_ += yf * yf;
        accPeak_ = std::max(accPeak_, std::fabs(x));
        if (++fill_ == samplesPerBin_)
            closeBin(out);
    }
}

void ToneBinner::closeBin(std::vector<ToneBin>& out)
{
    ToneBin bin{};
    for (std::size_t k = 0; k < kToneCount; ++k) {
        const std::complex<double> local(accRe_[k], accIm_[k]);
        bin.tone[k] = std::complex<float>(local * rotation_[k]);
        rotation_[k] *= rotationStep_[k];
        rotation_[k] /= std::abs(rotation_[k]); // keep the oscillator on the unit circle
        accRe_[k] = 0.0f;
        accIm_[k] = 0.0f;
    }
    bin.energy = accEnergy_;
    bin.peak = accPeak_;
    accEnergy_ = 0.0f;
    accPeak_ = 0.0f;
    fill_ = 0;
    out.push_back(bin);
}

} // namespace tarvel
