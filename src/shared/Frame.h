#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// _2GL: the 16-byte parameter frame.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvel {

inline constexpr std::size_t kFrameSize = 16;

using Frame = std::array<std::uint8_t, kFrameSize>;

// The CRC-16 sits in the last two bytes, high byte first, and covers every byte before it.
inline constexpr std::size_t kCrcIndex = kFrameSize - 2;

// The frame before the first build: all zero but for EE FF where the CRC goes.
constexpr Frame initialFrame()
{
    Frame f {};
    f[kCrcIndex] = 0xEE;
    f[kCrcIndex + 1] = 0xFF;
    return f;
}

} // namespace tarvel
