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
// 2^-16, and the markers with 2^-16 more unless it already has them right, as most
// candidates do (they differ after the markers). Every wrong sequence the CRC alone turns
// away on the way to a result is one such chance; the decoder counts them, each sequence
// once (DecodeResult::crcRejections), so the chance of a wrong frame is measured per SNR
// (bench/decode_limits) rather than argued here. What keeps that count low:
// - a lead-in is read at most four times, and each reading checks its first sequence, its
//   phase-scored sequence and the best marked one before this list;
// - the slowest filter's glides are tried only when the plain reading fails, and only the
//   model that explains the recording better goes on, so noise gets no second list;
// - a reading one symbol off the lead-in's start needs the markers too (a shifted frame is a
//   fixed error pattern away from a matching CRC);
// - a clean recording of a frame whose CRC is wrong has no symbol within 20 of its best
//   reading (its alternatives lie hundreds below), so no candidate is tried and it stays
//   "CRC mismatch";
// - noise alone must first show something like a lead-in (none of 10 000 noise recordings
//   did).
// Measured on 200 seeded frames per step with this list: about 0.04 sequences turned away
// per recording at -11 dB and 0.18 at -12 dB (a wrong frame in fewer than 1 and about 3
// recordings in a million), 2.4 at -14 dB. A list of 16 read one frame more in 200 at
// -14 dB and turned away a third more sequences there; at -11 and -12 dB most of the count
// comes from the readings before the list.
inline constexpr std::size_t kCorrectionListSize = 8;
inline constexpr double kCorrectionMaxLoss = 20.0;

// Every candidate whose markers were right and whose CRC was not goes into `rejections`.
std::optional<Correction> correctByCrc(const SymbolTrellis& trellis,
    const std::function<Frame(std::span<const std::uint8_t>)>& toFrame, CrcRejections& rejections);

// True when the frame's CRC matches and bytes 0 and 1 are the markers 01 02.
bool frameChecksOut(const Frame& frame);

} // namespace tarvel
