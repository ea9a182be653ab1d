// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/SymbolTrellis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tarvel {

namespace {

// The tables of tone pairs are laid out by the previous tone, then the tone.
constexpr std::size_t kTonePairs
    = static_cast<std::size_t>(kToneCount) * static_cast<std::size_t>(kToneCount);

std::size_t pairIndex(int before, int tone)
{
    return static_cast<std::size_t>(before) * static_cast<std::size_t>(kToneCount)
        + static_cast<std::size_t>(tone);
}

// One slot per tone for each of `keys` positions.
std::size_t slotCount(int keys)
{
    return static_cast<std::size_t>(kToneCount) * static_cast<std::size_t>(keys);
}

// Symbol lengths in units of 4 samples (every symbol's length is a multiple of 4): paths that
// reach the same unit have covered exactly the same time and can be merged.
constexpr int kUnitSamples = 4;
constexpr std::array<int, kToneCount> lengthUnits()
{
    std::array<int, kToneCount> units {};
    for (std::size_t k = 0; k < units.size(); ++k)
        units[k] = kSymbols[k].length_samples / kUnitSamples;
    return units;
}
constexpr std::array<int, kToneCount> kLengthUnits = lengthUnits();
static_assert(std::all_of(kSymbols.begin(), kSymbols.end(),
    [](const ToneSymbol& s) { return s.length_samples % kUnitSamples == 0; }));
constexpr int kShortestUnits = kShortestSymbol_samples / kUnitSamples;
constexpr int kLongestUnits = kLongestSymbol_samples / kUnitSamples;
// States kept per symbol: the most likely ones, and none that has fallen this far behind.
// Both bounds lie far outside what noise at the decoder's limit makes of the true path.
constexpr std::size_t kMaxStates = 96;
constexpr double kBeam = 80.0;
constexpr double kNone = -std::numeric_limits<double>::infinity();
constexpr double kUnset = std::numeric_limits<double>::max(); // a transition not scored yet
// Clock error the lead-in may leave unmeasured, and the steps it is sought in: a drift of
// 1e-4 turns 889 Hz by 1.5 rad over a frame.
constexpr double kMaxDrift = 4e-3;
constexpr double kDriftStep = 1e-4;
constexpr int kAnchorPieces = 40; // of the shortest symbol's length: the lead-in's last 0.8 s

// The sender's phase step per sample of its own clock, per tone: symbol lengths and the phase
// they add are both counted at the sender's clock, whatever clock the recording runs at.
double toneStep(int k)
{
    return 2.0 * std::numbers::pi * symbolTone_hz(k) / kSampleRate_hz;
}

double wrapPhase(double x)
{
    return std::remainder(x, 2.0 * std::numbers::pi);
}

// log I₀(x), to a few parts in 10⁴ everywhere.
double logBesselI0(double x)
{
    if (x < 3.0) {
        const double q = x * x / 4.0;
        return std::log1p(q * (1.0 + q / 4.0 * (1.0 + q / 9.0 * (1.0 + q / 16.0 * (1.0 + q / 25.0)))));
    }
    return x - 0.5 * std::log(2.0 * std::numbers::pi * x)
        + std::log1p(1.0 / (8.0 * x) + 9.0 / (128.0 * x * x));
}

} // namespace

