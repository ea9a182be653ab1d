#pragma once
// _2GL: program-wide values shared by several units: the parameter frame, the sample
// buffer, the modulation filter's coefficient and the PTT trainer's boundaries. One
// instance lives for the whole run; every function takes what it uses by reference so
// that a test can start from a fresh program state.

#include "shared/Frame.h"
#include "shared/SampleBuffer.h"

#include <cstdint>

namespace tarvel {

inline constexpr double kDefaultAlfa = 0.2;

struct SharedState {
    Frame frame = initialFrame();
    // 900 000 signed 16-bit samples, zero at start; the generator fills it from index 0.
    SampleBuffer samples{kSampleBufferSize};
    double alfa = kDefaultAlfa;   // modulation filter weight of the new value
    std::int32_t pttT1 = 0;       // trainer boundaries, seconds
    std::int32_t pttT2 = 0;
    std::int32_t pttT3 = 0;
    std::int32_t pttStopTime = 0;
};

} // namespace tarvel
