#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The decoder's result as one JSON object: what `tarvel decode --json` prints and the page
// reads after a check.

#include "decode/DecodeResult.h"

#include <string>

namespace tarvel {

// The status word of a result: ok, crc mismatch, no signal, no lead-in, ends early.
const char* decodeStatusWord(const DecodeResult& result);

// One line, no newline. A decoded frame gives its bytes, the CRC check, the parameters (the
// user's under "parameters", the fixed ones under "fixed"), "settings": the user's values as a
// settings file (null unless the CRC holds and each value is one a user may set), and the
// signal report; anything else gives the reason and the symbols read.
std::string decodeResultJson(const DecodeResult& result);

} // namespace tarvel