SymbolTrellis::SymbolTrellis(const BinSums& sums, const SymbolGeometry& geometry, const SymbolTiming& timing,
    const ToneModel& model, const TrellisShape& shape)
        : sums_(sums), geometry_(geometry), timing_(timing), shape_(shape)
{
    // A clean recording has next to no noise; a floor 40 dB under the tone keeps the scores finite.
    const double tonePower = 0.5 * model.amplitude * model.amplitude;
    const double noise = std::max(model.noisePower, 1e-4 * tonePower);
    amplitudeOverNoise_ = tonePower > 0.0 ? model.amplitude / noise : 0.0;
    energyPerSample_ = tonePower > 0.0 ? model.amplitude * model.amplitude / (4.0 * noise) : 0.0;
    if (model.glide_samples > 0.0) {
        // Phase a glide from tone p to tone k has added by the middle of each bin of a symbol.
        const double longest = kLongestSymbol_samples * geometry.binsPerNominalSample;
        const std::size_t bins = static_cast<std::size_t>(std::ceil(longest * 1.1)) + 2;
        const double rate = geometry.samplesPerBin / geometry.binDuration_s;
        glide_.resize(kTonePairs);
        for (int p = 0; p < kToneCount; ++p) {
            for (int k = 0; k < kToneCount; ++k) {
                auto& turn = glide_[pairIndex(p, k)];
                const double step = 2.0 * std::numbers::pi * (symbolTone_hz(p) - symbolTone_hz(k)) / rate;
                for (std::size_t j = 0; j < bins; ++j) {
                    const double t = (static_cast<double>(j) + 0.5) * geometry.samplesPerBin;
                    turn.push_back(std::polar(
                        1.0, -step * model.glide_samples * (1.0 - std::exp(-t / model.glide_samples))));
                }
            }
        }
    }

    // Every path is judged over the same stretch: 615 Hz from two symbols before the
    // earliest start, its symbols, then 615 Hz (the tail) up to past the latest possible end.
    leadFromKey_ = -shape.originSpread - 2 * kShortestUnits;
    tailEndKey_ = kLongestUnits * shape.symbols + kShortestUnits + shape.originSpread;
    search();
    if (model.coherent && best_.size() == static_cast<std::size_t>(shape.symbols)) {
        // The phases a first search without them finds are those of nearly every symbol:
        // the next search scores each symbol against the phase it must have, and its own,
        // better sequence measures them once more for a last search.
        for (int round = 0; round < 2; ++round) {
            reference_.clear();
            for (const std::complex<double>& r : phaseReferences())
                reference_.push_back(amplitudeOverNoise_ * r);
            steps_.clear();
            search();
            if (best_.size() != static_cast<std::size_t>(shape.symbols))
                break;
        }
    }
}

void SymbolTrellis::search()
{
    forwardPass();
    backwardPass();
    chooseStart();
}

SymbolTrellis::KeyRange SymbolTrellis::keyRange(int step) const
{
    const int spread = shape_.originSpread;
    return {kShortestUnits * step - spread, (kLongestUnits - kShortestUnits) * step + 2 * spread + 1};
}

std::size_t SymbolTrellis::KeyRange::slot(int tone, int key) const
{
    return static_cast<std::size_t>(tone * keys + key - minKey);
}

// Each step keeps, per (tone, key), the best path that ends there.
void SymbolTrellis::forwardPass()
{
    const int spread = shape_.originSpread;
    std::vector<Node> first;
    for (int d = -spread; d <= spread; ++d)
        first.push_back(Node {static_cast<std::uint8_t>(shape_.before), d, leadMetric(d), {0.0, 0.0, 0.0},
            kNone, -1, -1, wrapPhase(toneStep(shape_.before) * kUnitSamples * d)});
    steps_.push_back(std::move(first));
    for (int i = 1; i <= shape_.symbols; ++i) {
        std::vector<Node> next = stepFrom(i);
        if (next.empty())
            break;
        prune(next);
        steps_.push_back(std::move(next));
    }
}

std::vector<SymbolTrellis::Node> SymbolTrellis::stepFrom(int i)
{
    const KeyRange range = keyRange(i);
    std::vector<int> slot(slotCount(range.keys), -1); // (tone, key) → index in `next`
    std::vector<Node> next;
    const std::vector<Node>& previous = steps_.back();
    for (std::size_t p = 0; p < previous.size(); ++p) {
        const Node& from = previous[p];
        for (int k = 0; k < kToneCount; ++k) {
            if (k == from.tone || (i == 1 && !(shape_.firstToneMask & (1u << k))))
                continue;
            const int key = from.key + kLengthUnits[static_cast<std::size_t>(k)];
            int& at = slot[range.slot(k, key)];
            const BinIndex b = nearestBin(position(key));
            if (at < 0) {
                if (b > sums_.size())
                    continue; // the recording ends inside this symbol
                at = static_cast<int>(next.size());
                next.push_back(
                    Node {static_cast<std::uint8_t>(k), key, kNone, {kUnset, kUnset, kUnset}, kNone, -1, -1});
            }
            Node& to = next[static_cast<std::size_t>(at)];
            double& own = to.own[from.tone];
            if (own == kUnset)
                own = transitionMetric(from.tone, k, from.key, from.phase);
            if (from.forward + own > to.forward) {
                to.forward = from.forward + own;
                to.parent = static_cast<int>(p);
                to.phase = wrapPhase(
                    from.phase + toneStep(k) * kUnitSamples * kLengthUnits[static_cast<std::size_t>(k)]);
            }
        }
    }
    return next;
}

