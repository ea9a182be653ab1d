// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame/FrameCheck.h"

#include "frame/Crc16.h"
#include "frame/FrameBuild.h"
#include "frame/FrameLayout.h"

#include <algorithm>
#include <span>

namespace tarvel {

std::uint16_t bodyCrc(const Frame& frame)
{
    return crc16(std::span(frame).first(kCrcIndex));
}

bool crcMatches(const Frame& frame)
{
    return bodyCrc(frame) == storedCrc(frame);
}

bool markersOk(const Frame& frame)
{
    return std::equal(kFrameMarkers.begin(), kFrameMarkers.end(), frame.begin());
}

} // namespace tarvel
