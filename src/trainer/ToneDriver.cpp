// SPDX-License-Identifier: GPL-3.0-or-later
#include "trainer/ToneDriver.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace tarvel {

namespace {

// The shortest pause between two clock readings while waiting: the clock's own step.
constexpr double kMinimumPause_s = 0.001;

[[noreturn]] void rangeError()
{
    throw std::range_error("Range check error");
}

// Nearest whole number, ties to even, as a signed 32-bit value.
std::int32_t roundToInt32(double value)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min()
            && rounded <= std::numeric_limits<std::int32_t>::max()))
        rangeError(); // also NaN
    return static_cast<std::int32_t>(rounded);
}

} // namespace

void ToneDriver::Sound(double frequency_hz, double duration)
{
    if (!sound_.soundOn)
        return;
    const std::int32_t frequency = roundToInt32(frequency_hz);
    const std::int32_t length = roundToInt32(duration);
    if (device_ != nullptr) {
        // A negative length would reach the device as a wait of weeks.
        if (frequency < 0 || length < 0)
            rangeError();
        const double start = clock_.seconds();
        device_->beep(frequency, length);
        // The caller counts on the full length having passed, whatever the device did.
        const double remaining = length / 1000.0 - (clock_.seconds() - start);
        if (remaining > 0.0)
            waitSeconds(remaining);
        return;
    }
    if (length < 0 || length > std::numeric_limits<std::uint16_t>::max())
        rangeError();
    Delay(static_cast<std::uint16_t>(length));
}

void ToneDriver::Delay(std::uint16_t units)
{
    const double start = clock_.seconds();
    for (;;) {
        const double passedUnits = (clock_.seconds() - start) / kSecondsPerDelayUnit;
        if (passedUnits > units)
            return;
        // Sleep until the wait should be over instead of reading the clock in a tight loop.
        clock_.pause(std::max((units - passedUnits) * kSecondsPerDelayUnit, kMinimumPause_s));
    }
}

void ToneDriver::waitSeconds(double seconds)
{
    const double start = clock_.seconds();
    double passed = 0.0;
    while (passed < seconds) {
        clock_.pause(std::max(seconds - passed, kMinimumPause_s));
        passed = clock_.seconds() - start;
    }
}

} // namespace tarvel
