#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// _2GL: what the frame build, the signal generator and the file writers hand on to each
// other: the parameter frame, the sample buffer and the modulation filter's coefficient.
// One instance lives for the whole run; functions take it (or the part they use) by
// reference so that a test can start from a fresh program state.

#include "shared/Frame.h"
#include "shared/SampleBuffer.h"

namespace tarvel {

inline constexpr double kDefaultAlfa = 0.2;

struct SharedState {
    Frame frame = initialFrame();
    // 900 000 signed 16-bit samples, zero at start; the generator fills it from index 0.
    SampleBuffer samples {kSampleBufferSize};
    double alfa = kDefaultAlfa; // modulation filter weight of the new value
};

} // namespace tarvel
