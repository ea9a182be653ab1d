#pragma once
// The trainer's clock: the local time of day as a fraction of a day, and a way to let
// time pass. The window uses the system clock; tests use a fake whose pause() only moves
// its own time forward, so a whole PTT pattern runs in microseconds.

namespace tarvel {

inline constexpr double kSecondsPerDay = 86'400.0;

class TimeOfDayClock {
public:
    virtual ~TimeOfDayClock() = default;
    // Local time of day, 0 at midnight, just under 1 before the next.
    virtual double timeOfDay() = 0;
    // Holds the calling thread for about `seconds` (never spins the processor).
    virtual void pause(double seconds) = 0;
};

// The machine's local clock, to the millisecond.
class SystemTimeOfDayClock final : public TimeOfDayClock {
public:
    double timeOfDay() override;
    void pause(double seconds) override;
};

// Seconds elapsed since start(), fed with successive time-of-day readings. The time of day
// falls back to 0 at midnight; a reading that is far below the previous one is that wrap
// and counts the way forward across midnight. A small step back (the clock was set back)
// counts as no time, so elapsed time never runs backwards and a wait never grows by a day.
class ElapsedDayTime {
public:
    void start(double timeOfDay);
    // The elapsed seconds up to this reading.
    double advance(double timeOfDay);
    double seconds() const { return elapsedDays_ * kSecondsPerDay; }

private:
    double last_ = 0.0;
    double elapsedDays_ = 0.0;
};

} // namespace tarvel
