// SPDX-License-Identifier: GPL-3.0-or-later
#include "trainer/PttPattern.h"

#include <algorithm>
#include <limits>

namespace tarvel {

namespace {

std::int32_t saturatingSum(std::int32_t a, std::int32_t b)
{
    const std::int64_t sum = std::int64_t {a} + b;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        sum, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

constexpr double kReleased = 0.0;
constexpr double kPressed = 1.0;
constexpr double kChartLeft = -2.5;
constexpr double kPatternTail_s = 2.0;

} // namespace

std::vector<PlotPoint> pttPatternPoints(std::int32_t pttT1, std::int32_t pttT2, std::int32_t pttT3)
{
    const double t1 = pttT1;
    const double t2 = pttT2;
    const double t3 = pttT3;
    return {
        {kChartLeft, kReleased},
        {0.0, kReleased},
        {0.0, kPressed},
        {t1, kPressed},
        {t1, kReleased},
        {t2, kReleased},
        {t2, kPressed},
        {t3, kPressed},
        {t3, kReleased},
        {t3 + kPatternTail_s, kReleased},
    };
}

std::vector<PlotPoint> inSeriesOrder(std::vector<PlotPoint> points)
{
    std::stable_sort(
        points.begin(), points.end(), [](const PlotPoint& a, const PlotPoint& b) { return a.x < b.x; });
    return points;
}

void drawPttCursor(PlotSink& cursor, double x)
{
    cursor.clear();
    cursor.addPoint(x, -0.3);
    cursor.addPoint(x, 1.3);
}

void drawPttPreview(PttBoundaries& ptt, const PttDurations& durations, PlotSink& pattern, PlotSink& cursor)
{
    pattern.clear();
    ptt.pttT1 = durations.firstPress_s;
    ptt.pttT2 = saturatingSum(ptt.pttT1, durations.pause_s);
    ptt.pttT3 = saturatingSum(ptt.pttT2, durations.secondPress_s);
    for (const PlotPoint& p : inSeriesOrder(pttPatternPoints(ptt.pttT1, ptt.pttT2, ptt.pttT3)))
        pattern.addPoint(p.x, p.y);
    ptt.pttStopTime = saturatingSum(ptt.pttT3, 1);
    drawPttCursor(cursor, kPttRunStart_s);
}

} // namespace tarvel
