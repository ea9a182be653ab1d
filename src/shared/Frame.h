#pragma once
// _2GL: the 16-byte parameter frame.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvel {

inline constexpr std::size_t kFrameSize = 16;

using Frame = std::array<std::uint8_t, kFrameSize>;

// The frame before the first build: bytes 0..13 zero, bytes 14 and 15 = EE FF.
constexpr Frame initialFrame()
{
    Frame f{};
    f[14] = 0xEE;
    f[15] = 0xFF;
    return f;
}

} // namespace tarvel
