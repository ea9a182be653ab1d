// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound-cli/SendVerdict.h"

#include "decode/RecordingReader.h"
#include "frame/FrameBuild.h"
#include "shared/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace tarvel {

namespace {

// A 16-bit sample at either end of its range: the sound was cut off there.
constexpr int kFullScale = 32'767;

std::string dB(double value)
{
    if (!std::isfinite(value))
        return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::fabs(value) < 0.05 ? 0.0 : value);
    return text;
}

int peakOf(std::span<const std::int16_t> samples)
{
    int peak = 0;
    for (std::int16_t s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
}

double toDb(int peak)
{
    return peak == 0 ? -std::numeric_limits<double>::infinity()
                     : 20.0 * std::log10(std::min(peak, kFullScale) / static_cast<double>(kFullScale));
}

// The longest stretch inside the signal (between the first and the last sample within
// 26 dB of the peak) that stays more than 26 dB below the peak.
struct Gap {
    std::size_t at = 0;
    std::size_t length = 0;
};
Gap longestGap(std::span<const std::int16_t> samples, int peak)
{
    const int floor = peak / 20;
    const auto loud = [floor](std::int16_t s) { return std::abs(static_cast<int>(s)) > floor; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    Gap longest;
    if (first == samples.end())
        return longest;
    const auto end = last.base();
    for (auto i = first; i != end;) {
        const auto quiet = std::find_if_not(i, end, loud);
        const auto next = std::find_if(quiet, end, loud);
        const auto length = static_cast<std::size_t>(next - quiet);
        if (length > longest.length)
            longest = {static_cast<std::size_t>(quiet - samples.begin()), length};
        i = next;
    }
    return longest;
}

} // namespace

SendVerdict judgeRecording(std::span<const std::int16_t> samples, double sampleRate_hz, const Frame& sent)
{
    SendVerdict verdict;
    const int peak = peakOf(samples);
    verdict.peak_dBFS = toDb(peak);
    const bool clipped = peak >= kFullScale;
    if (verdict.peak_dBFS < kSilence_dBFS) {
        verdict.check = SendCheck::Silent;
        verdict.line = "silent: nothing was heard (peak " + dB(verdict.peak_dBFS)
            + " dBFS); is the output muted or its volume at zero?";
        return verdict;
    }

    std::vector<float> scaled(samples.size());
    std::transform(samples.begin(), samples.end(), scaled.begin(),
        [](std::int16_t s) { return static_cast<float>(s) / 32768.0f; });
    const DecodeResult read = decodeSamples(scaled, sampleRate_hz);
    verdict.level_dBFS = read.report.level_dBFS;
    // The RMS level is measured over the signal, so only a signal that was found has one.
    const std::string peakText = "peak " + dB(verdict.peak_dBFS) + " dBFS";
    const std::string level
        = read.decoded() ? "level " + dB(read.report.level_dBFS) + " dBFS RMS, " + peakText : peakText;

    if (read.crcOk() && read.frame == sent) {
        verdict.check = SendCheck::Verified;
        verdict.line
            = "verified: " + frameHex(read.frame) + ", CRC " + WordHex(read.receivedCrc) + " ok; " + level;
        if (read.report.level_dBFS < kLowLevel_dBFS)
            verdict.warnings.emplace_back("the level is low (" + dB(read.report.level_dBFS)
                + " dBFS RMS); raise the output volume (try 'tarvel tone')");
        if (clipped)
            verdict.warnings.emplace_back(
                "the peak reaches full scale, the sound is clipped; lower the output volume");
        return verdict;
    }

    std::string why;
    if (!read.decoded())
        why = read.reason;
    else if (!read.crcOk())
        why = "CRC mismatch (computed " + WordHex(read.computedCrc) + ", received "
            + WordHex(read.receivedCrc) + ")";
    else
        why = "read back " + frameHex(read.frame) + ", not the frame sent";
    const Gap gap = longestGap(samples, peak);
    if (static_cast<double>(gap.length) >= kDropout_s * sampleRate_hz) {
        // Said before clipping: a hole's sharp edges can reach full scale on their own.
        char where[64];
        std::snprintf(where, sizeof where, "%.0f ms at %.2f s",
            static_cast<double>(gap.length) / sampleRate_hz * 1e3,
            static_cast<double>(gap.at) / sampleRate_hz);
        verdict.check = SendCheck::Dropout;
        verdict.line = "dropout: the recording stops for " + std::string(where) + " inside the signal (" + why
            + "); the sound was interrupted on its way: send again";
        return verdict;
    }
    if (clipped) {
        verdict.check = SendCheck::Clipped;
        verdict.line = "clipped: the sound reached full scale and could not be read back (" + why
            + "); lower the output volume";
    } else {
        verdict.check = SendCheck::Damaged;
        verdict.line = "damaged: " + why + "; " + level;
    }
    return verdict;
}

} // namespace tarvel
