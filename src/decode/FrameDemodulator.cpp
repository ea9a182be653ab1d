// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/FrameDemodulator.h"

#include "decode/SymbolReader.h"
#include "signal/ToneSignal.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tarvel {

namespace {

constexpr double kHop_s = 0.010;
// The lead-in is watched through 60 ms: three symbols at least, of which at most two can
// be 615 Hz, so a look full of 615 Hz is lead-in (or tail) even in heavy noise. Symbol
// tones are noticed through 20 ms, one symbol.
constexpr double kLeadWindow_s = 0.060;
constexpr double kToneWindow_s = 0.020;
constexpr double kMinLeadIn_s = 0.4; // longer than the 0.25 s tail, so a tail is never a lead-in
constexpr double kMaxLeadIn_s = 1.5; // a longer 615 Hz run keeps only its last part
constexpr double kToneFraction = 0.02; // of a look's energy, for a tone to count as present
constexpr double kToneDominance = 3.0; // over each of the other two
constexpr double kClearToneFraction = 0.1;
constexpr std::int64_t kMinToneHops = 20;
constexpr std::int64_t kMaxGapHops = 3; // looks in a row that may miss the lead-in in noise
// A lead-in that yields no frame and is heard again within this many looks was cut short
// by noise, not ended.
constexpr std::int64_t kResumeHops = 10;
constexpr int kMaxResumes = 3; // so that one lead-in is read at most four times
constexpr double kSlowestClock = 1.04;
constexpr std::int64_t kTrimSlack = 4096; // bins dropped in batches, not one by one

// How far a reading of one lead-in got: a decoded frame above all, else the symbols read.
int readingProgress(const DecodeResult& r)
{
    return r.decoded() ? 1'000'000 : r.symbolsRead;
}

} // namespace

FrameDemodulator::FrameDemodulator(double sampleRate_hz) : binner_(sampleRate_hz)
{
    const double binDuration = binner_.binDuration_s();
    hop_ = std::max<std::int64_t>(1, std::llround(kHop_s / binDuration));
    leadWindow_ = std::max<std::int64_t>(3, std::llround(kLeadWindow_s / binDuration));
    toneWindow_ = std::max<std::int64_t>(1, std::llround(kToneWindow_s / binDuration));
    minLeadHops_ = std::llround(kMinLeadIn_s / kHop_s);
    maxLeadHops_ = std::llround(kMaxLeadIn_s / kHop_s);
    const double longestSymbols = kSymbolCount * static_cast<double>(kLongestSymbol_samples) / kSampleRate_hz;
    frameBins_ = std::llround(longestSymbols * kSlowestClock / binDuration) + 2 * leadWindow_;
    nextHop_ = leadWindow_;
    // Room for the most it holds (a lead-in, its frame, the margins, the bins not yet dropped
    // and a second being fed), so that it never moves its bins while it grows.
    const std::int64_t mostHeld
        = frameBins_ + maxLeadHops_ * hop_ + 4 * leadWindow_ + kTrimSlack + std::llround(1.0 / binDuration);
    bins_.reserve(static_cast<std::size_t>(mostHeld));
}

bool FrameDemodulator::feed(std::span<const float> samples)
{
    if (done())
        return true;
    binner_.push(samples, bins_);
    scan(false);
    return done();
}

DecodeResult FrameDemodulator::finish()
{
    if (!done())
        scan(true);
    if (found_)
        return *found_;
    if (best_) {
        DecodeResult r = *best_;
        r.crcRejections = crcRejections_;
        return r;
    }
    DecodeResult r;
    r.report.sampleRate_hz = binner_.sampleRate_hz();
    if (toneHops_ >= kMinToneHops) {
        r.outcome = DecodeOutcome::NoLeadIn;
        r.why = DecodeReason::ToneWithoutLeadIn;
        r.reason = "no lead-in: the recording holds symbol tones but never the 1 s 615 Hz lead-in "
                   "(did the recording start late?)";
    } else {
        r.outcome = DecodeOutcome::NoSignal;
        r.why = DecodeReason::NoLeadIn;
        r.reason = "no signal: no 615 Hz lead-in found in the recording";
    }
    return r;
}

