#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// How a receiver tells a frame from noise: the CRC it carries and the markers it opens with.

#include "shared/Frame.h"

#include <cstdint>

namespace tarvel {

// The CRC over the bytes before kCrcIndex, as a receiver computes it.
std::uint16_t bodyCrc(const Frame& frame);

// True when the CRC stored at kCrcIndex is the one its bytes give.
bool crcMatches(const Frame& frame);

// True when the frame opens with kFrameMarkers.
bool markersOk(const Frame& frame);

} // namespace tarvel
