// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame/Crc16.h"

#include "shared/NumberText.h"

namespace tarvel {

std::uint16_t crcAddByte(std::uint16_t crc, std::uint8_t byte)
{
    crc = static_cast<std::uint16_t>(crc ^ (byte << 8));
    for (int bit = 0; bit < 8; ++bit) {
        const bool top = (crc & 0x8000) != 0;
        crc = static_cast<std::uint16_t>(crc << 1);
        if (top)
            crc ^= kCrcPolynomial;
    }
    return crc;
}

std::uint16_t crc16(std::span<const std::uint8_t> bytes)
{
    std::uint16_t crc = kCrcInitial;
    for (std::uint8_t b : bytes)
        crc = crcAddByte(crc, b);
    return crc;
}

std::uint16_t FrameCrc(Frame& frame, TextSink& trace)
{
    trace.clear();
    frame[kCrcIndex] = 0;
    frame[kCrcIndex + 1] = 0;
    std::uint16_t crc = kCrcInitial;
    for (int i = 0; i < static_cast<int>(kCrcIndex); ++i) {
        crc = crcAddByte(crc, frame[static_cast<std::size_t>(i)]);
        trace.addLine(DecText(i, 2) + "  " + WordHex(crc));
    }
    return crc;
}

} // namespace tarvel