int FrameDemodulator::dominantTone(std::int64_t hopEnd, std::int64_t window, double& fraction) const
{
    const auto from = static_cast<std::size_t>(hopEnd - window - firstBin_);
    const auto to = static_cast<std::size_t>(hopEnd - firstBin_);
    // Coherent over the whole look, and also over pieces of one symbol's length added by
    // power: a sound card 3 % off turns a tone by a whole cycle in 60 ms, which the whole
    // look would average away, but a piece keeps most of it.
    std::array<std::complex<double>, kToneCount> sum {}, piece {};
    std::array<double, kToneCount> piecePower {};
    double energy = 0.0;
    std::size_t filled = 0;
    for (std::size_t i = from; i < to; ++i) {
        for (std::size_t k = 0; k < kToneCount; ++k) {
            const std::complex<double> v(bins_[i].tone[k]);
            sum[k] += v;
            piece[k] += v;
        }
        energy += static_cast<double>(bins_[i].energy);
        if (++filled == static_cast<std::size_t>(toneWindow_) || i + 1 == to) {
            for (std::size_t k = 0; k < kToneCount; ++k) {
                piecePower[k] += std::norm(piece[k]) / static_cast<double>(filled);
                piece[k] = {};
            }
            filled = 0;
        }
    }
    fraction = 0.0;
    if (!(energy > 0.0))
        return -1;
    const double bins = static_cast<double>(window);
    const double perBin = static_cast<double>(binner_.samplesPerBin());
    std::array<double, kToneCount> f {};
    for (std::size_t k = 0; k < kToneCount; ++k)
        f[k] = 2.0 * std::max(std::norm(sum[k]) / bins, piecePower[k]) / (perBin * energy);
    const auto top = static_cast<std::size_t>(std::max_element(f.begin(), f.end()) - f.begin());
    for (std::size_t k = 0; k < kToneCount; ++k)
        if (k != top && f[top] < kToneDominance * f[k])
            return -1;
    if (f[top] < kToneFraction)
        return -1;
    fraction = f[top];
    return static_cast<int>(top);
}

bool FrameDemodulator::clearOtherTone(std::int64_t hopEnd) const
{
    double fraction = 0.0;
    const int tone = dominantTone(hopEnd, toneWindow_, fraction);
    return tone >= 0 && tone != kLeadInTone && fraction >= kClearToneFraction;
}

void FrameDemodulator::scan(bool streamEnded)
{
    const std::int64_t available = firstBin_ + static_cast<std::int64_t>(bins_.size());
    while (!done()) {
        if (pending_) {
            if (available < pending_->needed && !streamEnded)
                return;
            readCandidate();
            continue;
        }
        if (nextHop_ > available) {
            if (streamEnded && endInsideRun(available))
                continue;
            return;
        }
        const std::int64_t hopEnd = nextHop_;
        nextHop_ += hop_;
        look(hopEnd);
        dropOldBins(hopEnd);
    }
}

bool FrameDemodulator::endInsideRun(std::int64_t available)
{
    if (run_.hops < minLeadHops_)
        return false;
    pending_ = Candidate {run_.firstHop - leadWindow_ / 2, available, !run_.cut, available};
    run_.hops = 0;
    return true;
}

void FrameDemodulator::look(std::int64_t hopEnd)
{
    double fraction = 0.0;
    const int tone = dominantTone(hopEnd, leadWindow_, fraction);
    if (tone == kLeadInTone) {
        extendRun(hopEnd);
    } else if (run_.hops > 0 && run_.gapHops < kMaxGapHops && !clearOtherTone(hopEnd)) {
        ++run_.gapHops; // a look that noise took from the lead-in, or its end
    } else {
        endRun(hopEnd);
    }
}

