#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// _5FormFM: the tone-shift signal generator and its modulation filter.
//
// A frame becomes: a 1 s 615 Hz lead-in, one tone symbol per frame bit (byte 0 first,
// most significant bit first; 470 Hz = 0, 615 Hz = 1, 889 Hz = "same bit as the previous
// symbol"), and a 0.25 s 615 Hz tail, at 16 000 samples per second. The phase of every
// lead-in and symbol sample passes through ModFiltr; the tail does not.

#include "shared/SharedState.h"
#include "shared/Sinks.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tarvel {

inline constexpr int kSampleRate_hz = 16'000;
inline constexpr std::int32_t kAmplitude = 30'000;
inline constexpr int kLeadInSamples = 16'000;
inline constexpr int kTailSamples = 4'000;
inline constexpr int kSymbolCount = 128;
inline constexpr std::uint8_t kRepeatSymbol = 2;

struct ToneSymbol {
    double frequency_hz;
    int length_samples;
};
// Indexed by symbol: 0 (bit 0), 1 (bit 1), 2 (repeat).
inline constexpr std::array<ToneSymbol, 3> kSymbols = {{{470.0, 340}, {615.0, 312}, {889.0, 324}}};
inline constexpr double kLeadInFrequency_hz = 615.0;

// Phase added per sample for a tone, in radians: 2π·f / 16000, in that order.
double phaseStep(double frequency_hz);

// Generator and filter state that lasts for the whole program run.
struct GeneratorState {
    std::int32_t sampleCount = 0; // index of the sample being produced
    std::int32_t amp = 0; // set to 30000 by every run
    double phase = 0.0; // never reset, never wrapped
    double filteredPhase = 0.0; // ModFiltr's output for the latest sample
    double tailPhase = 0.0; // restarts at 0 for every run
    double filtrState = 0.0; // the filter's previous output; never reset
};

// The "Модуляционный фильтр" check box, read afresh for every filtered sample.
class FilterSwitch {
public:
    virtual ~FilterSwitch() = default;
    virtual bool isOn() const = 0;
};

class FixedFilterSwitch final : public FilterSwitch {
public:
    explicit FixedFilterSwitch(bool on) : on_(on) { }
    bool isOn() const override { return on_; }
    void set(bool on) { on_ = on; }

private:
    bool on_;
};

// Everything one run of the generator reads and writes.
struct SignalContext {
    SharedState& shared; // frame (read), samples (written), alfa (read)
    GeneratorState& generator;
    const FilterSwitch& filterSwitch;
    PlotSink& filterChart; // raw − filtered phase, one point per filtered sample
    PlotSink& signalChart; // the finished signal, one point per sample
};

// First-order low-pass on the phase: y = Alfa·x + (1 − Alfa)·FiltrState while the switch
// is on, y = x otherwise. Plots (SampleCount, x − y).
double ModFiltr(SignalContext& ctx, double x);

// Appends one symbol (0, 1 or 2) at SampleCount; any other value appends nothing.
void FormSymbol(SignalContext& ctx, std::uint8_t symbol);

// Fills the sample buffer from index 0 with the whole signal of ctx.shared.frame and
// returns its length N (also left in SampleCount). The buffer behind N is not touched.
std::int32_t FormFM(SignalContext& ctx);

// The 128 tone symbols a frame is sent as.
std::array<std::uint8_t, kSymbolCount> symbolSequence(const Frame& frame);

// N for a frame, without generating it.
std::int32_t signalLength(const Frame& frame);

} // namespace tarvel
