#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Sequence detection of the tone symbols. Neighbouring symbols never share a tone, and a
// symbol's length depends on its tone, so the whole sequence is decided at once: a Viterbi
// search over states (tone, nominal position), each symbol scored by its log-likelihood
// against noise alone, the 615 Hz tail closing every path. A backward pass gives, for every
// symbol, the best whole sequence that differs there: the alternatives a CRC can choose from.
// Where the first symbol starts is part of the search: a start a dozen samples off would
// otherwise be put right by misreading an early symbol of another length.

#include "decode/BinSums.h"

#include <array>
#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvel {

// The tones as the lead-in shows them: their amplitude after the DC blocker and the power of
// everything else, per sample. Their ratio sets how much one symbol can outweigh another.
struct ToneModel {
    double amplitude;
    double noisePower;
    // > 0: the sender's phase filter makes each tone change an exponential glide with this
    // time constant, in samples of the recording; 0: tones change at once.
    double glide_samples = 0.0;
    // true: each symbol is scored against the phase the sender's unbroken phase gives it
    // (phaseReferences), found by a first search that takes every phase as unknown.
    bool coherent = false;
};

struct TrellisShape {
    int symbols; // how many to read
    int before; // the tone heard just before the first (the lead-in's)
    unsigned firstToneMask; // bit k set: the first symbol may be tone k
    int originSpread; // the first symbol may start this many units of 4 samples early or late
};

class SymbolTrellis {
public:
    SymbolTrellis(const BinSums& sums, const SymbolGeometry& geometry, const SymbolTiming& timing,
        const ToneModel& model, const TrellisShape& shape);

    // The most likely sequence; shorter than asked when the bins end before it is complete.
    const std::vector<std::uint8_t>& tones() const { return best_; }
    double bestMetric() const { return bestMetric_; }
    // Where the best sequence starts, in bins after the timing's origin.
    double originShift() const;
    // The timing it was searched from, before the start it found moved the origin.
    const SymbolTiming& timing() const { return timing_; }

    struct Alternative {
        std::vector<std::uint8_t> tones;
        double loss; // log-likelihood below the best sequence, ≥ 0
    };
    // The best sequence that differs from tones() at symbol i, for every i, least loss first,
    // each sequence once, at most `count` of them.
    std::vector<Alternative> alternatives(std::size_t count) const;

    // Log-likelihood of any sequence as long as tones(), scored like the best one.
    double metric(std::span<const std::uint8_t> tones) const;

    // Log-likelihood of tone k over bins [a, b) against noise alone.
    double symbolMetric(int k, BinIndex a, BinIndex b) const;

private:
    // The sender's phase runs on without a break, so once the tones are known each symbol's
    // phase is known too, up to one offset per (previous tone, tone) that the phase filter
    // sets. These sums over the best sequence measure those offsets, after the clock error
    // the lead-in left (which turns each tone steadily) is measured and set in drift_.
    std::vector<std::complex<double>> phaseReferences();
    // Turns the offsets to agree with the lead-in's own phase.
    void alignWithLeadIn(std::vector<std::complex<double>>& references) const;

    struct Node {
        std::uint8_t tone;
        int key; // nominal start of the next symbol, in units of 4 samples at 16 kHz
        double forward; // best log-likelihood of a path that ends here
        std::array<double, kToneCount> own; // this symbol's log-likelihood after each previous tone
        double backward; // best log-likelihood of what follows
        int parent; // index in the previous step
        int next; // best successor's index in the next step, −1 at the end
        double phase = 0.0; // the sender's phase at the end of this symbol along the best path, rad
    };

    // Where the keys of one step can lie: a step's nodes are indexed by (tone, key).
    struct KeyRange {
        int minKey;
        int keys;
        std::size_t slot(int tone, int key) const;
    };

    // The Viterbi search: forward over the symbols, back from the tail, then the best start.
    void search();
    void forwardPass();
    std::vector<Node> stepFrom(int i); // the nodes after symbol i, from the last step kept
    void prune(std::vector<Node>& step) const;
    void backwardPass();
    void chooseStart();
    KeyRange keyRange(int step) const;
    // The phase a symbol of tone k that starts at `key` with the sender at `phase` shows.
    double expectedPhase(int k, int key, double phase) const;
    double position(int key) const; // bins
    double tailMetric(int key) const;
    // `phase`: the sender's phase where the symbol starts, along the path scored.
    double transitionMetric(int before, int k, int key, double phase) const;
    std::complex<double> correlation(int before, int k, BinIndex a, BinIndex b) const;
    double leadMetric(int key) const;
    std::vector<std::uint8_t> pathThrough(std::size_t step, int node) const;

    const BinSums& sums_;
    const SymbolGeometry& geometry_;
    SymbolTiming timing_;
    double amplitudeOverNoise_; // A / σ²
    double energyPerSample_; // A² / (4σ²)
    TrellisShape shape_;
    std::vector<std::vector<std::complex<double>>> glide_; // per (previous, this) tone, per bin
    std::vector<std::complex<double>> reference_; // phaseReferences() scaled by A / σ², or empty
    double drift_ = 0.0; // clock error left after the lead-in's
    std::vector<std::vector<Node>> steps_;
    int startKey_ = 0; // the best sequence's first symbol starts here
    int leadFromKey_ = 0; // every path is judged from here ...
    int tailEndKey_ = 0; // ... to here
    std::vector<std::uint8_t> best_;
    double bestMetric_ = 0.0;
};

} // namespace tarvel
