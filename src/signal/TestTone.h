#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The steady tone at the signal's own level and rate, by which the output volume is set
// before a send (tarvel tone, the page's test-tone button).

#include "signal/ToneSignal.h"

#include <cstdint>
#include <vector>

namespace tarvel {

// The lead-in's pitch: a tone the interface hears as its own.
inline constexpr int kTestToneDefault_hz = static_cast<int>(kLeadInFrequency_hz);

// `seconds` of a sine at `frequency_hz`, amplitude kAmplitude, 16 000 samples per second,
// faded in and out over 10 ms so that it does not click.
std::vector<std::int16_t> testToneSamples(int frequency_hz, int seconds);

} // namespace tarvel