void SymbolTrellis::prune(std::vector<Node>& step) const
{
    double top = kNone;
    for (const Node& n : step)
        top = std::max(top, n.forward);
    std::erase_if(step, [&](const Node& n) { return n.forward < top - kBeam; });
    if (step.size() > kMaxStates) {
        std::nth_element(step.begin(), step.begin() + static_cast<std::ptrdiff_t>(kMaxStates), step.end(),
            [](const Node& x, const Node& y) { return x.forward > y.forward; });
        step.resize(kMaxStates);
    }
}

// From the tail back: each node learns the best that can follow it, over the transitions the
// forward pass scored.
void SymbolTrellis::backwardPass()
{
    for (Node& n : steps_.back())
        n.backward = tailMetric(n.key);
    for (std::size_t s = steps_.size() - 1; s-- > 0;) {
        const KeyRange range = keyRange(static_cast<int>(s + 1));
        std::vector<int> slot(slotCount(range.keys), -1);
        const std::vector<Node>& after = steps_[s + 1];
        for (std::size_t j = 0; j < after.size(); ++j)
            slot[range.slot(after[j].tone, after[j].key)] = static_cast<int>(j);
        for (Node& n : steps_[s]) {
            for (int k = 0; k < kToneCount; ++k) {
                if (k == n.tone)
                    continue;
                const int at = slot[range.slot(k, n.key + kLengthUnits[static_cast<std::size_t>(k)])];
                if (at < 0)
                    continue;
                const Node& to = after[static_cast<std::size_t>(at)];
                const double own = to.own[n.tone];
                if (own != kUnset && own + to.backward > n.backward) {
                    n.backward = own + to.backward;
                    n.next = at;
                }
            }
        }
    }
}

// The start whose whole path scores best, and that path.
void SymbolTrellis::chooseStart()
{
    int start = 0;
    bestMetric_ = kNone;
    for (std::size_t j = 0; j < steps_[0].size(); ++j) {
        const Node& n = steps_[0][j];
        if (n.forward + n.backward > bestMetric_) {
            bestMetric_ = n.forward + n.backward;
            start = static_cast<int>(j);
        }
    }
    startKey_ = steps_[0][static_cast<std::size_t>(start)].key;
    best_ = pathThrough(0, start);
}

double SymbolTrellis::originShift() const
{
    return position(startKey_) - timing_.origin;
}

double SymbolTrellis::leadMetric(int key) const
{
    return symbolMetric(shape_.before, nearestBin(position(leadFromKey_)), nearestBin(position(key)));
}

double SymbolTrellis::position(int key) const
{
    return timing_.origin + timing_.scale * key * kUnitSamples * geometry_.binsPerNominalSample;
}

double SymbolTrellis::symbolMetric(int k, BinIndex a, BinIndex b) const
{
    b = std::min(b, sums_.size());
    if (b <= a)
        return 0.0;
    const double c = std::abs(sums_.tone(k, a, b));
    const double samples = static_cast<double>((b - a) * geometry_.samplesPerBin);
    return logBesselI0(amplitudeOverNoise_ * c) - energyPerSample_ * samples;
}

