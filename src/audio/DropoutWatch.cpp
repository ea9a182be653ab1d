// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/DropoutWatch.h"

#include <algorithm>
#include <utility>

namespace tarvel {

void DropoutWatch::observe(std::int64_t at_us, std::int64_t position_us, std::int64_t buffered_us)
{
    // A suspended output reports what it threw away as played; its resumption tells the hole.
    if (position_us <= 0 || suspendedAt_us_)
        return;
    played_us_ = std::min(position_us, sound_us_);
    const std::int64_t held = std::max(buffered_us, std::int64_t {0});
    dry_ = Dry {at_us + held, position_us + held};
    const std::int64_t start = at_us - position_us;
    start_us_ = start;
    history_.push_back({at_us, start});
    while (history_.front().at_us < at_us - kBaselineAge_us.second)
        history_.pop_front();
    // Against where the output stood a little while ago, so that an output whose clock runs
    // slower than the computer's is not taken for one that stopped; held once a hole is seen.
    std::optional<std::int64_t> baseline = baseline_;
    if (!baseline_)
        for (const Report& r : history_)
            if (r.at_us <= at_us - kBaselineAge_us.first)
                baseline = baseline ? std::min(*baseline, r.start_us) : r.start_us;
    if (!baseline)
        return;
    const std::int64_t behind = start - *baseline;
    if (dropout_ && dropout_->open) {
        // Open until the output plays again; it keeps growing until then.
        dropout_->length_us = std::max(dropout_->length_us, behind);
        if (position_us > dropout_->at_us + kTolerance_us) {
            dropout_->open = false;
            dropout_->closedAt_us = at_us;
        }
    } else if (dropout_ && !suspensionHole_) {
        dropout_->length_us = std::min(dropout_->length_us, behind);
        // A report can only be late: one that finds the output where it should be shows that
        // the reports before it were late, not the output.
        if (dropout_->length_us <= kTolerance_us) {
            dropout_.reset();
            baseline_.reset();
            behindReports_ = 0;
        }
    } else if (dropout_) {
        // A suspension's length stands as the server told it: the output counts what it threw
        // away as played, so the reports after it cannot measure it.
    } else if (behind > kTolerance_us) {
        if (behindReports_++ == 0) {
            behindFirstAt_us_ = at_us;
            behindSince_us_ = position_us;
        }
        if (behindReports_ >= kConfirmingReports && at_us - behindFirstAt_us_ >= kConfirmSpan_us) {
            hole(behindSince_us_, behind);
            baseline_ = baseline;
            if (position_us > behindSince_us_ + kTolerance_us) {
                dropout_->open = false;
                dropout_->closedAt_us = at_us;
            }
        }
    } else {
        behindReports_ = 0;
    }
}

bool DropoutWatch::unanswered(std::int64_t askedAt_us, std::int64_t now_us)
{
    // Before the first sample nothing is lost yet; after the last one is taken the output
    // holds all that is left.
    if (dropout_ || !dry_ || endsAt_us_ || suspendedAt_us_ || now_us - askedAt_us < kServerSilence_us
        || now_us - dry_->at_us <= kTolerance_us)
        return false;
    hole(dry_->position_us, now_us - dry_->at_us);
    return true;
}

void DropoutWatch::suspended(std::int64_t at_us, bool on)
{
    if (on) {
        if (endsAt_us_ && at_us >= *endsAt_us_)
            return; // after the last sample: nothing of the sound is lost
        if (!suspendedAt_us_)
            suspendedAt_us_ = at_us;
        if (!dropout_) {
            hole(start_us_ ? std::clamp(at_us - *start_us_, std::int64_t {0}, sound_us_) : 0, 0);
            suspensionHole_ = true;
            for (const Report& r : history_)
                baseline_ = baseline_ ? std::min(*baseline_, r.start_us) : r.start_us;
        }
        return;
    }
    if (suspendedAt_us_ && dropout_ && dropout_->open) {
        // Taken when this program heard of it, maybe late: the reports after it say less.
        dropout_->length_us = std::max(dropout_->length_us, at_us - *suspendedAt_us_);
        dropout_->open = false;
        dropout_->closedAt_us = at_us;
    }
    suspendedAt_us_.reset();
}

void DropoutWatch::tick(std::int64_t now_us)
{
    if (suspendedAt_us_ && dropout_ && dropout_->open)
        dropout_->length_us = std::max(dropout_->length_us, now_us - *suspendedAt_us_);
}

void DropoutWatch::allTaken(std::int64_t at_us, std::int64_t buffered_us)
{
    if (!endsAt_us_)
        endsAt_us_ = at_us + std::max(buffered_us, std::int64_t {0});
    played_us_ = std::max(played_us_, std::min(sound_us_, sound_us_ - buffered_us));
}

void DropoutWatch::hole(std::int64_t at_us, std::int64_t length_us)
{
    dropout_ = Dropout {std::min(at_us, sound_us_), length_us, true, 0};
}

} // namespace tarvel
