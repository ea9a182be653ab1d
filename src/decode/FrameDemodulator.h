#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The streaming demodulator: fed samples in pieces of any size, it watches for the 1 s
// 615 Hz lead-in and reads the frame that follows. It keeps only the tone bins of the last
// few seconds, so a recording of any length costs the same small memory.

#include "decode/DecodeResult.h"
#include "decode/ToneBins.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarvel {

class FrameDemodulator {
public:
    // sampleRate_hz within kMinSampleRate_hz..kMaxSampleRate_hz (the caller checks).
    explicit FrameDemodulator(double sampleRate_hz);

    // Mono samples, full scale ±1. Returns true once a frame with a matching CRC has been
    // read; later samples are then ignored and the caller may stop reading.
    bool feed(std::span<const float> samples);
    bool done() const { return found_.has_value(); }

    // Ends the stream: the first frame with a matching CRC, otherwise the most complete
    // reading, otherwise why nothing could be read.
    DecodeResult finish();

    // Tone bins held right now (for tests of the memory bound).
    std::size_t heldBins() const { return bins_.size(); }

private:
    struct Candidate {
        std::int64_t onset; // global bin indices
        std::int64_t change;
        bool onsetSeen;
        std::int64_t needed; // bins wanted before reading (the longest frame and a margin)
    };

    // A run of looks that heard 615 Hz: a lead-in in progress, or one just read that may
    // resume. Positions are global bin indices of where a look ends.
    struct LeadInRun {
        std::int64_t firstHop = -1;
        std::int64_t hops = 0; // looks in the run, gaps included
        bool cut = false; // longer than a lead-in: only its last part is kept
        int resumes = 0; // times it came back after being read
        std::int64_t gapHops = 0; // looks since it last heard 615 Hz
        std::int64_t lastLeadHop = 0; // where it last did
    };

    void scan(bool streamEnded);
    // One look ending at hopEnd, and what it does to the run.
    void look(std::int64_t hopEnd);
    void extendRun(std::int64_t hopEnd);
    void endRun(std::int64_t hopEnd);
    // The recording ends inside a long 615 Hz run: a lead-in with nothing after it.
    bool endInsideRun(std::int64_t available);
    void dropOldBins(std::int64_t hopEnd);
    void readCandidate();
    void keepBinsFrom(std::int64_t globalBin);
    // The tone that fills the look of `window` bins ending at hopEnd, or -1.
    int dominantTone(std::int64_t hopEnd, std::int64_t window, double& fraction) const;
    // True when the last symbol's worth of bins clearly holds a tone other than the lead-in's.
    bool clearOtherTone(std::int64_t hopEnd) const;

    ToneBinner binner_;
    std::int64_t hop_; // bins between looks (about 10 ms)
    std::int64_t leadWindow_; // bins in a look for the lead-in (about 60 ms)
    std::int64_t toneWindow_; // bins in a look for a symbol tone (about 20 ms)
    std::int64_t minLeadHops_;
    std::int64_t maxLeadHops_;
    std::int64_t frameBins_; // the longest frame after its lead-in, with room for a slow clock
    std::vector<ToneBin> bins_;
    std::int64_t firstBin_ = 0; // global index of bins_[0]
    std::int64_t nextHop_ = 0; // global bin index where the next look ends
    LeadInRun run_;
    std::int64_t toneHops_ = 0; // looks with a clear symbol tone other than the lead-in's
    std::optional<LeadInRun> ended_; // the run behind the last candidate, while it may resume
    std::optional<Candidate> pending_;
    CrcRejections crcRejections_; // over every lead-in read so far
    std::optional<DecodeResult> found_;
    std::optional<DecodeResult> best_;
};

} // namespace tarvel
