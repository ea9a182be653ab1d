// SPDX-License-Identifier: GPL-3.0-or-later
// Telling a hole in the output from the reports' own jitter: an output is simulated playing
// a sound, with or without holes, and reported on every 20 ms as the sound server would.

#include "audio/DropoutWatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

// Each case names only what differs from a plain output; the rest keeps its default.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace tarvel {
namespace {

constexpr std::int64_t kSound_us = 4'923'000;
constexpr std::int64_t kStep_us = 20'000;
constexpr std::int64_t kBuffered_us = 60'000; // what the output holds once it has taken all

struct Hole {
    std::int64_t at_us; // where in the sound
    std::int64_t length_us;
};

struct Output {
    std::int64_t sound_us = kSound_us;
    std::vector<Hole> holes;
    std::int64_t late_us = 0; // reports stamped this late (a busy server) ...
    int lateReports = 1; // ... so many in a row ...
    std::int64_t lateFrom_us = kSound_us / 3; // ... from here in the sound on
    std::int64_t slow_ppm = 0; // the output's clock behind the computer's
    std::optional<Hole> suspension; // told by the server as well as seen in the positions
};

// Where the output is in the sound `wall_us` after it started, holes and slow clock included.
std::int64_t positionAt(const Output& output, std::int64_t wall_us)
{
    std::int64_t position = wall_us - wall_us / 1'000'000 * output.slow_ppm;
    for (const Hole& hole : output.holes)
        if (position > hole.at_us)
            position = std::max(hole.at_us, position - hole.length_us);
    return std::min(position, output.sound_us);
}

DropoutWatch run(const Output& output)
{
    DropoutWatch watch(output.sound_us);
    constexpr std::int64_t kStart_us = 1'000'000'000; // the server's clock when the sound starts
    std::int64_t wall = -3 * kStep_us; // a few reports before the output starts
    int late = 0;
    for (; wall < output.sound_us + 1'000'000; wall += kStep_us) {
        if (output.suspension && wall >= output.suspension->at_us
            && wall < output.suspension->at_us + kStep_us)
            watch.suspended(kStart_us + output.suspension->at_us, true);
        if (output.suspension && wall >= output.suspension->at_us + output.suspension->length_us
            && wall < output.suspension->at_us + output.suspension->length_us + kStep_us)
            watch.suspended(kStart_us + output.suspension->at_us + output.suspension->length_us, false);
        std::int64_t position = positionAt(output, wall);
        // A suspended output counts what it held and threw away as played.
        if (output.suspension && wall >= output.suspension->at_us
            && wall < output.suspension->at_us + output.suspension->length_us)
            position += kBuffered_us;
        std::int64_t stamp = kStart_us + wall;
        if (late < output.lateReports && output.late_us > 0 && position > output.lateFrom_us) {
            stamp += output.late_us;
            ++late;
        }
        if (position + kBuffered_us < output.sound_us)
            watch.observe(stamp, position);
        else if (!watch.endsAt_us())
            watch.allTaken(stamp, kBuffered_us);
    }
    return watch;
}

TEST(DropoutWatch, TellsHolesFromJitter)
{
    struct Case {
        std::string name;
        Output output;
        std::optional<Hole> expected; // where and how long, to within one report
    };
    const std::vector<Case> cases {
        {"plain", {}, std::nullopt},
        {"one report late by 250 ms", {.late_us = 250'000}, std::nullopt},
        {"four reports in a row late by 30 ms", {.late_us = 30'000, .lateReports = 4}, std::nullopt},
        {"reports late by 30 ms for 160 ms, then on time", {.late_us = 30'000, .lateReports = 9},
            std::nullopt},
        {"a stall of 300 ms, the report after it late by 80 ms",
            {.holes = {{1'300'000, 300'000}}, .late_us = 80'000, .lateFrom_us = 1'300'000},
            Hole {1'300'000, 300'000}},
        {"a hole of 8 ms: the reports' own jitter", {.holes = {{2'000'000, 8'000}}}, std::nullopt},
        {"a hole of 20 ms", {.holes = {{2'000'000, 20'000}}}, Hole {2'000'000, 20'000}},
        {"a stall of 300 ms", {.holes = {{1'300'000, 300'000}}}, Hole {1'300'000, 300'000}},
        {"two holes: the first is told", {.holes = {{900'000, 50'000}, {3'000'000, 400'000}}},
            Hole {900'000, 50'000}},
        {"a clock 0.3 per mille slow over a long tone", {.sound_us = 600'000'000, .slow_ppm = 300},
            std::nullopt},
        {"a clock 5 per mille slow", {.slow_ppm = 5'000}, std::nullopt},
        {"a hole of 20 ms on a clock 5 per mille slow", {.holes = {{3'000'000, 20'000}}, .slow_ppm = 5'000},
            Hole {3'000'000, 20'000}},
        {"suspended for 300 ms mid-sound",
            {.holes = {{2'500'000, 300'000}}, .suspension = Hole {2'500'000, 300'000}},
            Hole {2'500'000, 300'000}},
        {"suspended in the last stretch, after all was taken",
            {.suspension = Hole {kSound_us - 40'000, 300'000}}, Hole {kSound_us - 40'000, 300'000}},
        {"suspended once the sound has played", {.suspension = Hole {kSound_us + 200'000, 300'000}},
            std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DropoutWatch watch = run(c.output);
        if (!c.expected) {
            EXPECT_FALSE(watch.dropout().has_value());
            ASSERT_TRUE(watch.endsAt_us().has_value());
            continue;
        }
        ASSERT_TRUE(watch.dropout().has_value());
        EXPECT_NEAR(
            static_cast<double>(watch.dropout()->at_us), static_cast<double>(c.expected->at_us), kStep_us);
        EXPECT_NEAR(static_cast<double>(watch.dropout()->length_us),
            static_cast<double>(c.expected->length_us), kStep_us);
        EXPECT_FALSE(watch.dropout()->open);
        EXPECT_GT(watch.dropout()->closedAt_us, 0);
    }
}

// An output that stops for good: the hole stays open and keeps growing.
TEST(DropoutWatch, AnOutputThatStopsLeavesTheHoleOpen)
{
    DropoutWatch watch(kSound_us);
    for (std::int64_t wall = 0; wall <= 2'000'000; wall += kStep_us)
        watch.observe(wall, std::min<std::int64_t>(wall, 1'000'000));
    ASSERT_TRUE(watch.dropout().has_value());
    EXPECT_TRUE(watch.dropout()->open);
    EXPECT_NEAR(static_cast<double>(watch.dropout()->at_us), 1'000'000.0, kStep_us);
    EXPECT_EQ(watch.dropout()->length_us, 1'000'000);
    EXPECT_EQ(watch.played_us(), 1'000'000);
    EXPECT_FALSE(watch.endsAt_us().has_value());

    // Suspended for good: the hole is as long as the suspension so far.
    DropoutWatch suspended(kSound_us);
    suspended.observe(500'000, 500'000);
    suspended.suspended(600'000, true);
    suspended.observe(700'000, 660'000); // what the output threw away, counted as played
    suspended.tick(2'600'000);
    ASSERT_TRUE(suspended.dropout().has_value());
    EXPECT_TRUE(suspended.dropout()->open);
    EXPECT_EQ(suspended.dropout()->at_us, 600'000);
    EXPECT_EQ(suspended.dropout()->length_us, 2'000'000);
}

// An output that was suspended counts what it threw away as played, so the reports after it
// may find it on time: the suspension alone tells the hole.
TEST(DropoutWatch, ASuspensionIsAHoleWhateverTheReportsAfterItSay)
{
    DropoutWatch watch(kSound_us);
    for (std::int64_t at = 0; at <= 2'000'000; at += kStep_us) {
        if (at == 1'000'000)
            watch.suspended(at, true);
        if (at == 1'300'000)
            watch.suspended(at, false);
        watch.observe(at, at, kBuffered_us);
    }
    ASSERT_TRUE(watch.dropout().has_value());
    EXPECT_EQ(watch.dropout()->at_us, 1'000'000);
    EXPECT_EQ(watch.dropout()->length_us, 300'000);
    EXPECT_FALSE(watch.dropout()->open);
}

// A server that stops answering: the output plays what it held at the last report, then
// nothing, since only the server feeds it.
TEST(DropoutWatch, AServerSilentPastWhatTheOutputHeldIsAHole)
{
    struct Case {
        std::string name;
        std::int64_t lastReport_us; // reports every 20 ms up to here, then none
        std::int64_t buffered_us; // what the output held at each report
        std::int64_t silentFor_us; // from the last report to the time it is judged
        bool allTaken = false; // the last report found the last sample taken
        std::optional<Hole> expected; // where and how long (at least)
    };
    const std::vector<Case> cases {
        {"silent 1.2 s mid-sound", 2'500'000, 100'000, 1'200'000, false, Hole {2'600'000, 1'100'000}},
        {"silent 0.9 s: a busy server", 2'500'000, 100'000, 900'000},
        {"silent 1.2 s, the output holding 2 s still", 1'000'000, 2'000'000, 1'200'000},
        {"silent 1.2 s once the last sample was taken", kSound_us - 50'000, 50'000, 1'200'000, true},
        {"silent 1.2 s before the first sample", 0, 100'000, 1'200'000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DropoutWatch watch(kSound_us);
        for (std::int64_t at = 0; at <= c.lastReport_us; at += kStep_us)
            watch.observe(at, at, c.buffered_us);
        if (c.allTaken)
            watch.allTaken(c.lastReport_us, c.buffered_us);
        const std::int64_t now = c.lastReport_us + c.silentFor_us;
        EXPECT_EQ(watch.unanswered(c.lastReport_us + 5'000, now), c.expected.has_value());
        if (!c.expected) {
            EXPECT_FALSE(watch.dropout().has_value());
            continue;
        }
        ASSERT_TRUE(watch.dropout().has_value());
        EXPECT_EQ(watch.dropout()->at_us, c.expected->at_us);
        EXPECT_EQ(watch.dropout()->length_us, c.expected->length_us);
        EXPECT_TRUE(watch.dropout()->open);
    }
}

} // namespace
} // namespace tarvel