std::complex<double> SymbolTrellis::correlation(int before, int k, BinIndex a, BinIndex b) const
{
    if (glide_.empty() || before == k)
        return sums_.tone(k, a, b);
    // The frequency glides from the previous tone to this one: each bin is turned back by
    // the phase the glide has added so far.
    const std::vector<std::complex<double>>& turn = glide_[pairIndex(before, k)];
    std::complex<double> c {};
    for (BinIndex m = a; m < b; ++m) {
        const auto j = std::min(static_cast<std::size_t>(m - a), turn.size() - 1);
        c += sums_.tone(k, m, m + 1) * turn[j];
    }
    return c;
}

double SymbolTrellis::transitionMetric(int before, int k, int key, double phase) const
{
    const BinIndex a = nearestBin(position(key));
    const BinIndex b
        = std::min(nearestBin(position(key + kLengthUnits[static_cast<std::size_t>(k)])), sums_.size());
    if (b <= a)
        return 0.0;
    const std::complex<double> c = correlation(before, k, a, b);
    const double samples = static_cast<double>((b - a) * geometry_.samplesPerBin);
    if (reference_.empty())
        return logBesselI0(amplitudeOverNoise_ * std::abs(c)) - energyPerSample_ * samples;
    // The symbol's phase is known from the path up to the offset the reference measures: the
    // likelihood with that phase's uncertainty taken from how much the reference has seen.
    const std::complex<double> r = reference_[pairIndex(before, k)];
    const std::complex<double> turned
        = amplitudeOverNoise_ * c * std::polar(1.0, -expectedPhase(k, key, phase));
    return logBesselI0(std::abs(turned + r)) - logBesselI0(std::abs(r)) - energyPerSample_ * samples;
}

double SymbolTrellis::tailMetric(int key) const
{
    return symbolMetric(kLeadInTone, nearestBin(position(key)), nearestBin(position(tailEndKey_)));
}

std::vector<std::uint8_t> SymbolTrellis::pathThrough(std::size_t step, int node) const
{
    std::vector<std::uint8_t> tones(steps_.size() - 1);
    int at = node;
    for (std::size_t s = step; s > 0; --s) {
        const Node& n = steps_[s][static_cast<std::size_t>(at)];
        tones[s - 1] = n.tone;
        at = n.parent;
    }
    at = steps_[step][static_cast<std::size_t>(node)].next;
    for (std::size_t s = step + 1; s < steps_.size() && at >= 0; ++s) {
        const Node& n = steps_[s][static_cast<std::size_t>(at)];
        tones[s - 1] = n.tone;
        at = n.next;
    }
    return tones;
}

std::vector<SymbolTrellis::Alternative> SymbolTrellis::alternatives(std::size_t count) const
{
    std::vector<Alternative> found;
    for (std::size_t s = 1; s < steps_.size(); ++s) {
        int pick = -1;
        double most = kNone;
        for (std::size_t j = 0; j < steps_[s].size(); ++j) {
            const Node& n = steps_[s][j];
            if (n.tone != best_[s - 1] && n.forward + n.backward > most) {
                most = n.forward + n.backward;
                pick = static_cast<int>(j);
            }
        }
        if (pick < 0 || !std::isfinite(most))
            continue;
        std::vector<std::uint8_t> tones = pathThrough(s, pick);
        // One alternative per first changed symbol (the likeliest): many variants of one
        // doubtful stretch would crowd out the other stretches.
        const auto first = static_cast<std::size_t>(
            std::mismatch(tones.begin(), tones.end(), best_.begin()).first - tones.begin());
        const double loss = std::max(0.0, bestMetric_ - most);
        const auto same = std::find_if(found.begin(), found.end(), [&](const Alternative& a) {
            return std::mismatch(a.tones.begin(), a.tones.end(), best_.begin()).first - a.tones.begin()
                == static_cast<std::ptrdiff_t>(first);
        });
        if (same == found.end())
            found.push_back({std::move(tones), loss});
        else if (loss < same->loss)
            *same = {std::move(tones), loss};
    }
    std::sort(found.begin(), found.end(),
        [](const Alternative& x, const Alternative& y) { return x.loss < y.loss; });
    if (found.size() > count)
        found.resize(count);
    return found;
}

