// SPDX-License-Identifier: GPL-3.0-or-later
// A whole trainer run on a fake clock: when the indicator turns, which beeps sound when,
// the boundaries themselves, and the pause and stop after the pattern.

#include "support/FakeClock.h"
#include "support/RecordingTones.h"
#include "trainer/PttPattern.h"
#include "trainer/PttRun.h"

#include <gtest/gtest.h>

using namespace tarvel;
using namespace tarvel::testing;

namespace {

class RecordingIndicator final : public PttIndicator {
public:
    void showPress(bool pressed) override { states.push_back(pressed); }
    std::vector<bool> states;
};

struct RunFixture : ::testing::Test {
    PttBoundaries ptt;
    SoundState sound;
    FakeClock clock;
    RecordingTones device {clock};
    ToneDriver tones {sound, clock, &device};
    PttRunState run;
    PointsSink pattern;
    PointsSink cursor;
    RecordingIndicator indicator;
    double startedAt = 0;

    void SetUp() override { drawPttPreview(ptt, {2, 3, 4}, pattern, cursor); }

    void start()
    {
        startedAt = clock.now();
        startPttRun(run, clock.seconds());
    }
    PttTickOutcome tick() { return pttRunTick(run, ptt, clock, tones, cursor, indicator); }

    // Ticks every 10 ms until the run asks to stop; returns the fake time then.
    double runToStop(int maxTicks = 100'000)
    {
        for (int i = 0; i < maxTicks; ++i) {
            if (tick() == PttTickOutcome::StopRun)
                return clock.now() - startedAt;
            clock.advance(0.010);
        }
        return -1;
    }
};

TEST_F(RunFixture, DefaultRunBeepsAtEachEdgeAndStopsAfterThePause)
{
    start();
    ASSERT_EQ(tick(), PttTickOutcome::Continue);
    EXPECT_NEAR(cursor.points[0].x, -2.0, 0.002); // the first tick draws the cursor at -2
    EXPECT_TRUE(device.beeps.empty());

    const double stoppedAt = runToStop();
    ASSERT_EQ(device.beeps.size(), 4u);
    const int frequencies[] = {800, 600, 800, 600};
    const double edges[] = {2.0, 4.0, 7.0, 11.0}; // seconds after the press of "старт"
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(device.beeps[i].frequency_hz, frequencies[i]);
        EXPECT_EQ(device.beeps[i].duration_ms, 20);
        // Edges land on the first tick past the boundary; each beep delays later ticks by 20 ms.
        EXPECT_GE(device.beeps[i].at_s - startedAt, edges[i]);
        EXPECT_LT(device.beeps[i].at_s - startedAt, edges[i] + 0.010 + 0.020 * static_cast<double>(i + 1));
    }
    // t passes PttStopTime (10) just after 12 s, then the window stays still ~1.385 s.
    EXPECT_GT(stoppedAt, 12.0 + 1.385);
    EXPECT_LT(stoppedAt, 12.0 + 0.1 + 1.39);
    EXPECT_FALSE(run.pttActive);
}

TEST_F(RunFixture, BoundariesThemselvesCountAsReleasedAndStopTimeDoesNotStopYet)
{
    for (double t : {0.0, 2.0, 5.0, 9.0, 10.0, -2.0})
        EXPECT_FALSE(isPttPressDue(ptt, t)) << t;
    for (double t : {0.001, 1.999, 5.001, 8.999})
        EXPECT_TRUE(isPttPressDue(ptt, t)) << t;

    start();
    clock.advance(12.0); // t = 10 exactly: PttStopTime itself
    EXPECT_EQ(tick(), PttTickOutcome::Continue);
    clock.advance(0.001);
    const double before = clock.now();
    EXPECT_EQ(tick(), PttTickOutcome::StopRun);
    EXPECT_GT(clock.now() - before, 1.384); // the pause happened inside the tick
}

TEST_F(RunFixture, IndicatorFollowsThePressesTickByTick)
{
    start();
    std::vector<std::pair<double, bool>> samples
        = {{1.0, false}, {3.0, true}, {5.0, false}, {6.0, false}, {8.0, true}, {10.5, true}, {11.5, false}};
    for (auto [since, pressed] : samples) {
        clock.advance(since - (clock.now() - startedAt));
        tick();
        EXPECT_EQ(indicator.states.back(), pressed) << since;
        EXPECT_NEAR(cursor.points[0].x, since - 2.0, 0.002);
        EXPECT_DOUBLE_EQ(cursor.points[1].x, cursor.points[0].x);
    }
}

TEST_F(RunFixture, SilentRunSoundsNothingButStillPausesBeforeStopping)
{
    sound.soundOn = false;
    start();
    const double stoppedAt = runToStop();
    EXPECT_TRUE(device.beeps.empty());
    EXPECT_GT(stoppedAt, 12.0 + 1.385);
}

TEST_F(RunFixture, RunStoppedDuringAPressReleasesWithABeepOnTheNextRunsFirstTick)
{
    start();
    clock.advance(3.0);
    tick(); // pressed, 800 Hz
    ASSERT_TRUE(run.pttActivePrev);
    // Stopped here by the user; a new run starts later from a fresh clock.
    clock.advance(30.0);
    start();
    tick();
    ASSERT_EQ(device.beeps.size(), 2u);
    EXPECT_EQ(device.beeps[1].frequency_hz, 600);
    EXPECT_NEAR(cursor.points[0].x, -2.0, 0.002); // the clock started afresh
    EXPECT_FALSE(indicator.states.back());
}

} // namespace
