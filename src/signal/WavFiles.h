#pragma once
// _8RIFF: the two files every send writes: `_qq.wav` (the signal as a 16 kHz mono PCM file of a
// fixed size, played to the interface) and "9_fmsig.h" (a stretch of the signal as a C
// table of signed 8-bit values). Both are replaced as a whole or not at all.

#include "shared/AtomicFile.h"
#include "signal/ToneSignal.h"
#include "signal/WavBytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace tarvel {

inline constexpr const char* kWavFileName = "_qq.wav";
inline constexpr const char* kFmSigFileName = "9_fmsig.h";

// Writes the data chunk of forEachWavDataBlock to `file`.
void writeWavData(AtomicFile& file, std::span<const std::int16_t> samples, std::int32_t signalSamples);

// Writes the table of "9_fmsig.h" from the sample buffer into `table`. Throws FileError, or
// std::invalid_argument as fmSigText does.
void WriteFmSig(std::span<const std::int16_t> samples, AtomicFile& table);

// One send's files, with the other sends into `folder` kept waiting: creates `_qq.wav` in
// `folder` (if that fails, FileError is thrown before the generator runs), runs FormFM,
// writes the samples, then writes "9_fmsig.h"; only when both are complete are they put in
// place, `_qq.wav` first. What a failure leaves:
// - anywhere before that, both previous files as they were and no temporary file;
// - when `_qq.wav` cannot be put in place, the same;
// - when `_qq.wav` was put in place and "9_fmsig.h" then cannot be, the new `_qq.wav`
//   beside the previous "9_fmsig.h"; the next successful send makes them agree again.
// Returns the signal's length N.
std::int32_t WriteRiff(SignalContext& ctx, const std::filesystem::path& folder);

} // namespace tarvel
