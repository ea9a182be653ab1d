// SPDX-License-Identifier: GPL-3.0-or-later
#include "signal/TestTone.h"

#include "signal/ToneSignal.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace tarvel {

std::vector<std::int16_t> testToneSamples(int frequency_hz, int seconds)
{
    const std::size_t count = static_cast<std::size_t>(std::max(seconds, 0)) * kSampleRate_hz;
    std::vector<std::int16_t> samples(count);
    const double step = 2.0 * std::numbers::pi * frequency_hz / kSampleRate_hz;
    const std::size_t ramp = kSampleRate_hz / 100;
    for (std::size_t i = 0; i < count; ++i) {
        const double edge = std::min({1.0, static_cast<double>(i) / static_cast<double>(ramp),
            static_cast<double>(count - 1 - i) / static_cast<double>(ramp)});
        samples[i] = static_cast<std::int16_t>(
            std::lround(kAmplitude * edge * std::sin(step * static_cast<double>(i))));
    }
    return samples;
}

} // namespace tarvel