double SymbolTrellis::metric(std::span<const std::uint8_t> tones) const
{
    double total = leadMetric(startKey_);
    int key = startKey_;
    int before = shape_.before;
    double phase = toneStep(before) * kUnitSamples * key;
    for (std::uint8_t t : tones) {
        total += transitionMetric(before, t, key, phase);
        key += kLengthUnits[t];
        phase = wrapPhase(phase + toneStep(t) * kUnitSamples * kLengthUnits[t]);
        before = t;
    }
    return total + tailMetric(key);
}

double SymbolTrellis::expectedPhase(int k, int key, double phase) const
{
    return phase - toneStep(k) * (1.0 - drift_) * kUnitSamples * key;
}

std::vector<std::complex<double>> SymbolTrellis::phaseReferences()
{
    // Each symbol of the best sequence, turned back by the phase the sequence gives it.
    struct Point {
        std::size_t pair;
        std::complex<double> z;
        double turn; // radians per unit of drift
    };
    std::vector<Point> points;
    int key = startKey_;
    int before = shape_.before;
    double phase = toneStep(before) * kUnitSamples * key;
    drift_ = 0.0;
    for (std::uint8_t t : best_) {
        const BinIndex a = nearestBin(position(key));
        const BinIndex b = nearestBin(position(key + kLengthUnits[t]));
        points.push_back({pairIndex(before, t),
            correlation(before, t, a, b) * std::polar(1.0, -expectedPhase(t, key, phase)),
            toneStep(t) * kUnitSamples * key});
        key += kLengthUnits[t];
        phase = wrapPhase(phase + toneStep(t) * kUnitSamples * kLengthUnits[t]);
        before = t;
    }
    // What the lead-in left of the clock error turns every tone steadily over the frame, in
    // proportion to its frequency: the drift that lines the phases up best is taken.
    const auto sums = [&](double drift) {
        std::vector<std::complex<double>> sum(kTonePairs);
        for (const Point& p : points)
            sum[p.pair] += p.z * std::polar(1.0, -p.turn * drift);
        return sum;
    };
    const auto strength = [&](double drift) {
        double total = 0.0;
        for (const std::complex<double>& s : sums(drift))
            total += std::abs(s);
        return total;
    };
    double bestDrift = 0.0;
    double most = strength(0.0);
    for (double step : {kDriftStep, kDriftStep / 10.0}) {
        const double centre = bestDrift;
        const double reach = step == kDriftStep ? kMaxDrift : kDriftStep;
        for (double d = centre - reach; d <= centre + reach; d += step) {
            const double s = strength(d);
            if (s > most) {
                most = s;
                bestDrift = d;
            }
        }
    }
    drift_ = bestDrift;
    std::vector<std::complex<double>> references = sums(bestDrift);

    alignWithLeadIn(references);
    return references;
}

// A sequence that went wrong early (a symbol of the wrong length, made up for by a start a few
// samples off) turns the phase of every later symbol by one angle, and so do the offsets
// measured from it. The lead-in is 615 Hz held for a second, so its phase says where the
// offsets of the 615 Hz symbols must lie: all offsets are turned to agree.
void SymbolTrellis::alignWithLeadIn(std::vector<std::complex<double>>& references) const
{
    std::complex<double> lead {};
    const int leadTone = shape_.before;
    for (int piece = 1; piece <= kAnchorPieces; ++piece) {
        const int from = startKey_ - piece * kShortestUnits;
        const double leadPhase = toneStep(leadTone) * kUnitSamples * from;
        lead += sums_.tone(leadTone, nearestBin(position(from)), nearestBin(position(from + kShortestUnits)))
            * std::polar(1.0, -expectedPhase(leadTone, from, leadPhase));
    }
    std::complex<double> learned {};
    for (int p = 0; p < kToneCount; ++p)
        if (p != leadTone)
            learned += references[pairIndex(p, leadTone)];
    if (std::abs(lead) > 0.0 && std::abs(learned) > 0.0) {
        const std::complex<double> turn = std::polar(1.0, std::arg(lead) - std::arg(learned));
        for (std::complex<double>& r : references)
            r *= turn;
    }
}

} // namespace tarvel