void FrameDemodulator::extendRun(std::int64_t hopEnd)
{
    if (run_.hops == 0) {
        run_.firstHop = hopEnd;
        run_.cut = false;
        run_.resumes = 0;
        if (ended_ && hopEnd - ended_->lastLeadHop <= kResumeHops * hop_ && ended_->resumes < kMaxResumes) {
            // The lead-in just read gave no frame and comes back at once: noise had cut it
            // short. It is one lead-in, from its first look on.
            run_.firstHop = ended_->firstHop;
            run_.cut = ended_->cut;
            run_.gapHops = (hopEnd - ended_->lastLeadHop) / hop_ - 1;
            run_.hops = ended_->hops;
            run_.resumes = ended_->resumes + 1;
        }
        ended_.reset();
    }
    run_.hops += 1 + run_.gapHops;
    run_.gapHops = 0;
    run_.lastLeadHop = hopEnd;
    while (run_.hops > maxLeadHops_) {
        run_.firstHop += hop_;
        --run_.hops;
        run_.cut = true;
    }
}

void FrameDemodulator::endRun(std::int64_t hopEnd)
{
    run_.gapHops = 0;
    if (run_.hops >= minLeadHops_) {
        // The look stops being 615 Hz about when half of it has left the lead-in.
        const std::int64_t change = run_.lastLeadHop + hop_ - leadWindow_ / 2;
        pending_ = Candidate {run_.firstHop - leadWindow_ / 2, change, !run_.cut, change + frameBins_};
        ended_ = run_;
    } else {
        double fraction = 0.0;
        if (dominantTone(hopEnd, toneWindow_, fraction) != kLeadInTone && fraction >= kClearToneFraction)
            ++toneHops_;
    }
    run_.hops = 0;
}

// Keeps the bins still needed: those of a lead-in in progress or waiting to be read, else
// the current look's.
void FrameDemodulator::dropOldBins(std::int64_t hopEnd)
{
    std::int64_t keep = hopEnd - 2 * leadWindow_;
    if (run_.hops > 0)
        keep = std::min(keep, run_.firstHop - 2 * leadWindow_);
    if (pending_)
        keep = std::min(keep, pending_->onset - 2 * leadWindow_);
    if (ended_ && !pending_ && run_.hops == 0 && hopEnd - ended_->lastLeadHop > kResumeHops * hop_)
        ended_.reset();
    if (ended_)
        keep = std::min(keep, ended_->firstHop - 2 * leadWindow_);
    keepBinsFrom(keep);
}

void FrameDemodulator::readCandidate()
{
    const Candidate c = *pending_;
    pending_.reset();
    const std::int64_t from = std::max(firstBin_, c.onset - 2 * leadWindow_);
    const std::int64_t to = firstBin_ + static_cast<std::int64_t>(bins_.size());
    const std::span<const ToneBin> span(
        bins_.data() + (from - firstBin_), static_cast<std::size_t>(to - from));
    const LeadInSighting sighting {static_cast<std::ptrdiff_t>(std::max(c.onset, from) - from),
        static_cast<std::ptrdiff_t>(c.change - from), static_cast<std::ptrdiff_t>(leadWindow_ / 2 + hop_),
        c.onsetSeen};
    DecodeResult r = readSymbols(span, sighting, binner_.scale());
    r.report.start_s += static_cast<double>(from) * binner_.binDuration_s();
    crcRejections_.add(r.crcRejections);
    r.crcRejections = crcRejections_;
    if (r.crcOk()) {
        found_ = std::move(r);
        return;
    }
    if (!best_ || readingProgress(r) > readingProgress(*best_))
        best_ = std::move(r);
    // Look on from the end of this lead-in: a later send may read better.
}

void FrameDemodulator::keepBinsFrom(std::int64_t globalBin)
{
    const std::int64_t drop = globalBin - firstBin_;
    if (drop < kTrimSlack)
        return;
    bins_.erase(bins_.begin(), bins_.begin() + static_cast<std::ptrdiff_t>(drop));
    firstBin_ = globalBin;
}

} // namespace tarvel
