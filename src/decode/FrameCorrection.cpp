// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/FrameCorrection.h"

#include "frame/FrameCheck.h"

#include <algorithm>

namespace tarvel {

namespace {

// Alternatives combined: each is the best sequence that differs from the most likely one at
// some symbol; up to three of them that touch different symbols make one candidate.
constexpr std::size_t kAlternatives = 24;
constexpr int kMostCombined = 3;

struct Candidate {
    std::vector<std::size_t> parts; // indices into the alternatives
    double loss;
};

struct Span {
    std::size_t first;
    std::size_t last; // inclusive
};

Span changedSpan(const std::vector<std::uint8_t>& best, const std::vector<std::uint8_t>& other)
{
    std::size_t first = best.size(), last = 0;
    for (std::size_t i = 0; i < best.size(); ++i) {
        if (best[i] != other[i]) {
            first = std::min(first, i);
            last = i;
        }
    }
    return {first, last};
}

bool neighboursDiffer(const std::vector<std::uint8_t>& tones, std::uint8_t before)
{
    for (std::size_t i = 0; i < tones.size(); ++i)
        if (tones[i] == (i == 0 ? before : tones[i - 1]))
            return false;
    return true;
}

} // namespace

bool frameChecksOut(const Frame& frame)
{
    return markersOk(frame) && crcMatches(frame);
}

std::optional<Correction> correctByCrc(const SymbolTrellis& trellis,
    const std::function<Frame(std::span<const std::uint8_t>)>& toFrame, CrcRejections& rejections)
{
    const std::vector<std::uint8_t>& best = trellis.tones();
    const std::vector<SymbolTrellis::Alternative> alternatives = trellis.alternatives(kAlternatives);
    std::vector<Span> spans;
    spans.reserve(alternatives.size());
    for (const auto& a : alternatives)
        spans.push_back(changedSpan(best, a.tones));

    // Every combination of up to three alternatives whose changes lie apart, by summed loss.
    std::vector<Candidate> candidates;
    std::vector<std::size_t> parts;
    auto extend = [&](auto&& self, std::size_t from, double loss) -> void {
        for (std::size_t i = from; i < alternatives.size(); ++i) {
            const double total = loss + alternatives[i].loss;
            if (total > kCorrectionMaxLoss)
                continue;
            const bool apart = std::all_of(parts.begin(), parts.end(), [&](std::size_t p) {
                return spans[i].last + 1 < spans[p].first || spans[p].last + 1 < spans[i].first;
            });
            if (!apart)
                continue;
            parts.push_back(i);
            candidates.push_back({parts, total});
            if (parts.size() < kMostCombined)
                self(self, i + 1, total);
            parts.pop_back();
        }
    };
    extend(extend, 0, 0.0);
    std::stable_sort(candidates.begin(), candidates.end(),
        [](const Candidate& x, const Candidate& y) { return x.loss < y.loss; });
    if (candidates.size() > kCorrectionListSize)
        candidates.resize(kCorrectionListSize);

    const double bestMetric = trellis.metric(best);
    for (const Candidate& c : candidates) {
        std::vector<std::uint8_t> tones = best;
        for (std::size_t p : c.parts)
            for (std::size_t i = spans[p].first; i <= spans[p].last; ++i)
                tones[i] = alternatives[p].tones[i];
        if (!neighboursDiffer(tones, static_cast<std::uint8_t>(kLeadInTone)))
            continue;
        const Frame frame = toFrame(tones);
        if (!frameChecksOut(frame)) {
            if (markersOk(frame))
                rejections.add(frame);
            continue;
        }
        // Combined changes shift the later symbols, so the summed loss is only a guide:
        // the candidate found is judged once more as a whole.
        if (bestMetric - trellis.metric(tones) > kCorrectionMaxLoss)
            continue;
        int changed = 0;
        for (std::size_t i = 0; i < tones.size(); ++i)
            changed += tones[i] != best[i];
        return Correction {std::move(tones), changed};
    }
    return std::nullopt;
}

} // namespace tarvel
