#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What every decode must hold to, checked against a CRC computed here rather than by the
// program's own code: a frame reported good carries the CRC of its own bytes, and the two
// CRCs a decoded result reports are those of the frame it holds.

#include "decode/DecodeResult.h"

#include <cstddef>
#include <cstdint>

namespace tarvel::fuzzing {

// CRC-16/CCITT-FALSE (polynomial 0x1021, start 0xFFFF, no final XOR), four bits at a time.
inline std::uint16_t independentCrc(const std::uint8_t* data, std::size_t n)
{
    static constexpr std::uint16_t nibble[16] = {0x0000, 0x1021, 0x2042, 0x3063, 0x4084, 0x50A5, 0x60C6,
        0x70E7, 0x8108, 0x9129, 0xA14A, 0xB16B, 0xC18C, 0xD1AD, 0xE1CE, 0xF1EF};
    unsigned crc = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i) {
        crc = ((crc << 4) ^ nibble[((crc >> 12) ^ (data[i] >> 4)) & 0xF]) & 0xFFFF;
        crc = ((crc << 4) ^ nibble[((crc >> 12) ^ (data[i] & 0xF)) & 0xF]) & 0xFFFF;
    }
    return static_cast<std::uint16_t>(crc);
}

inline void checkDecodeResult(const DecodeResult& r)
{
    if (!r.decoded()) {
        if (r.crcOk())
            __builtin_trap(); // "good" without a frame
        return;
    }
    const std::uint16_t own = independentCrc(r.frame.data(), kCrcIndex);
    const auto carried = static_cast<std::uint16_t>(r.frame[kCrcIndex] << 8 | r.frame[kCrcIndex + 1]);
    if (r.computedCrc != own || r.receivedCrc != carried)
        __builtin_trap(); // the result misreports its own frame
    if (r.crcOk() != (own == carried))
        __builtin_trap(); // a damaged frame passed as good, or a good one refused
}

} // namespace tarvel::fuzzing
