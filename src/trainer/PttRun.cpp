// SPDX-License-Identifier: GPL-3.0-or-later
#include "trainer/PttRun.h"

namespace tarvel {

void startPttRun(PttRunState& run, double clockSeconds)
{
    run.pttStartTime = clockSeconds;
}

double pttRunTime(const PttRunState& run, double clockSeconds)
{
    return clockSeconds - run.pttStartTime + kPttRunStart_s;
}

bool isPttPressDue(const PttBoundaries& ptt, double t)
{
    return (0.0 < t && t < ptt.pttT1) || (ptt.pttT2 < t && t < ptt.pttT3);
}

PttTickOutcome pttRunTick(PttRunState& run, const PttBoundaries& ptt, TrainerClock& clock, ToneDriver& tones,
    PlotSink& cursor, PttIndicator& indicator)
{
    const double t = pttRunTime(run, clock.seconds());
    drawPttCursor(cursor, t);
    run.pttActive = isPttPressDue(ptt, t);
    indicator.showPress(run.pttActive);
    if (run.pttActive && !run.pttActivePrev)
        tones.Sound(kPressBeep_hz, kEdgeBeepLength);
    else if (!run.pttActive && run.pttActivePrev)
        tones.Sound(kReleaseBeep_hz, kEdgeBeepLength);
    run.pttActivePrev = run.pttActive;
    if (t > ptt.pttStopTime) {
        tones.Delay(kStopPauseUnits);
        return PttTickOutcome::StopRun;
    }
    return PttTickOutcome::Continue;
}

} // namespace tarvel
