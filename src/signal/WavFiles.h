#pragma once
// _8RIFF: the two files every send writes: `_qq.wav` (the signal as a 16 kHz mono PCM file of a
// fixed size, played to the interface) and "9_fmsig.h" (a stretch of the signal as a C
// table of signed 8-bit values). Both are replaced as a whole or not at all.

#include "shared/AtomicFile.h"
#include "signal/ToneSignal.h"

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

inline constexpr std::size_t kWavHeaderSize = 44;
inline constexpr std::size_t kWavDataSamples = 78'768; // about 4.923 s
inline constexpr std::size_t kWavDataSize = kWavDataSamples * 2; // 157 536 bytes
inline constexpr std::size_t kWavFileSize = kWavHeaderSize + kWavDataSize; // 157 580 bytes

// The table: 8192 values from the lead-in's last 64 samples on, 16 to a row.
inline constexpr std::size_t kFmSigFirstSample = 15'936;
inline constexpr std::size_t kFmSigValueCount = 8'192;
inline constexpr std::size_t kFmSigValuesPerRow = 16;
inline constexpr std::size_t kFmSigFileSize = 42'020;

// The fixed RIFF/WAVE header: the sizes are the same for every signal.
std::array<std::uint8_t, kWavHeaderSize> wavHeader();

// Writes the data chunk: the first `signalSamples` entries of the buffer as
// little-endian 16-bit values, zeros behind them up to the chunk's fixed size, so that
// what an earlier, longer signal left in the buffer never reaches the file.
void writeWavData(AtomicFile& file, std::span<const std::int16_t> samples, std::int32_t signalSamples);

// One table value: the sample divided by 256, truncated toward zero.
constexpr std::int32_t fmSigValue(std::int16_t sample)
{
    return sample / 256;
}

// The whole text of "9_fmsig.h" (CR LF line ends, none after the closing "};").
// Throws std::invalid_argument if the buffer does not reach the table's last sample.
std::string fmSigText(std::span<const std::int16_t> samples);

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
