#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The trainer's beeps on the default sound output: a sine of the asked pitch and length,
// played to its end before beep() returns.

#include "trainer/ToneDriver.h"

#include <QByteArray>

namespace tarvel {

class SpeakerTone final : public ToneDevice {
public:
    // Output rate: room for pitches up to its half.
    static constexpr int kSampleRate = 48'000;
    // A long tone is played in pieces of this length, so memory stays small.
    static constexpr int kMaxPiece_ms = 1'000;

    void beep(std::int32_t frequency_hz, std::int32_t duration_ms) override;

    // Signed 16-bit mono samples of the tone, softened at both ends so it does not click.
    static QByteArray toneSamples(std::int32_t frequency_hz, std::int32_t duration_ms);
};

} // namespace tarvel
