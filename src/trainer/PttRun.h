#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The trainer run: plays the PTT pattern in real time. Each tick takes the run time from
// the clock, moves the cursor, decides whether a press is due, beeps at each change and,
// once the pattern is over, waits a moment and asks for the run to end.

#include "shared/Sinks.h"
#include "trainer/PttPattern.h"
#include "trainer/ToneDriver.h"
#include "trainer/TrainerClock.h"

namespace tarvel {

// Beeps at the pattern's edges: frequency in hertz and the length passed to Sound.
inline constexpr double kPressBeep_hz = 800.0;
inline constexpr double kReleaseBeep_hz = 600.0;
inline constexpr double kEdgeBeepLength = 20.0;
// The pause between the end of the pattern and the run's own stop (about 1.385 s).
inline constexpr std::uint16_t kStopPauseUnits = 1000;

struct PttRunState {
    double pttStartTime = 0.0; // the clock's reading at the press of "старт", seconds
    bool pttActive = false; // a press is due at the current tick
    bool pttActivePrev = false; // pttActive of the previous tick; kept between runs
};

// The indicator that shows a due press (red, "передача") or none (white, no label).
class PttIndicator {
public:
    virtual ~PttIndicator() = default;
    virtual void showPress(bool pressed) = 0;
};

// Records the start of a run at this clock reading; the run time is then -2 s.
void startPttRun(PttRunState& run, double clockSeconds);

// The run time in seconds at this clock reading: 2 s before the pattern at the start.
double pttRunTime(const PttRunState& run, double clockSeconds);

// Strictly inside the first press or the second one: a boundary itself counts as released.
bool isPttPressDue(const PttBoundaries& ptt, double t);

enum class PttTickOutcome { Continue, StopRun };

// One tick of the run (cursor, indicator, edge beep, and past PttStopTime the pause before
// the stop). StopRun: the caller ends the run as a press of "стоп" would.
PttTickOutcome pttRunTick(PttRunState& run, const PttBoundaries& ptt, TrainerClock& clock, ToneDriver& tones,
    PlotSink& cursor, PttIndicator& indicator);

} // namespace tarvel
