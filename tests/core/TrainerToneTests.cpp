// SPDX-License-Identifier: GPL-3.0-or-later
// The tone driver: what reaches the tone device, how long beeps and waits last on the
// clock, the sound switch and out-of-range values; and the machine's own trainer clock.

#include "support/FakeClock.h"
#include "support/RecordingTones.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

using namespace tarvel;
using namespace tarvel::testing;

namespace {

constexpr double kUnit_s = kSecondsPerDelayUnit;

struct ToneFixture : ::testing::Test {
    SoundState sound;
    FakeClock clock;
    RecordingTones device {clock};
    ToneDriver withDevice {sound, clock, &device};
    ToneDriver withoutDevice {sound, clock, nullptr};
};

TEST_F(ToneFixture, SoundPassesRoundedValuesToTheDeviceAndLastsItsLength)
{
    const double before = clock.now();
    withDevice.Sound(800, 20);
    ASSERT_EQ(device.beeps.size(), 1u);
    EXPECT_EQ(device.beeps[0].frequency_hz, 800);
    EXPECT_EQ(device.beeps[0].duration_ms, 20);
    // The device returned at once, so the driver waited out the 20 ms itself.
    EXPECT_GE(clock.now() - before, 0.020);
    EXPECT_LT(clock.now() - before, 0.025);

    withDevice.Sound(19.5, 2.5); // ties go to the even neighbour
    withDevice.Sound(18.5, 3.5);
    EXPECT_EQ(device.beeps[1].frequency_hz, 20);
    EXPECT_EQ(device.beeps[1].duration_ms, 2);
    EXPECT_EQ(device.beeps[2].frequency_hz, 18);
    EXPECT_EQ(device.beeps[2].duration_ms, 4);
}

TEST_F(ToneFixture, SoundSwitchOffIsSilentAndTakesNoTimeOnBothPaths)
{
    sound.soundOn = false;
    const double before = clock.now();
    withDevice.Sound(800, 20);
    withoutDevice.Sound(600, 20);
    EXPECT_TRUE(device.beeps.empty());
    EXPECT_EQ(clock.now(), before);
    // Out-of-range values are not even looked at while silent.
    EXPECT_NO_THROW(withDevice.Sound(-1, 1e20));

    withoutDevice.Delay(1000); // Delay ignores the switch
    EXPECT_GT(clock.now() - before, 1000 * kUnit_s);
}

TEST_F(ToneFixture, WithoutDeviceSoundOnlyWaitsItsLengthInDelayUnits)
{
    const double before = clock.now();
    withoutDevice.Sound(800, 20);
    EXPECT_TRUE(device.beeps.empty());
    EXPECT_NEAR(clock.now() - before, 20 * kUnit_s, 0.002); // about 27.7 ms
}

TEST_F(ToneFixture, OutOfRangeValuesRaiseRangeErrors)
{
    EXPECT_THROW(withDevice.Sound(-1, 20), std::range_error);
    EXPECT_THROW(withDevice.Sound(800, -1), std::range_error); // would be a wait of weeks
    EXPECT_THROW(withDevice.Sound(3e9, 20), std::range_error);
    EXPECT_THROW(withDevice.Sound(800, std::numeric_limits<double>::quiet_NaN()), std::range_error);
    EXPECT_THROW(withoutDevice.Sound(800, 65536), std::range_error);
    EXPECT_THROW(withoutDevice.Sound(800, -1), std::range_error);
    EXPECT_TRUE(device.beeps.empty());
    // A negative frequency is only refused where a device would sound it.
    EXPECT_NO_THROW(withoutDevice.Sound(-5, 1));
}

TEST_F(ToneFixture, DelayLastsJustOverItsUnitsAndSleepsInsteadOfSpinning)
{
    const double before = clock.now();
    withoutDevice.Delay(1000);
    const double waited = clock.now() - before;
    EXPECT_GT(waited, 1000 * kUnit_s); // strictly more than the count: about 1.385 s
    EXPECT_LT(waited, 1000 * kUnit_s + 0.003);
    EXPECT_LT(clock.readings, 10); // a few readings, not a spin over the clock
}

TEST_F(ToneFixture, DelayZeroEndsOnceTheClockHasMovedOn)
{
    const double before = clock.now();
    withoutDevice.Delay(0);
    EXPECT_GT(clock.now(), before);
    EXPECT_LE(clock.now() - before, 0.002);
}

TEST(SteadyTrainerClock, NeverRunsBackAndPausesAtLeastTheTimeAsked)
{
    SteadyTrainerClock clock;
    double previous = clock.seconds();
    for (int i = 0; i < 1000; ++i) {
        const double now = clock.seconds();
        ASSERT_GE(now, previous);
        previous = now;
    }
    const double before = clock.seconds();
    clock.pause(0.020);
    EXPECT_GE(clock.seconds() - before, 0.020);
}

} // namespace
