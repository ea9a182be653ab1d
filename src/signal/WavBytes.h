#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// _8RIFF: the contents of `_qq.wav` and "9_fmsig.h" as bytes, with nothing written anywhere:
// the file writer and the browser edition both take them from here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tarvel {

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

// One table value: the sample divided by 256, truncated toward zero.
constexpr std::int32_t fmSigValue(std::int16_t sample)
{
    return sample / 256;
}

// The whole text of "9_fmsig.h" (CR LF line ends, none after the closing "};").
// Throws std::invalid_argument if the buffer does not reach the table's last sample.
std::string fmSigText(std::span<const std::int16_t> samples);

// The data chunk: the first `signalSamples` entries of `samples` as little-endian 16-bit
// values, zeros behind them up to the chunk's fixed size, so that what an earlier, longer
// signal left in the buffer never reaches the file. Handed to `put` a block at a time.
void forEachWavDataBlock(std::span<const std::int16_t> samples, std::int32_t signalSamples,
    const std::function<void(std::span<const std::uint8_t>)>& put);

// Any 16 kHz mono samples as a WAV file of their own length (the test tone the page plays).
std::vector<std::uint8_t> monoWavBytes(std::span<const std::int16_t> samples);

// The whole of `_qq.wav`: the header and the data chunk.
std::vector<std::uint8_t> wavFileBytes(std::span<const std::int16_t> samples, std::int32_t signalSamples);

} // namespace tarvel
