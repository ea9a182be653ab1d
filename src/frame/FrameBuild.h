#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter frame: two markers, twelve parameter bytes, the CRC-16 high byte first.
// Built from the values of the window's parameter controls, and listed as text for the
// diagnostic views.

#include "frame/FrameLayout.h"
#include "shared/Frame.h"
#include "shared/Sinks.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarvel {

// Where a build sends its listings (the window's memos, or LinesSinks).
struct FrameViews {
    TextSink& crcTrace; // Memo2
    TextSink& valueList; // Memo1
    TextSink& frameListing; // Memo_MasIsh
};

// The markers and every field of kFrameFields; the CRC's two bytes stay 0.
Frame frameBody(const FrameParameters& p);

// Rebuilds `frame` in place from the parameters, stores the CRC and refills the three
// listings. Returns the CRC.
std::uint16_t buildFrame(Frame& frame, const FrameParameters& p, const FrameViews& views);

// Same frame with no listings: for callers that only need the bytes.
Frame buildFrame(const FrameParameters& p);

// The CRC at kCrcIndex, high byte first: written by a build, read by a receiver.
void storeCrc(Frame& frame, std::uint16_t crc);
std::uint16_t storedCrc(const Frame& frame);

// Eight lines " 2 - ␣␣5" ... for bytes 2, 3, 4, 5, 8, 9, 10, 11.
void writeValueList(const Frame& frame, TextSink& sink);
// Sixteen lines: index in 2 places, a blank, the value in 4 places.
void writeFrameListing(const Frame& frame, TextSink& sink);
// Sixteen lines: index in 3 places, two blanks, two hex digits. Only the 16 frame bytes
// are listed; there is nothing behind them to show.
void writeByteDump(const Frame& frame, TextSink& sink);

// The 16 bytes as upper-case hex separated by single blanks.
std::string frameHex(const Frame& frame);

} // namespace tarvel
