#pragma once
// A clock whose pauses only move its own time forward, and a tone device that notes what
// it was asked to sound: a whole PTT run in microseconds.

#include "trainer/ToneDriver.h"
#include "trainer/TrainerClock.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

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

struct Beep {
    std::int32_t frequency_hz;
    std::int32_t duration_ms;
    double at_s; // fake time when it was asked for
};

class RecordingTones final : public ToneDevice {
public:
    explicit RecordingTones(FakeClock& clock) : clock_(clock) { }
    void beep(std::int32_t frequency_hz, std::int32_t duration_ms) override
    {
        beeps.push_back({frequency_hz, duration_ms, clock_.now()});
    }
    std::vector<Beep> beeps;

private:
    FakeClock& clock_;
};

} // namespace tarvel::testing
