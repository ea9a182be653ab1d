#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's parameters in words and units, as someone setting up a repeater reads them.

#include "shared/Frame.h"

#include <string>
#include <vector>

namespace tarvel {

struct FrameParameterText {
    const char* key; // for JSON: snake_case with the unit
    const char* label; // for people
    std::string text; // "2000 Hz", "pilot tone", "off"
    std::string json; // the value as JSON: a number, a string or null for "off"
    bool userSettable; // false for the values this build fixes
};

// Every field of kFrameFields in any frame, in the table's order (a value outside the
// window's ranges is shown as it is).
std::vector<FrameParameterText> describeFrame(const Frame& frame);

} // namespace tarvel
