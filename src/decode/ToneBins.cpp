// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/ToneBins.h"

#include "signal/ToneSignal.h"

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
    reference_.resize(static_cast<std::size_t>(samplesPerBin_) * 6);
    for (int k = 0; k < kToneCount; ++k) {
        const double omega = 2.0 * std::numbers::pi * symbolTone_hz(k) / sampleRate_hz;
        for (int m = 0; m < samplesPerBin_; ++m) {
            const auto at = static_cast<std::size_t>(m) * 6 + static_cast<std::size_t>(k) * 2;
            reference_[at] = static_cast<float>(std::cos(omega * m));
            reference_[at + 1] = static_cast<float>(std::sin(omega * m));
        }
        rotation_[static_cast<std::size_t>(k)] = 1.0;
        rotationStep_[static_cast<std::size_t>(k)] = std::polar(1.0, -omega * samplesPerBin_);
    }
}

void ToneBinner::push(std::span<const float> samples, std::vector<ToneBin>& out)
{
    std::size_t i = 0;
    while (i < samples.size()) {
        const std::size_t take
            = std::min(samples.size() - i, static_cast<std::size_t>(samplesPerBin_ - fill_));
        // Locals rather than members, so that the accumulators stay in registers.
        float re0 = accRe_[0], im0 = accIm_[0], re1 = accRe_[1], im1 = accIm_[1], re2 = accRe_[2],
              im2 = accIm_[2];
        float energy = accEnergy_, peak = accPeak_;
        double prevOut = previousOutput_;
        float prevIn = previousInput_;
        const float* table = reference_.data() + static_cast<std::size_t>(fill_) * 6;
        for (std::size_t j = 0; j < take; ++j, table += 6) {
            const float raw = samples[i + j];
            const float x = std::isfinite(raw) ? std::clamp(raw, -kSampleLimit, kSampleLimit) : 0.0f;
            if (!started_) {
                // Start the blocker settled on the first value: a recording that begins
                // with an offset then shows no step at all.
                prevIn = x;
                started_ = true;
            }
            prevOut = static_cast<double>(x - prevIn) + dcPole_ * prevOut;
            prevIn = x;
            const auto y = static_cast<float>(prevOut);
            re0 += y * table[0];
            im0 -= y * table[1];
            re1 += y * table[2];
            im1 -= y * table[3];
            re2 += y * table[4];
            im2 -= y * table[5];
            energy += y * y;
            peak = std::max(peak, std::fabs(x));
        }
        accRe_ = {re0, re1, re2};
        accIm_ = {im0, im1, im2};
        accEnergy_ = energy;
        accPeak_ = peak;
        previousOutput_ = prevOut;
        previousInput_ = prevIn;
        i += take;
        fill_ += static_cast<int>(take);
        if (fill_ == samplesPerBin_)
            closeBin(out);
    }
}

void ToneBinner::closeBin(std::vector<ToneBin>& out)
{
    ToneBin bin {};
    for (std::size_t k = 0; k < kToneCount; ++k) {
        const std::complex<double> local(static_cast<double>(accRe_[k]), static_cast<double>(accIm_[k]));
        bin.tone[k] = std::complex<float>(local * rotation_[k]);
        rotation_[k] *= rotationStep_[k];
        rotation_[k] *= 1.5 - 0.5 * std::norm(rotation_[k]); // back onto the unit circle, no square root
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
