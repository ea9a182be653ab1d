// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/SpeakerTone.h"

#include "audio/WavPlayer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarvel {

namespace {

constexpr double kAmplitude = 0.5 * 32767.0;
constexpr int kRamp_samples = SpeakerTone::kSampleRate / 500; // 2 ms fade in and out

} // namespace

QByteArray SpeakerTone::toneSamples(std::int32_t frequency_hz, std::int32_t duration_ms)
{
    const int count
        = static_cast<int>(std::int64_t {std::clamp(duration_ms, 0, kMaxPiece_ms)} * kSampleRate / 1000);
    QByteArray pcm(static_cast<qsizetype>(count) * 2, '\0');
    // Pitches the output cannot carry stay silent rather than folding into other pitches.
    if (frequency_hz <= 0 || frequency_hz >= kSampleRate / 2)
        return pcm;
    const double step = 2.0 * std::numbers::pi * frequency_hz / kSampleRate;
    const int ramp = std::max(1, std::min(kRamp_samples, count / 2));
    for (int i = 0; i < count; ++i) {
        const double edge
            = std::min({1.0, static_cast<double>(i) / ramp, static_cast<double>(count - 1 - i) / ramp});
        const auto value = static_cast<std::int16_t>(std::lround(kAmplitude * edge * std::sin(step * i)));
        const qsizetype at = 2 * static_cast<qsizetype>(i);
        pcm[at] = static_cast<char>(value & 0xFF);
        pcm[at + 1] = static_cast<char>((value >> 8) & 0xFF);
    }
    return pcm;
}

void SpeakerTone::beep(std::int32_t frequency_hz, std::int32_t duration_ms)
{
    const PcmLayout format {PcmLayout::Kind::Int16, kSampleRate, 1};
    for (std::int32_t left = duration_ms; left > 0; left -= kMaxPiece_ms)
        playPcm(format, toneSamples(frequency_hz, std::min(left, kMaxPiece_ms)));
}

} // namespace tarvel
