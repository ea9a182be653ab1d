#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// L_CRT: the trainer's sound switch, short beeps and the clock-based wait.

#include "trainer/TrainerClock.h"

#include <cstdint>

namespace tarvel {

struct SoundState {
    bool soundOn = true; // the trainer's sound switch
};

// Something that can sound a tone: returns once the tone has been heard.
class ToneDevice {
public:
    virtual ~ToneDevice() = default;
    virtual void beep(std::int32_t frequency_hz, std::int32_t duration_ms) = 0;
};

// One delay unit of Delay: a day has 62 400 000 of them (about 1.3846 ms each).
inline constexpr double kSecondsPerDelayUnit = 86'400.0 / 62'400'000.0;

// Beeps and waits for the trainer. Without a tone device a beep only waits its length.
// Every wait goes through the clock, so nothing here spins the processor or sleeps for
// real under a test's fake clock.
class ToneDriver {
public:
    ToneDriver(const SoundState& sound, TrainerClock& clock, ToneDevice* device)
            : sound_(sound), clock_(clock), device_(device)
    {
    }

    // A tone of `frequency_hz` for `duration`: milliseconds with a tone device, delay units
    // without one. Nothing at all (no tone, no wait) while the sound switch is off. Both
    // values are rounded to the nearest whole number, ties to even; a value that does not
    // fit, a negative frequency or duration with a device, or a duration outside 0..65535
    // without one throws std::range_error.
    void Sound(double frequency_hz, double duration);

    // Returns once more than `units` delay units have passed on the clock (at least one
    // clock step for 0).
    void Delay(std::uint16_t units);

private:
    void waitSeconds(double seconds);

    const SoundState& sound_;
    TrainerClock& clock_;
    ToneDevice* device_;
};

} // namespace tarvel
