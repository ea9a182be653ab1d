#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A trainer clock whose pauses only move its own time forward: a whole PTT run, or any
// wait of the tone driver, passes in microseconds.

#include "trainer/TrainerClock.h"

#include <cmath>
#include <stdexcept>

namespace tarvel::testing {

class FakeClock final : public TrainerClock {
public:
    explicit FakeClock(double startSeconds = 10 * 3600.0) : seconds_(startSeconds) { }
    // Reads to the millisecond, like a coarse system clock.
    double seconds() override
    {
        ++readings;
        return std::floor(seconds_ * 1000.0) / 1000.0;
    }
    void pause(double seconds) override
    {
        // A wait that never ends fails the test instead of hanging it.
        if (++pauses > kMaxPauses)
            throw std::runtime_error("the wait never ended");
        seconds_ += seconds;
    }
    void advance(double seconds) { seconds_ += seconds; }
    double now() const { return seconds_; }

    static constexpr long kMaxPauses = 100'000;
    long readings = 0;
    long pauses = 0;

private:
    double seconds_;
};

} // namespace tarvel::testing
