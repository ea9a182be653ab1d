#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Correction by the CRC: when the most likely symbol sequence fails the CRC, the sequences
// that differ from it where it is least sure are tried, most likely first, and the first
// whose frame carries a matching CRC and the markers 01 02 is taken.

#include "decode/DecodeResult.h"
#include "decode/SymbolTrellis.h"
#include "shared/Frame.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace tarvel {

struct Correction {
    std::vector<std::uint8_t> tones;
    int changedSymbols; // symbols that differ from the most likely sequence
};

// Candidates tried at most, and how far below the most likely sequence (in log-likelihood) a
// candidate may lie. Few, because each wrong candidate turned away by the CRC alone is a 2^-16
// chance of taking a wrong frame; bench/README.md gives the measured counts.
inline constexpr std::size_t kCorrectionListSize = 8;
inline constexpr double kCorrectionMaxLoss = 20.0;

// Every candidate whose markers were right and whose CRC was not goes into `rejections`.
std::optional<Correction> correctByCrc(const SymbolTrellis& trellis,
    const std::function<Frame(std::span<const std::uint8_t>)>& toFrame, CrcRejections& rejections);

// True when the frame's CRC matches and bytes 0 and 1 are the markers 01 02.
bool frameChecksOut(const Frame& frame);

} // namespace tarvel
