#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The trainer's clock: seconds that only ever run forward, and a way to let time pass.
// Run times and waits are differences of two readings, so they must not come from the
// time of day: midnight sets it back to 0 and a daylight-saving change or a clock
// correction moves it by an hour or more, which would end a run or a wait early or never.
// The window uses the machine's monotonic clock; tests use a fake whose pause() only moves
// its own time forward, so a whole PTT pattern runs in microseconds.

namespace tarvel {

class TrainerClock {
public:
    virtual ~TrainerClock() = default;
    // Seconds from some fixed point in the past; never smaller than an earlier reading.
    virtual double seconds() = 0;
    // Holds the calling thread for about `seconds` (never spins the processor).
    virtual void pause(double seconds) = 0;
};

// The machine's monotonic clock, which setting the time or the time zone does not move.
class SteadyTrainerClock final : public TrainerClock {
public:
    double seconds() override;
    void pause(double seconds) override;
};

} // namespace tarvel
