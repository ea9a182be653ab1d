// SPDX-License-Identifier: GPL-3.0-or-later
// The PTT pattern preview: boundaries from the three durations, the ten corner points in
// the series' order, and the cursor parked at the run's start.

#include "trainer/PttPattern.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tarvel;

namespace {

struct Preview {
    PttBoundaries ptt;
    PointsSink pattern;
    PointsSink cursor;

    explicit Preview(PttDurations d) { drawPttPreview(ptt, d, pattern, cursor); }
};

void expectPoints(const std::vector<PlotPoint>& actual, const std::vector<PlotPoint>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_DOUBLE_EQ(actual[i].x, expected[i].x) << "point " << i;
        EXPECT_DOUBLE_EQ(actual[i].y, expected[i].y) << "point " << i;
    }
}

TEST(PttPreview, DefaultDurationsPressTo2From5To9AndStopAt10)
{
    Preview p({2, 3, 4});
    EXPECT_EQ(p.ptt.pttT1, 2);
    EXPECT_EQ(p.ptt.pttT2, 5);
    EXPECT_EQ(p.ptt.pttT3, 9);
    EXPECT_EQ(p.ptt.pttStopTime, 10);
    expectPoints(p.pattern.points,
        {{-2.5, 0}, {0, 0}, {0, 1}, {2, 1}, {2, 0}, {5, 0}, {5, 1}, {9, 1}, {9, 0}, {11, 0}});
    expectPoints(p.cursor.points, {{-2, -0.3}, {-2, 1.3}});
}

TEST(PttPreview, LongestDurationsEndThePatternAt767)
{
    Preview p({255, 255, 255});
    EXPECT_EQ(p.ptt.pttT1, 255);
    EXPECT_EQ(p.ptt.pttT2, 510);
    EXPECT_EQ(p.ptt.pttT3, 765);
    EXPECT_EQ(p.ptt.pttStopTime, 766);
    EXPECT_DOUBLE_EQ(p.pattern.points.back().x, 767);
}

TEST(PttPreview, OddAndOutOfRangeValuesAreUsedAsGiven)
{
    Preview p({3, 1, 300});
    EXPECT_EQ(p.ptt.pttT1, 3);
    EXPECT_EQ(p.ptt.pttT2, 4);
    EXPECT_EQ(p.ptt.pttT3, 304);
    EXPECT_EQ(p.ptt.pttStopTime, 305);
}

TEST(PttPreview, NegativeDurationIsResortedByAscendingXKeepingTheOrderOfEqualX)
{
    // T1 = -3: points 4 and 5 (x = -3) move in front of (-2.5, 0), in the order added.
    Preview p({-3, 2, 4});
    EXPECT_EQ(p.ptt.pttT2, -1);
    EXPECT_EQ(p.ptt.pttT3, 3);
    expectPoints(p.pattern.points,
        {{-3, 1}, {-3, 0}, {-2.5, 0}, {-1, 0}, {-1, 1}, {0, 0}, {0, 1}, {3, 1}, {3, 0}, {5, 0}});
}

TEST(PttPreview, SumsBeyondThe32BitRangeStopAtItsEndsInsteadOfWrapping)
{
    constexpr auto big = std::numeric_limits<std::int32_t>::max();
    Preview p({big, big, 2});
    EXPECT_EQ(p.ptt.pttT2, big);
    EXPECT_EQ(p.ptt.pttT3, big);
    EXPECT_EQ(p.ptt.pttStopTime, big);
    for (std::size_t i = 1; i < p.pattern.points.size(); ++i)
        EXPECT_LE(p.pattern.points[i - 1].x, p.pattern.points[i].x);
}

TEST(PttPreview, RedrawReplacesEarlierPoints)
{
    PttBoundaries ptt;
    PointsSink pattern;
    PointsSink cursor;
    cursor.addPoint(7, 0);
    drawPttPreview(ptt, {2, 3, 4}, pattern, cursor);
    drawPttPreview(ptt, {4, 3, 4}, pattern, cursor);
    EXPECT_EQ(pattern.points.size(), 10u);
    EXPECT_EQ(cursor.points.size(), 2u);
    EXPECT_EQ(ptt.pttStopTime, 12);
}

} // namespace
