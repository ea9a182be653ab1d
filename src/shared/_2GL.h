#pragma once
// Program-wide values shared by several units: the parameter frame, the sample buffer,
// the modulation filter's coefficient and the PTT trainer's boundaries. One instance
// lives for the whole run (programState()); every function takes the struct by
// reference so that a test can start from a fresh program state.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvel {

inline constexpr std::size_t kFrameSize = 16;
inline constexpr std::size_t kSampleBufferSize = 900'000;
inline constexpr double kDefaultAlfa = 0.2;

using Frame = std::array<std::uint8_t, kFrameSize>;

// The frame before the first build: bytes 0..13 zero, bytes 14 and 15 = EE FF.
constexpr Frame initialFrame()
{
    Frame f{};
    f[14] = 0xEE;
    f[15] = 0xFF;
    return f;
}

struct SharedState {
    Frame frame = initialFrame();
    // 900 000 signed 16-bit samples, zero at start; the generator fills it from index 0.
    std::vector<std::int16_t> samples = std::vector<std::int16_t>(kSampleBufferSize, 0);
    double alfa = kDefaultAlfa;   // modulation filter weight of the new value
    std::int32_t pttT1 = 0;       // trainer boundaries, seconds
    std::int32_t pttT2 = 0;
    std::int32_t pttT3 = 0;
    std::int32_t pttStopTime = 0;
};

} // namespace tarvel
