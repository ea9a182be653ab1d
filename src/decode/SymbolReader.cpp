// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/SymbolReader.h"

#include "decode/BinSums.h"
#include "decode/FrameCorrection.h"
#include "decode/SymbolTrellis.h"

#include "frame/FrameBuild.h"
#include "frame/FrameCheck.h"
#include "signal/ToneSignal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {

namespace {

using Complex = std::complex<double>;
using Index = BinIndex;
using Geometry = SymbolGeometry;
using Timing = SymbolTiming;

constexpr double kMaxClockError = 0.04; // beyond this the lead-in's clock cannot be measured
constexpr double kLostFraction = 0.02; // a symbol whose tone holds less of its energy is gone
constexpr double kLostPowerRatio = 1.0 / 16.0; // ... or is 12 dB below the lead-in
constexpr std::size_t kLostRun
    = 3; // the signal has stopped when this many last symbols are gone; fewer is noise
constexpr double kLeadInClockSpread = 1e-4; // how far the lead-in's clock may be trusted
// Where the symbols start is sought within ±2 symbols of the tone change (units of 4 samples)
// and, for the frame with markers the CRC check looks for, within ±4 symbols.
constexpr int kOriginSpread = 160;
constexpr int kMarkedOriginSpread = 320;
constexpr double kSlowFilterGlide_samples = 90.0; // at the sender's clock; Alfa 0.01 glides with 99.5
// Which tones the first symbol may have: any but the lead-in's (a symbol of that tone would
// merge with it), or only a 0 bit's, which the markers begin with.
constexpr unsigned kAnyButLeadInTone = ((1u << kToneCount) - 1) & ~(1u << kLeadInTone);
constexpr unsigned kBitZeroTone = 1u << 0;

struct SymbolRead {
    std::uint8_t tone = 0;
    double start = 0.0; // bins
    double nominalStart = 0.0; // nominal bins before this symbol
    double signalEnergy = 0.0; // of the winning tone, Σy²
    double totalEnergy = 0.0; // of everything in the symbol, Σy²
    double margin_dB = 0.0;
    bool lost = false;
};

struct SymbolRun {
    std::vector<SymbolRead> symbols;
    double end = 0.0; // bins, end of the last symbol read
    bool ranOut = false; // the bins ended before symbol 128
    std::shared_ptr<const SymbolTrellis> trellis;
    Timing timing {0.0, 1.0}; // where the symbols were found to start
};

// How well "615 Hz from `from` to c, then symbols from c to `to`" explains the bins: the
// lead-in part in symbol-sized pieces, the symbols read greedily, each piece scored alike.
// Every split is judged over the same stretch, so noise in one symbol cannot make a split
// a whole symbol early or late look better.
double explainedScore(const BinSums& sums, const Geometry& g, Index from, Index c, Index to, double scale)
{
    const double piece = scale * g.symbolBins[kLeadInTone];
    double total = 0.0;
    for (double end = static_cast<double>(c); end > static_cast<double>(from); end -= piece)
        total += sums.score(kLeadInTone, std::max(from, nearestBin(end - piece)), nearestBin(end));
    double pos = static_cast<double>(c);
    int previous = kLeadInTone;
    while (nearestBin(pos) < to) {
        int best = -1;
        double bestScore = -1.0;
        for (int k = 0; k < kToneCount; ++k) {
            if (k == previous)
                continue;
            const Index end
                = std::min(to, nearestBin(pos + scale * g.symbolBins[static_cast<std::size_t>(k)]));
            const double sc = sums.score(k, nearestBin(pos), end);
            if (sc > bestScore) {
                bestScore = sc;
                best = k;
            }
        }
        total += bestScore;
        pos += scale * g.symbolBins[static_cast<std::size_t>(best)];
        previous = best;
    }
    return total;
}

// Where the 615 Hz run gives way to the symbols.
Index refineChange(
    const BinSums& sums, const Geometry& g, Index roughChange, Index spread, Index onset, double scale)
{
    constexpr int kLookAhead = 6; // symbols past the latest split considered
    const Index from = std::max(onset, roughChange - spread - nearestBin(2 * g.symbolBins[kLeadInTone]));
    const Index to
        = std::min(sums.size(), roughChange + spread + nearestBin(kLookAhead * g.symbolBins[kLeadInTone]));
    Index best = std::clamp(roughChange, Index {0}, sums.size());
    double bestScore = -1.0;
    for (Index c = std::max(from + 1, roughChange - spread); c <= std::min(to - 1, roughChange + spread);
         ++c) {
        const double score = explainedScore(sums, g, from, c, to, scale);
        if (score > bestScore) {
            bestScore = score;
            best = c;
        }
    }
    return best;
}

// Where the lead-in starts: the split with the most 615 Hz after it and the least before.
Index refineOnset(const BinSums& sums, const Geometry& g, Index roughOnset, Index spread, Index change)
{
    const Index from = std::max(Index {0}, roughOnset - spread);
    const Index to = std::min(change - g.window, roughOnset + spread);
    Index best = std::clamp(roughOnset, Index {0}, std::max(Index {0}, change));
    double bestScore = -1e300;
    for (Index o = from; o <= to; ++o) {
        const double j = std::norm(sums.tone(kLeadInTone, o, o + g.window))
            - std::norm(sums.tone(kLeadInTone, o - g.window, o));
        if (j > bestScore) {
            bestScore = j;
            best = o;
        }
    }
    return best;
}

struct LeadInMeasure {
    double scale = 1.0;
    double tonePower = 0.0; // mean square of the 615 Hz tone
};

// The lead-in's frequency gives the clock: a sound card running fast raises every tone and
// shortens every symbol by the same factor. Coherent sums stay short (one window) so that
// the offset being measured does not smear them.
LeadInMeasure measureLeadIn(const BinSums& sums, const Geometry& g, Index from, Index to)
{
    LeadInMeasure m;
    const Index block = g.window;
    const Index blocks = (to - from) / block;
    if (blocks < 1)
        return m;
    std::vector<Complex> z(static_cast<std::size_t>(blocks));
    double power = 0.0;
    const double blockSamples = static_cast<double>(block * g.samplesPerBin);
    for (Index j = 0; j < blocks; ++j) {
        z[static_cast<std::size_t>(j)] = sums.tone(kLeadInTone, from + j * block, from + (j + 1) * block);
        power += 2.0 * std::norm(z[static_cast<std::size_t>(j)]) / (blockSamples * blockSamples);
    }
    m.tonePower = power / static_cast<double>(blocks);
    if (blocks < 4)
        return m;
    auto lagPhase = [&](Index lag) {
        Complex acc {};
        for (Index j = 0; j + lag < blocks; ++j)
            acc += z[static_cast<std::size_t>(j + lag)] * std::conj(z[static_cast<std::size_t>(j)]);
        return std::arg(acc);
    };
    const double coarse = lagPhase(1); // unambiguous up to ±25 Hz
    const Index lag = blocks / 2;
    const double predicted = coarse * static_cast<double>(lag);
    const double fine = predicted + std::remainder(lagPhase(lag) - predicted, 2.0 * std::numbers::pi);
    const double radPerBin = fine / static_cast<double>(lag * block);
    const double offset_hz = radPerBin / (2.0 * std::numbers::pi * g.binDuration_s);
    const double clock = offset_hz / kLeadInFrequency_hz;
    if (std::isfinite(clock) && std::fabs(clock) < kMaxClockError)
        m.scale = 1.0 / (1.0 + clock);
    return m;
}

// Reads up to 128 symbols from the timing's origin, the whole sequence at once; the tone
// before the first is the lead-in. The per-symbol facts are those of the sequence chosen.
SymbolRun readRun(const BinSums& sums, const Geometry& g, const Timing& timing, double leadPower,
    const ToneModel& model,
    const TrellisShape& shape = {kSymbolCount, kLeadInTone, kAnyButLeadInTone, kOriginSpread})
{
    SymbolRun run;
    run.trellis = std::make_shared<SymbolTrellis>(sums, g, timing, model, shape);
    const Timing t {timing.origin + run.trellis->originShift(), timing.scale};
    run.timing = t;
    const std::vector<std::uint8_t>& tones = run.trellis->tones();
    run.ranOut = tones.size() < kSymbolCount;
    std::uint8_t previous = kLeadInTone;
    double nominal = 0.0;
    for (const std::uint8_t tone : tones) {
        const double pos = t.origin + t.scale * nominal;
        const double length = t.scale * g.symbolBins[tone];
        const Index a = nearestBin(pos);
        const Index b = nearestBin(pos + length);
        const auto other
            = static_cast<std::size_t>(0 + 1 + 2 - tone - previous); // the one tone also allowed here
        SymbolRead s;
        s.tone = tone;
        s.start = pos;
        s.nominalStart = nominal;
        const double samples = static_cast<double>(std::max<Index>(1, b - a) * g.samplesPerBin);
        s.signalEnergy = 2.0 * std::norm(sums.tone(tone, a, b)) / samples;
        s.totalEnergy = sums.energy(a, b);
        const double runnerUp
            = sums.score(static_cast<int>(other), a, nearestBin(pos + t.scale * g.symbolBins[other]));
        const double own = sums.score(tone, a, b);
        s.margin_dB = runnerUp > 0.0 ? (own > 0.0 ? 10.0 * std::log10(own / runnerUp) : -kSnrCeiling_dB)
                                     : kSnrCeiling_dB;
        const double fraction = s.totalEnergy > 0.0 ? s.signalEnergy / s.totalEnergy : 0.0;
        s.lost = !(fraction >= kLostFraction) || s.signalEnergy / samples < leadPower * kLostPowerRatio;
        run.symbols.push_back(s);
        previous = tone;
        nominal += g.symbolBins[tone];
        run.end = pos + length;
    }
    return run;
}

struct TimingPoint {
    double nominal; // nominal bins before the symbol
    double measured; // where its tone change was found, bins
};

// Finds each tone change near where the timing puts it.
std::vector<TimingPoint> toneChanges(
    const BinSums& sums, const Geometry& g, const SymbolRun& run, const Timing& t)
{
    std::vector<TimingPoint> points;
    std::uint8_t previous = kLeadInTone;
    for (const SymbolRead& s : run.symbols) {
        const std::uint8_t tone = s.tone;
        const std::uint8_t before = previous;
        previous = tone;
        if (s.lost)
            continue;
        const Index centre = nearestBin(t.origin + t.scale * s.nominalStart);
        std::vector<double> j;
        for (Index d = -g.boundarySearch; d <= g.boundarySearch; ++d) {
            const Index x = centre + d;
            j.push_back(std::norm(sums.tone(before, x - g.boundaryWindow, x))
                + std::norm(sums.tone(tone, x, x + g.boundaryWindow)));
        }
        const auto top = static_cast<std::size_t>(std::max_element(j.begin(), j.end()) - j.begin());
        if (top == 0 || top + 1 == j.size())
            continue; // the change lies outside the search: no reading here
        const double curvature = j[top - 1] - 2.0 * j[top] + j[top + 1];
        const double vertex = curvature < 0.0 ? 0.5 * (j[top - 1] - j[top + 1]) / curvature : 0.0;
        const double x = static_cast<double>(centre - g.boundarySearch + static_cast<Index>(top)) + vertex;
        points.push_back({s.nominalStart, x});
    }
    return points;
}

// Fits a straight line through the tone changes: the origin and the clock of the whole frame,
// from every one of its tone changes.
std::optional<Timing> fitTiming(
    const BinSums& sums, const Geometry& g, const SymbolRun& run, const Timing& t, double clockPrior)
{
    std::vector<TimingPoint> points = toneChanges(sums, g, run, t);

    // Least squares for origin and scale, held towards the lead-in's clock in proportion to
    // how noisy the tone changes are: clean changes set the clock themselves, noisy ones
    // lean on the lead-in's frequency, which a second of tone measures very well.
    Timing fitted = t;
    double spread2 = 1.0; // squared scatter of the readings about the line, bins²
    for (int round = 0; round < 3; ++round) {
        if (points.size() < 8)
            return std::nullopt;
        const double lambda = spread2 / (kLeadInClockSpread * kLeadInClockSpread);
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (const TimingPoint& p : points) {
            n += 1;
            sx += p.nominal;
            sy += p.measured;
            sxx += p.nominal * p.nominal;
            sxy += p.nominal * p.measured;
        }
        sxx += lambda;
        sxy += lambda * clockPrior;
        const double det = n * sxx - sx * sx;
        if (!(det > 0.0))
            return std::nullopt;
        fitted.scale = (n * sxy - sx * sy) / det;
        fitted.origin = (sy - fitted.scale * sx) / n;
        double rss = 0.0;
        for (const TimingPoint& p : points)
            rss += std::pow(p.measured - (fitted.origin + fitted.scale * p.nominal), 2);
        spread2 = std::max(0.05, rss / std::max(1.0, n - 2.0));
        // Drop the readings that noise pulled away, then fit again.
        const double limit = std::max(1.5, 3.0 * std::sqrt(spread2));
        std::erase_if(points, [&](const TimingPoint& p) {
            return std::fabs(p.measured - (fitted.origin + fitted.scale * p.nominal)) > limit;
        });
    }
    if (!std::isfinite(fitted.scale) || std::fabs(1.0 / fitted.scale - 1.0) > kMaxClockError)
        return std::nullopt;
    return fitted;
}

Frame frameFromSymbols(const std::vector<std::uint8_t>& symbols)
{
    Frame frame {};
    std::uint8_t bit = 0;
    for (std::size_t i = 0; i < symbols.size() && i < kSymbolCount; ++i) {
        if (symbols[i] != kRepeatSymbol)
            bit = symbols[i];
        if (bit)
            frame[i / 8] = static_cast<std::uint8_t>(frame[i / 8] | (0x80u >> (i % 8)));
    }
    return frame;
}

double toDb(double ratio)
{
    return 10.0 * std::log10(ratio);
}

struct Reading {
    std::vector<std::uint8_t> symbols;
    bool merged;
    bool complete;
    Frame frame {};
    bool crcOk = false;
};

std::vector<Reading> readingsOf(const SymbolRun& run)
{
    std::vector<Reading> readings;
    const std::size_t have = run.symbols.size();
    if (have == 0 || run.symbols[0].tone == 0) {
        Reading r {{}, false, have >= kSymbolCount};
        for (const SymbolRead& s : run.symbols)
            r.symbols.push_back(s.tone);
        readings.push_back(std::move(r));
    }
    {
        Reading r {{kLeadInTone}, true, have + 1 >= kSymbolCount};
        for (std::size_t i = 0; i < have && r.symbols.size() < kSymbolCount; ++i)
            r.symbols.push_back(run.symbols[i].tone);
        readings.push_back(std::move(r));
    }
    for (Reading& r : readings) {
        r.frame = frameFromSymbols(r.symbols);
        r.crcOk = r.complete && crcMatches(r.frame);
    }
    return readings;
}

// A reading one symbol off the true start is the frame shifted by a bit, and the CRC-16
// leaves every such shift the same fixed error pattern away from a matching CRC: one unlucky symbol would pass it. So where both readings are on the table,
// the one the lead-in's length does not back must carry the markers as well.
bool takenIfCrcMatches(const std::vector<Reading>& set, const Reading& r, bool leadInSaysMerged)
{
    return r.merged == leadInSaysMerged || set.size() == 1 || markersOk(r.frame);
}

bool acceptable(const std::vector<Reading>& set, const Reading& r, bool leadInSaysMerged)
{
    return r.crcOk && takenIfCrcMatches(set, r, leadInSaysMerged);
}

bool anyAcceptable(const std::vector<Reading>& set, bool leadInSaysMerged)
{
    return std::any_of(
        set.begin(), set.end(), [&](const Reading& r) { return acceptable(set, r, leadInSaysMerged); });
}

// Notes the whole readings that the CRC alone turned away.
void noteRejections(const std::vector<Reading>& set, bool leadInSaysMerged, CrcRejections& rejections)
{
    for (const Reading& r : set)
        if (r.complete && !r.crcOk && takenIfCrcMatches(set, r, leadInSaysMerged))
            rejections.add(r.frame);
}

// What every reading after one lead-in shares.
struct LeadInReading {
    const BinSums& sums; // turned back by the lead-in's clock
    const Geometry& g;
    double sampleRate_hz;
    LeadInMeasure lead;
    double noisePower; // per sample, over the lead-in
    Index change;
    Index onset;
    // The lead-in measured a symbol longer than a second: the frame's first symbol, 615 Hz
    // like the lead-in, merged with it.
    bool saysMerged;
};

// The lead-in's frequency gives the clock. The measure reads no bin past the lead-in, so the
// sums stop there: the same prefix sums, bit for bit, without building them over the whole
// frame twice.
double clockOfLeadIn(std::span<const ToneBin> bins, const Geometry& g, Index leadFrom, Index leadTo)
{
    const auto leadEnd
        = static_cast<std::size_t>(std::clamp<Index>(leadTo, 0, static_cast<Index>(bins.size())));
    return measureLeadIn(BinSums(bins.first(leadEnd)), g, leadFrom, leadTo).scale;
}

// Where the lead-in starts and ends, how loud it and the noise are, and whether the frame's
// first symbol merged with it.
LeadInReading readLeadIn(const BinSums& sums, const Geometry& g, const LeadInSighting& sighting,
    double sampleRate_hz, double clockScale)
{
    const Index leadFrom = sighting.onset + sighting.spread + g.window;
    const Index leadTo = sighting.change - sighting.spread;
    LeadInMeasure lead = measureLeadIn(sums, g, leadFrom, leadTo);
    lead.scale = clockScale;
    const double leadSamples = static_cast<double>(std::max<Index>(1, leadTo - leadFrom) * g.samplesPerBin);
    const double noise = std::max(0.0, sums.energy(leadFrom, leadTo) / leadSamples - lead.tonePower);
    const Index change = refineChange(sums, g, sighting.change, sighting.spread, sighting.onset, lead.scale);
    const Index onset
        = sighting.onsetSeen ? refineOnset(sums, g, sighting.onset, sighting.spread, change) : sighting.onset;

    // The symbols read from the change on either are the whole frame (its first bit is 0), or
    // follow a first symbol 1 that sounds like the lead-in and so merged with it. Frames
    // start with a 0 bit, but a frame that does not must not be misread either: the CRC
    // decides, and where it cannot, the lead-in's length does.
    bool saysMerged = false;
    if (sighting.onsetSeen) {
        const double measured = static_cast<double>(change - onset);
        const double plain = lead.scale * g.leadInBins;
        saysMerged = std::fabs(measured - plain - lead.scale * g.symbolBins[kLeadInTone])
            < std::fabs(measured - plain);
    }
    return {sums, g, sampleRate_hz, lead, noise, change, onset, saysMerged};
}

// The tones as the lead-in shows them, for a sender whose tone changes glide with this time
// constant (0: at once), in samples of the sender's clock.
ToneModel toneModel(const LeadInReading& c, double glide_samples)
{
    return ToneModel {std::sqrt(2.0 * c.lead.tonePower), c.noisePower,
        glide_samples * c.sampleRate_hz / kSampleRate_hz, false};
}

// The symbols from the lead-in's change on, their timing fitted to their own tone changes.
SymbolRun readTimed(const LeadInReading& c, const ToneModel& model)
{
    const BinSums& sums = c.sums;
    const Geometry& g = c.g;
    const LeadInMeasure& lead = c.lead;
    Timing timing {static_cast<double>(c.change), lead.scale};
    SymbolRun run = readRun(sums, g, timing, lead.tonePower, model);
    timing = run.timing;
    for (int pass = 0; pass < 3; ++pass) {
        const std::optional<Timing> fitted = fitTiming(sums, g, run, timing, lead.scale);
        if (!fitted)
            break;
        SymbolRun again = readRun(sums, g, *fitted, lead.tonePower, model);
        const bool settled = again.symbols.size() == run.symbols.size()
            && std::equal(again.symbols.begin(), again.symbols.end(), run.symbols.begin(),
                [](const SymbolRead& x, const SymbolRead& y) { return x.tone == y.tone; });
        timing = again.timing;
        run = std::move(again);
        if (settled)
            break;
    }
    return run;
}

// Read once more with every symbol scored against the phase the sender's unbroken phase
// gives it: more frames come back near the limit, and a clean recording never pays for it.
// Taken only when its CRC matches: with the slowest filter read as if tones changed at once,
// its phases are meaningless.
void rereadByPhase(const LeadInReading& c, const ToneModel& model, SymbolRun& run,
    std::vector<Reading>& readings, CrcRejections& rejections)
{
    ToneModel coherent = model;
    coherent.coherent = true;
    SymbolRun again = readRun(c.sums, c.g, run.trellis->timing(), c.lead.tonePower, coherent);
    std::vector<Reading> coherentReadings = readingsOf(again);
    noteRejections(coherentReadings, c.saysMerged, rejections);
    if (anyAcceptable(coherentReadings, c.saysMerged)) {
        run = std::move(again);
        readings = std::move(coherentReadings);
    }
}

// The reading the CRC takes, the one the lead-in's length backs first; else, with no CRC
// match, the one the lead-in's length backs.
const Reading& chooseReading(const std::vector<Reading>& readings, bool leadInSaysMerged)
{
    const Reading* chosen = nullptr;
    for (const Reading& r : readings)
        if (acceptable(readings, r, leadInSaysMerged) && (!chosen || r.merged == leadInSaysMerged))
            chosen = &r;
    if (!chosen) {
        chosen = &readings.front();
        for (const Reading& r : readings)
            if (r.merged == leadInSaysMerged)
                chosen = &r;
    }
    return *chosen;
}

// How many of the reading's symbols carry the tone.
struct Heard {
    std::size_t used; // symbols the reading owns
    std::size_t lastHeard; // symbols up to here carry the tone
};

// The signal report over the symbols the chosen reading owns.
Heard reportSignal(const LeadInReading& c, const SymbolRun& run, const Reading& chosen, SignalReport& rep)
{
    const Geometry& g = c.g;
    const std::size_t used
        = std::min(run.symbols.size(), kSymbolCount - (chosen.merged ? std::size_t {1} : std::size_t {0}));
    double signal = 0.0, total = 0.0;
    double weakest = kSnrCeiling_dB;
    int weakestIndex = 0;
    std::size_t lastHeard = 0;
    for (std::size_t i = 0; i < used; ++i) {
        const SymbolRead& s = run.symbols[i];
        signal += s.signalEnergy;
        total += s.totalEnergy;
        const int index = static_cast<int>(i) + (chosen.merged ? 2 : 1);
        if (s.margin_dB < weakest) {
            weakest = s.margin_dB;
            weakestIndex = index;
        }
        if (!s.lost)
            lastHeard = i + 1;
    }
    const Index end = used > 0 ? nearestBin(run.symbols[used - 1].start
                          + run.timing.scale * g.symbolBins[run.symbols[used - 1].tone])
                               : c.change;
    rep.start_s = static_cast<double>(c.onset) * g.binDuration_s;
    const double samples = static_cast<double>(std::max<Index>(1, end - c.onset) * g.samplesPerBin);
    const double meanSquare = c.sums.energy(c.onset, end) / samples;
    // Plain RMS against full scale (a full-scale sine reads -3.01 dBFS), so that the level
    // can never exceed the peak of the same samples.
    rep.level_dBFS = meanSquare > 0.0 ? toDb(meanSquare) : -std::numeric_limits<double>::infinity();
    const float peak = c.sums.peak(c.onset, end);
    rep.peak_dBFS = peak > 0.0f ? 20.0 * std::log10(static_cast<double>(peak))
                                : -std::numeric_limits<double>::infinity();
    rep.clockSkew_percent = (1.0 / run.timing.scale - 1.0) * 100.0;
    // What the winning tones do not explain is noise (and, on a clean signal, the glides
    // between tones, which is why a perfect file reads about 30 dB, not infinity).
    const double noise = total - signal;
    rep.snr_dB = noise > 0.0 && signal > 0.0
        ? std::clamp(toDb(signal / noise), -kSnrCeiling_dB, kSnrCeiling_dB)
        : (signal > 0.0 ? kSnrCeiling_dB : -kSnrCeiling_dB);
    rep.weakestMargin_dB = weakest;
    rep.weakestSymbol = weakestIndex;
    return {used, lastHeard};
}

void takeFrame(DecodeResult& result, const Frame& frame)
{
    result.frame = frame;
    result.computedCrc = bodyCrc(frame);
    result.receivedCrc = storedCrc(frame);
}

// A whole reading whose CRC fails: the sequences next to it may hold the frame sent.
// Markers 01 02 begin with a 0 bit, so the frame is sought among readings that start with
// symbol 0 right after the lead-in, wherever within a few symbols that is.
void correctAround(const LeadInReading& c, const ToneModel& model, const Timing& timing, DecodeResult& result)
{
    const double leadPower = c.lead.tonePower;
    SymbolRun marked = readRun(c.sums, c.g, timing, leadPower, model,
        TrellisShape {kSymbolCount, kLeadInTone, kBitZeroTone, kMarkedOriginSpread});
    if (const std::optional<Timing> refit = fitTiming(c.sums, c.g, marked, marked.timing, c.lead.scale))
        marked = readRun(c.sums, c.g, *refit, leadPower, model,
            TrellisShape {kSymbolCount, kLeadInTone, kBitZeroTone, kOriginSpread});
    const SymbolTrellis& plain = *marked.trellis;
    if (plain.tones().size() != kSymbolCount)
        return;
    const auto toFrame = [](std::span<const std::uint8_t> tones) {
        return frameFromSymbols(std::vector<std::uint8_t>(tones.begin(), tones.end()));
    };
    const Frame first = toFrame(plain.tones());
    std::optional<Correction> fixed;
    if (frameChecksOut(first)) {
        fixed = Correction {plain.tones(), 0};
    } else {
        if (markersOk(first))
            result.crcRejections.add(first);
        fixed = correctByCrc(plain, toFrame, result.crcRejections);
    }
    if (fixed) {
        takeFrame(result, toFrame(fixed->tones));
        result.correctedSymbols = fixed->changedSymbols;
    }
}

// The outcome of a reading the CRC did not take: cut short, faded out, or whole (and then
// perhaps put right by the CRC).
void judgeUnchecked(const LeadInReading& c, const ToneModel& model, const SymbolRun& run,
    const Reading& chosen, const Heard& h, DecodeResult& result)
{
    const int heard = static_cast<int>(h.lastHeard) + (chosen.merged && h.lastHeard > 0 ? 1 : 0);
    if (!chosen.complete) {
        result.outcome = DecodeOutcome::EndsEarly;
        result.symbolsRead = std::min(result.symbolsRead, heard);
        result.why = result.symbolsRead == 0 ? DecodeReason::EndsInLeadIn : DecodeReason::RecordingEnds;
        result.reason = result.symbolsRead == 0
            ? std::string("the recording ends in the lead-in, before the first symbol")
            : "the recording ends after symbol " + std::to_string(result.symbolsRead) + " of 128";
    } else if (h.used > 0 && h.lastHeard + kLostRun <= h.used) {
        result.outcome = DecodeOutcome::EndsEarly;
        result.symbolsRead = heard;
        result.why = DecodeReason::SignalStops;
        result.reason = "the signal stops after symbol " + std::to_string(heard) + " of 128";
    } else {
        result.outcome = DecodeOutcome::Decoded;
        correctAround(c, model, run.timing, result);
    }
}

// From the symbols read to the result: the readings the CRC may take, a second reading by
// phase when it takes none, the signal report, and the outcome.
DecodeResult readFrom(const LeadInReading& c, const ToneModel& model, SymbolRun run)
{
    DecodeResult result;
    result.report.sampleRate_hz = c.sampleRate_hz;
    std::vector<Reading> readings = readingsOf(run);
    noteRejections(readings, c.saysMerged, result.crcRejections);
    if (!anyAcceptable(readings, c.saysMerged))
        rereadByPhase(c, model, run, readings, result.crcRejections);
    const Reading& chosen = chooseReading(readings, c.saysMerged);
    const Heard heard = reportSignal(c, run, chosen, result.report);
    takeFrame(result, chosen.frame);
    result.symbolsRead = static_cast<int>(std::min(chosen.symbols.size(), std::size_t {kSymbolCount}));
    if (acceptable(readings, chosen, c.saysMerged))
        result.outcome = DecodeOutcome::Decoded;
    else
        judgeUnchecked(c, model, run, chosen, heard, result);
    return result;
}

// Tones are first taken to change at once. When no reading then passes its CRC, the symbols
// are read once more as a sender with the slowest phase filter makes them (Alfa about 0.01:
// every tone change a glide over a third of a symbol), and whichever way explains the
// recording better goes on to the phase-scored reading and the correction list: a frame that
// noise spoilt is not given a second set of chances by the glides.
DecodeResult readFrame(const LeadInReading& c)
{
    SymbolRun plain = readTimed(c, toneModel(c, 0.0));
    const std::vector<Reading> plainReadings = readingsOf(plain);
    if (!anyAcceptable(plainReadings, c.saysMerged) && !plain.ranOut) {
        SymbolRun glided = readTimed(c, toneModel(c, kSlowFilterGlide_samples));
        if (glided.trellis->bestMetric() > plain.trellis->bestMetric()) {
            DecodeResult r = readFrom(c, toneModel(c, kSlowFilterGlide_samples), std::move(glided));
            noteRejections(plainReadings, c.saysMerged, r.crcRejections);
            return r;
        }
    }
    return readFrom(c, toneModel(c, 0.0), std::move(plain));
}

} // namespace

// The lead-in first (its clock, its ends, its level), then the symbols after it, with every
// tone read turned back onto its own frequency, so that a recording 3 % fast or slow loses no
// coherence.
DecodeResult readSymbols(std::span<const ToneBin> bins, const LeadInSighting& sighting, const BinScale& scale)
{
    const Geometry g(scale);
    const Index leadFrom = sighting.onset + sighting.spread + g.window;
    const Index leadTo = sighting.change - sighting.spread;
    const double clockScale = clockOfLeadIn(bins, g, leadFrom, leadTo);
    const BinSums sums(bins, 1.0 / clockScale - 1.0, g.binDuration_s);
    return readFrame(readLeadIn(sums, g, sighting, scale.sampleRate_hz, clockScale));
}

} // namespace tarvel
