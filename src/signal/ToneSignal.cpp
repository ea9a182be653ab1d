// SPDX-License-Identifier: GPL-3.0-or-later
#include "signal/ToneSignal.h"

#include <cmath>
#include <numbers>

namespace tarvel {

namespace {

// sin × Amp rounded to nearest, ties to even (the default floating-point rounding mode).
std::int16_t toSample(double phase, std::int32_t amp)
{
    return static_cast<std::int16_t>(std::nearbyint(std::sin(phase) * static_cast<double>(amp)));
}

void sampleStep(SignalContext& ctx, double step)
{
    GeneratorState& g = ctx.generator;
    g.phase = g.phase + step;
    g.filteredPhase = ModFiltr(ctx, g.phase);
    ctx.shared.samples[static_cast<std::size_t>(g.sampleCount)] = toSample(g.filteredPhase, g.amp);
    g.sampleCount = g.sampleCount + 1;
}

} // namespace

double phaseStep(double frequency_hz)
{
    return 2.0 * std::numbers::pi * frequency_hz / static_cast<double>(kSampleRate_hz);
}

double ModFiltr(SignalContext& ctx, double x)
{
    GeneratorState& g = ctx.generator;
    double y = x;
    if (ctx.filterSwitch.isOn()) {
        const double alfa = ctx.shared.alfa;
        y = alfa * x + (1.0 - alfa) * g.filtrState;
        g.filtrState = y;
    }
    if (ctx.filterChart.keepsPoints())
        ctx.filterChart.addPoint(static_cast<double>(g.sampleCount), x - y);
    return y;
}

void FormSymbol(SignalContext& ctx, std::uint8_t symbol)
{
    if (symbol >= kSymbols.size())
        return;
    const ToneSymbol& tone = kSymbols[symbol];
    const double step = phaseStep(tone.frequency_hz);
    for (int i = 0; i < tone.length_samples; ++i)
        sampleStep(ctx, step);
}

std::array<std::uint8_t, kSymbolCount> symbolSequence(const Frame& frame)
{
    std::array<std::uint8_t, kSymbolCount> symbols {};
    std::uint8_t previous = kRepeatSymbol;
    std::size_t k = 0;
    for (std::uint8_t byte : frame) {
        for (int bit = 7; bit >= 0; --bit) {
            const auto value = static_cast<std::uint8_t>((byte >> bit) & 1);
            previous = value == previous ? kRepeatSymbol : value;
            symbols[k++] = previous;
        }
    }
    return symbols;
}

std::int32_t signalLength(const Frame& frame)
{
    std::int32_t n = kLeadInSamples + kTailSamples;
    for (std::uint8_t s : symbolSequence(frame))
        n += kSymbols[s].length_samples;
    return n;
}

std::int32_t FormFM(SignalContext& ctx)
{
    GeneratorState& g = ctx.generator;
    g.amp = kAmplitude;
    g.sampleCount = 0;
    g.tailPhase = 0.0;

    const double leadStep = phaseStep(kLeadInFrequency_hz);
    for (int i = 0; i < kLeadInSamples; ++i)
        sampleStep(ctx, leadStep);

    for (std::uint8_t symbol : symbolSequence(ctx.shared.frame))
        FormSymbol(ctx, symbol);

    for (int i = 0; i < kTailSamples; ++i) {
        g.tailPhase = g.tailPhase + leadStep;
        ctx.shared.samples[static_cast<std::size_t>(g.sampleCount)] = toSample(g.tailPhase, g.amp);
        g.sampleCount = g.sampleCount + 1;
    }

    ctx.signalChart.clear();
    if (ctx.signalChart.keepsPoints()) {
        for (std::int32_t i = 0; i < g.sampleCount; ++i)
            ctx.signalChart.addPoint(static_cast<double>(i), ctx.shared.samples[static_cast<std::size_t>(i)]);
    }
    return g.sampleCount;
}

} // namespace tarvel
