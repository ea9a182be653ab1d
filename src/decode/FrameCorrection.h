#pragma once
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

// Candidates tried at most, and how far below the most likely sequence (in log-likelihood)
// a candidate may lie.
//
// Why so few: a candidate that is not the frame sent passes the 16-bit CRC with probability
// 2^-16, and the markers with 2^-16 more unless it already has them right. A recording gets
// at most two readings per lead-in found (tones changing at once, and gliding as the slowest
// filter makes them). Each checks by the CRC alone its first sequence, with and without a first symbol
// merged into the lead-in, and when that fails the same two read once more with every
// symbol scored against the sender's phase: at most 2 · 4 = 8 sequences. Only then are
// candidates checked by the CRC and the markers: at most 2 · (1 + 16) = 34 of them.
// - noise alone needs something like a lead-in first (none in 10 000 noise recordings, so
//   fewer than 3e-4 of them); past it, 8 · 2^-16 + 34 · 2^-32 ≈ 1.2e-4: under 4e-8 in all;
// - a clean recording of a frame whose CRC is wrong has no symbol within 20 of its best
//   reading (its alternatives lie hundreds below), so no candidate is tried and it stays
//   "CRC mismatch";
// - a noisy recording of a real send whose list misses the frame sent keeps its markers in
//   most candidates, so only the CRC guards it: at most (32 + 8) · 2^-16 ≈ 6e-4 per such
//   recording. That stays below one in a million recordings while fewer than one in 600
//   reach the list without the frame in it (down to about -11 dB); nearer the limit it is
//   about one wrong frame in several thousand recordings. A longer list would find a few
//   more frames at -14 dB and let proportionally more wrong ones through.
inline constexpr std::size_t kCorrectionListSize = 16;
inline constexpr double kCorrectionMaxLoss = 20.0;

// Every candidate whose markers were right and whose CRC was not goes into `rejections`.
std::optional<Correction> correctByCrc(const SymbolTrellis& trellis,
    const std::function<Frame(std::span<const std::uint8_t>)>& toFrame, CrcRejections& rejections);

// True when the frame's CRC matches and bytes 0 and 1 are the markers 01 02.
bool frameChecksOut(const Frame& frame);

} // namespace tarvel
