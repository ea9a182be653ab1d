#pragma once
// A time-of-day clock whose pauses only move its own time forward: a whole PTT run, or
// any wait of the tone driver, passes in microseconds.

#include "trainer/TimeOfDay.h"

#include <cmath>
#include <stdexcept>

namespace tarvel::testing {

class FakeClock final : public TimeOfDayClock {
public:
    explicit FakeClock(double startSeconds = 10 * 3600.0) : seconds_(startSeconds) { }
    // Wraps at midnight like the real time of day; reads to the millisecond.
    double timeOfDay() override
    {
        ++readings;
        const double ms = std::floor(std::fmod(seconds_, kSecondsPerDay) * 1000.0);
        return ms / 1000.0 / kSecondsPerDay;
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
