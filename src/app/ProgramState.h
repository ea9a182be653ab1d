#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Everything the program keeps for its whole run, outside the window: the sound switch
// of the trainer, the shared frame / sample buffer / Alfa, the generator's phases and the
// PTT pattern's boundaries.
// main() creates the one instance before the application object exists and hands it to
// the window by reference; a test builds a fresh one for every window it opens.

#include "shared/SharedState.h"
#include "signal/ToneSignal.h"
#include "trainer/PttPattern.h"
#include "trainer/ToneDriver.h"

namespace tarvel {

struct ProgramState {
    // Declaration order is initialisation order: L_CRT (SoundOn), then _2GL (frame bytes
    // 14 and 15 = EE FF), then the generator of _5FormFM; the constructor body runs last,
    // like the main unit's own initialisation, and sets Alfa.
    SoundState sound;
    SharedState shared;
    GeneratorState generator;
    PttBoundaries ptt; // PttT1..PttT3 and PttStopTime, set by every preview

    ProgramState() { shared.alfa = kDefaultAlfa; }
};

} // namespace tarvel
