#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
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

// One send's files, with the other sends into `folder` kept waiting, all through one handle
// of the folder: creates `_qq.wav` there (if that fails, FileError is thrown before the
// generator runs), runs FormFM, writes the samples, then writes "9_fmsig.h"; only when both
// are complete and on disk are they put in place, `_qq.wav` first, with the catchable
// signals held back between the two renames. What a failure leaves:
// - anywhere before that (a failed write, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ,
//   SIGPIPE, SIGKILL), both previous files as they were and no temporary file (SIGKILL may
//   leave a hidden one where the file system has no unnamed files);
// - a catchable signal during the renames takes effect after both: the new pair;
// - SIGKILL or a power loss between the two renames: the new `_qq.wav` beside the previous
//   "9_fmsig.h", and the new table as ".9_fmsig.h.<8 hex digits>.tmp";
// - when `_qq.wav` was put in place and "9_fmsig.h" then cannot be (only the rename can fail
//   there), the new `_qq.wav` beside the previous "9_fmsig.h".
// In the last two cases the next successful send removes the hidden file and replaces both.
// Returns the signal's length N.
std::int32_t WriteRiff(SignalContext& ctx, const std::filesystem::path& folder);

} // namespace tarvel
