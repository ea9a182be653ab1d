#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The symbol reader's view of the tone bins: prefix sums, so that the correlation of any
// interval costs one subtraction, the symbol lengths in bins, and where the symbols sit.

#include "decode/ToneBins.h"
#include "signal/ToneSignal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <span>
#include <vector>

namespace tarvel {

using BinIndex = std::ptrdiff_t;

inline BinIndex nearestBin(double x)
{
    return static_cast<BinIndex>(std::lround(x));
}

class BinSums {
public:
    // `clockError` > 0 when the tones run fast: each tone's bins are turned back by the
    // offset it has, so that a long interval adds up coherently even 3 % off frequency.
    BinSums(std::span<const ToneBin> bins, double clockError = 0.0, double binDuration_s = 0.0) : bins_(bins)
    {
        const std::size_t n = bins.size();
        std::array<std::complex<double>, kToneCount> step {};
        for (std::size_t k = 0; k < kToneCount; ++k) {
            tone_[k].assign(n + 1, std::complex<double> {});
            step[k] = std::polar(1.0,
                -2.0 * std::numbers::pi * symbolTone_hz(static_cast<int>(k)) * clockError * binDuration_s);
        }
        energy_.assign(n + 1, 0.0);
        std::array<std::complex<double>, kToneCount> turn {1.0, 1.0, 1.0};
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t k = 0; k < kToneCount; ++k) {
                tone_[k][i + 1] = tone_[k][i] + std::complex<double>(bins[i].tone[k]) * turn[k];
                if (clockError != 0.0)
                    turn[k] *= step[k];
            }
            energy_[i + 1] = energy_[i] + static_cast<double>(bins[i].energy);
        }
    }

    BinIndex size() const { return static_cast<BinIndex>(bins_.size()); }

    std::complex<double> tone(int k, BinIndex a, BinIndex b) const
    {
        a = clampIndex(a);
        b = clampIndex(b);
        if (b <= a)
            return {};
        const auto& p = tone_[static_cast<std::size_t>(k)];
        return p[static_cast<std::size_t>(b)] - p[static_cast<std::size_t>(a)];
    }

    double energy(BinIndex a, BinIndex b) const
    {
        a = clampIndex(a);
        b = clampIndex(b);
        return b <= a ? 0.0 : energy_[static_cast<std::size_t>(b)] - energy_[static_cast<std::size_t>(a)];
    }

    float peak(BinIndex a, BinIndex b) const
    {
        float p = 0.0f;
        for (BinIndex i = clampIndex(a); i < clampIndex(b); ++i)
            p = std::max(p, bins_[static_cast<std::size_t>(i)].peak);
        return p;
    }

    // |C|² per bin: the fair way to compare tones over intervals of different length.
    double score(int k, BinIndex a, BinIndex b) const
    {
        a = clampIndex(a);
        b = clampIndex(b);
        return b <= a ? 0.0 : std::norm(tone(k, a, b)) / static_cast<double>(b - a);
    }

private:
    BinIndex clampIndex(BinIndex i) const { return std::clamp<BinIndex>(i, 0, size()); }

    std::span<const ToneBin> bins_;
    std::array<std::vector<std::complex<double>>, kToneCount> tone_;
    std::vector<double> energy_;
};

struct SymbolGeometry {
    explicit SymbolGeometry(BinScale s)
            : samplesPerBin(s.samplesPerBin), binDuration_s(s.samplesPerBin / s.sampleRate_hz),
              binsPerNominalSample(s.sampleRate_hz / (static_cast<double>(kSampleRate_hz) * s.samplesPerBin))
    {
        for (std::size_t k = 0; k < kToneCount; ++k)
            symbolBins[k] = kSymbols[k].length_samples * binsPerNominalSample;
        leadInBins = kLeadInSamples * binsPerNominalSample;
        window = std::max<BinIndex>(4, std::lround(0.020 / binDuration_s));
        boundaryWindow
            = std::max<BinIndex>(2, std::lround(0.5 * (kShortestSymbol_samples * binsPerNominalSample)));
        boundarySearch = std::max<BinIndex>(3, std::lround(0.003 / binDuration_s));
    }
    int samplesPerBin;
    double binDuration_s;
    double binsPerNominalSample; // bins per sample of the sender's clock
    std::array<double, kToneCount> symbolBins {}; // nominal lengths at the sender's clock
    double leadInBins;
    BinIndex window; // about 20 ms: short enough that a clock error costs no coherence
    BinIndex boundaryWindow; // half a symbol on each side of a tone change
    BinIndex boundarySearch; // how far a tone change may sit from where the timing puts it
};

// Symbol k starts at origin + scale·(nominal bins of the symbols before it).
struct SymbolTiming {
    double origin;
    double scale; // 1 / (1 + clock error)
};

} // namespace tarvel
