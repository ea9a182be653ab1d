#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A tone device that notes every beep it is asked for, and when on the fake clock.

#include "support/FakeClock.h"
#include "trainer/ToneDriver.h"

#include <cstdint>
#include <vector>

namespace tarvel::testing {

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
