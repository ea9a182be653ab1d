#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a recording of a send carries what was sent: the frame read back with the
// project's decoder and compared with the frame that was played, with the level it came
// across at. Plain C++: the recording is handed in as samples.

#include "shared/Frame.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarvel {

enum class SendCheck {
    Verified, // the sent frame read back with a matching CRC
    Silent, // nothing above the noise floor was heard
    Dropout, // not read back, and the sound stops for a while inside the signal
    Clipped, // not read back, and the sound hit full scale
    Damaged, // not read back (or another frame), at a level that should have worked
};

struct SendVerdict {
    SendCheck check = SendCheck::Silent;
    std::string line; // "verified: ..." or "silent: ..." and so on
    std::vector<std::string> warnings; // level too low, peak at full scale
    double level_dBFS = 0.0; // RMS over the signal (when it was found)
    double peak_dBFS = 0.0; // the recording's highest sample

    bool ok() const { return check == SendCheck::Verified; }
};

// Below this RMS level (plain RMS: a sine 30 dB under full scale) a receiver may not read
// the signal reliably: raise the volume.
inline constexpr double kLowLevel_dBFS = -33.0;
// A recording whose highest sample stays below this heard nothing at all.
inline constexpr double kSilence_dBFS = -60.0;
// The signal's tones cross zero every millisecond or so; a stretch this long that stays far
// below the peak inside the signal is a hole the output played.
inline constexpr double kDropout_s = 0.005;

// `samples`: 16-bit mono at `sampleRate_hz`, the whole recording around the send.
SendVerdict judgeRecording(std::span<const std::int16_t> samples, double sampleRate_hz, const Frame& sent);

} // namespace tarvel
