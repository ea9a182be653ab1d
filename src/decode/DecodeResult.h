#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What reading a recording back found: the frame and its CRC check, or why there is none,
// and a signal report in the terms of a soundcard modem.

#include "shared/Frame.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvel {

enum class DecodeOutcome {
    Decoded, // 128 symbols read; the CRC may still disagree
    NoSignal, // silence, noise, or nothing that looks like the three tones
    NoLeadIn, // tones are there but never the 1 s 615 Hz lead-in
    EndsEarly, // a lead-in, then the recording or the signal stops before symbol 128
};

// Why nothing was decoded, for a caller that words the reason itself (the page, in its
// language); the reason text says the same in English.
enum class DecodeReason {
    None,
    NoLeadIn, // nothing like the lead-in anywhere
    ToneWithoutLeadIn, // symbol tones, but never the lead-in before them
    EndsInLeadIn, // the recording ends before the first symbol
    RecordingEnds, // the recording ends after symbolsRead symbols
    SignalStops, // the signal fades out after symbolsRead symbols
};

struct SignalReport {
    double sampleRate_hz = 0.0;
    double start_s = 0.0; // where the lead-in starts in the recording
    double level_dBFS = 0.0; // RMS over lead-in and symbols; a full-scale sine is -3.01 dBFS
    double peak_dBFS = 0.0; // highest sample over the same stretch
    double clockSkew_percent = 0.0; // > 0: tones higher and symbols shorter than nominal
    double snr_dB = 0.0; // tone power over everything else, in the file's band
    double weakestMargin_dB = 0.0; // the winning tone over the runner-up, worst symbol
    int weakestSymbol = 0; // 1-based index of that symbol
    int channel = 1; // the channel that carried it, 1-based; 0: the mix of all
    int channels = 1; // in the recording
};

inline constexpr double kSnrCeiling_dB = 60.0;

// The sequences the CRC alone turned away on the way to a result (those whose markers were
// right), each counted once: any of them could have passed by chance, 1 in 65 536, so
// their number bounds the chance of a wrong frame.
class CrcRejections {
public:
    void add(const Frame& frame)
    {
        if (std::find(frames_.begin(), frames_.end(), frame) == frames_.end())
            frames_.push_back(frame);
    }
    void add(const CrcRejections& other)
    {
        for (const Frame& f : other.frames_)
            add(f);
    }
    int count() const { return static_cast<int>(frames_.size()); }

private:
    std::vector<Frame> frames_;
};

struct DecodeResult {
    DecodeOutcome outcome = DecodeOutcome::NoSignal;
    std::string reason; // one line, for anything but a decoded frame
    DecodeReason why = DecodeReason::None;
    Frame frame {}; // bytes as received (partial when the signal ends early)
    int symbolsRead = 0; // 128 when decoded
    int correctedSymbols = 0; // symbols the CRC check put right (0: read as they came)
    CrcRejections crcRejections;
    std::uint16_t computedCrc = 0; // over the bytes before kCrcIndex, as received
    std::uint16_t receivedCrc = 0; // the two bytes at kCrcIndex, high byte first
    SignalReport report;

    bool decoded() const { return outcome == DecodeOutcome::Decoded; }
    bool crcOk() const { return decoded() && computedCrc == receivedCrc; }
};

} // namespace tarvel
