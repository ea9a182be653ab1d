#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// _8_CRC: CRC-16 of the parameter frame: polynomial 0x1021, start 0xFFFF, most significant bit
// first, no final XOR (the CCITT-FALSE variant), computed bit by bit.

#include "shared/Frame.h"
#include "shared/Sinks.h"

#include <cstdint>
#include <span>

namespace tarvel {

inline constexpr std::uint16_t kCrcInitial = 0xFFFF;
inline constexpr std::uint16_t kCrcPolynomial = 0x1021;

// Feeds one byte into a running CRC.
std::uint16_t crcAddByte(std::uint16_t crc, std::uint8_t byte);

// CRC of any byte sequence with the frame's rule.
std::uint16_t crc16(std::span<const std::uint8_t> bytes);

// CRC of the frame bytes before kCrcIndex. Zeroes the CRC's own two bytes first and
// rewrites `trace` with one line per byte: the index in two places, two blanks and the
// running CRC in four hex digits.
std::uint16_t FrameCrc(Frame& frame, TextSink& trace);

} // namespace tarvel
