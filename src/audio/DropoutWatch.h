#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the output played the sound without a hole, judged from what the sound server
// reports: at server time `at`, the output had played `position` of the sound. An output
// that plays on keeps `at - position` steady; a hole (the output suspended, starved or
// stalled) makes it grow by the hole's length. Plain C++: the player feeds it the reports.

#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

namespace tarvel {

struct Dropout {
    std::int64_t at_us = 0; // where in the sound the output stopped playing
    std::int64_t length_us = 0; // how long it played nothing (so far, while open)
    bool open = true; // the output has not played again yet
    std::int64_t closedAt_us = 0; // server time when it was seen playing again
};

class DropoutWatch {
public:
    // Steps up to this are the output's own jitter, and a hole this short is read through
    // by this program's decoder (docs/RELIABILITY.md); a symbol of the signal lasts 29 ms.
    static constexpr std::int64_t kTolerance_us = 15'000;
    // A report can only come late, never early: the server stamps it a moment after it read
    // the output's position, and a busy server's moment can last a good part of a second.
    // So only an output found behind by every report over this long is taken as behind, and
    // a hole's length is the least any report over this long after it found.
    static constexpr std::int64_t kConfirmSpan_us = 100'000;
    static constexpr int kConfirmingReports = 3; // at least, within the span
    // How old the reports are that tell where the output should be now: old enough to
    // precede a hole being confirmed, young enough that a sound card whose clock runs a few
    // per mille slow has not drifted by the tolerance since.
    static constexpr std::pair<std::int64_t, std::int64_t> kBaselineAge_us {200'000, 600'000};
    // How long the server may leave a question about the output unanswered before it is
    // taken as stopped: a busy one answers within a fraction of this.
    static constexpr std::int64_t kServerSilence_us = 1'000'000;

    explicit DropoutWatch(std::int64_t sound_us) : sound_us_(sound_us) { }

    // A report while the server still holds some of the sound for the output, which holds
    // `buffered_us` still to play. Before the output has started (`position_us` <= 0)
    // nothing is judged.
    void observe(std::int64_t at_us, std::int64_t position_us, std::int64_t buffered_us = 0);
    // The server has left a question unanswered since `askedAt_us`, and it is `now_us`. It
    // feeds the output, so a server silent for kServerSilence_us has fed it nothing: once
    // what the output held at the last report has played, it plays nothing. True when this
    // opened a hole (open: its length is the least it can be).
    bool unanswered(std::int64_t askedAt_us, std::int64_t now_us);
    // The output was suspended (`on`) or taken up again at server time `at_us`; this alone
    // tells a hole in the last stretch, which the output has taken but not played yet.
    void suspended(std::int64_t at_us, bool on);
    // The time now, for a hole that is still open while the output stays suspended.
    void tick(std::int64_t now_us);
    // The output has taken the last sample at `at_us` and holds `buffered_us` more to play:
    // the end, unless it is suspended before then.
    void allTaken(std::int64_t at_us, std::int64_t buffered_us);

    bool started() const { return start_us_.has_value(); }
    // How much of the sound the output had played by the last report.
    std::int64_t played_us() const { return played_us_; }
    // Server time by which the output will have played the last sample, once known.
    std::optional<std::int64_t> endsAt_us() const { return endsAt_us_; }
    // The first hole, once one is seen; its length is final once it has been closed for
    // kConfirmSpan_us. Gone again when a report in that span finds the output on time.
    const std::optional<Dropout>& dropout() const { return dropout_; }

private:
    void hole(std::int64_t at_us, std::int64_t length_us);

    const std::int64_t sound_us_;
    struct Report {
        std::int64_t at_us;
        std::int64_t start_us; // server time the sound would have started, by this report
    };
    std::deque<Report> history_; // the reports of the last kBaselineAge_us.second
    std::optional<std::int64_t> baseline_; // where the output stood before the hole, once one is seen
    std::optional<std::int64_t> start_us_; // server time the sound would have started, by the last report
    struct Dry {
        std::int64_t at_us; // server time the output runs out of what it held, by the last report
        std::int64_t position_us; // where in the sound
    };
    std::optional<Dry> dry_;
    std::int64_t played_us_ = 0;
    int behindReports_ = 0; // reports in a row that found the output behind
    std::int64_t behindFirstAt_us_ = 0; // server time of the first of them
    std::int64_t behindSince_us_ = 0; // where in the sound the first of them found it
    std::optional<std::int64_t> suspendedAt_us_;
    std::optional<std::int64_t> endsAt_us_;
    std::optional<Dropout> dropout_;
    bool suspensionHole_ = false; // the dropout was told by a suspension
};

} // namespace tarvel
