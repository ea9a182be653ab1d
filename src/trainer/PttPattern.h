#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The PTT open/close pattern: first press, pause, second press. From the three durations
// it sets the boundaries the trainer run works with and draws the pattern as a step line,
// with the run's cursor parked where every run starts.

#include "shared/Sinks.h"

#include <cstdint>
#include <vector>

namespace tarvel {

struct PttDurations {
    std::int32_t firstPress_s = 2;
    std::int32_t pause_s = 3;
    std::int32_t secondPress_s = 4;
};

// The pattern's edges in seconds of run time (PttT1..PttT3, PttStopTime): the first press
// lasts from 0 to pttT1, the second from pttT2 to pttT3, and the run stops once past
// pttStopTime.
struct PttBoundaries {
    std::int32_t pttT1 = 0;
    std::int32_t pttT2 = 0;
    std::int32_t pttT3 = 0;
    std::int32_t pttStopTime = 0;
};

// Where the cursor stands before a run: two seconds ahead of the pattern.
inline constexpr double kPttRunStart_s = -2.0;

// The ten corner points of the step line (y 1 = key pressed), in drawing order.
std::vector<PlotPoint> pttPatternPoints(std::int32_t pttT1, std::int32_t pttT2, std::int32_t pttT3);

// The points in the order the chart series keeps them: by ascending x, a point behind
// every earlier one whose x is not greater. Negative durations make x run backwards and
// are re-sorted this way.
std::vector<PlotPoint> inSeriesOrder(std::vector<PlotPoint> points);

// The cursor: a vertical line at x from just below the released level to just above the
// pressed one.
void drawPttCursor(PlotSink& cursor, double x);

// Sets the boundaries from the durations and redraws both series. Sums that
// would leave the 32-bit range stop at its ends instead of wrapping round.
void drawPttPreview(PttBoundaries& ptt, const PttDurations& durations, PlotSink& pattern, PlotSink& cursor);

} // namespace tarvel
