#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV files the recording reader takes without libsndfile: 8, 16, 24 and 32-bit PCM and
// 32 and 64-bit float, plain or extensible, little-endian RIFF, 1 to 64 channels, turned into
// the same floats libsndfile gives for them, so that either way of reading decodes alike.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tarvel {

enum class WavSample { UInt8, Int16, Int24, Int32, Float32, Float64 };

struct WavLayout {
    WavSample sample = WavSample::Int16;
    int channels = 0;
    int sampleRate_hz = 0;
    std::size_t dataOffset = 0; // first byte of the samples within the file
    std::size_t dataSize = 0; // whole frames only, never past the file's end

    std::size_t bytesPerFrame() const;
};

// The most channels a recording may have.
inline constexpr int kMaxRecordingChannels = 64;

// The layout of a WAV file of `fileSize` bytes whose first bytes are `head`; the data chunk
// is cut to the file's end, not to the head's (SIZE_MAX for a stream: read to its end).
// Nothing when the layout is not one of the above, when the head ends before the data chunk
// starts, or when the data chunk declares no length (a writer that never finished: how much
// to read is libsndfile's guess to make). The rate is not judged here.
std::optional<WavLayout> nativeWavLayout(std::span<const std::uint8_t> head, std::size_t fileSize);

// Where a RIFF (or big-endian RIFX, or RF64) WAVE file's data chunk starts and the length it
// declares (0: left open), whatever its layout; nothing when `head` does not reach the data
// chunk's header.
struct WavData {
    std::size_t offset = 0;
    std::size_t declared = 0;
};
std::optional<WavData> findWavData(std::span<const std::uint8_t> head);

// Converts whole frames of `sample`s to floats at full scale ±1 (8-bit: (x - 128) / 128,
// 16-bit: x / 2^15, 24-bit: x / 2^23, 32-bit: x / 2^31, float as it is). `out` holds at
// least one float per sample.
void wavSamplesToFloat(WavSample sample, std::span<const std::uint8_t> bytes, std::span<float> out);

} // namespace tarvel
