#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads what a RIFF/WAVE file says about its sound: where the samples are and how they are
// laid out. Plain C++ over the file's bytes; every size in the file is checked against the
// bytes that are really there, so a short, damaged or hostile file yields "not playable"
// rather than a read past the end.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tarvel {

enum class WavSampleKind {
    UInt8, // 8-bit PCM, offset binary
    Int16, // 16-bit PCM
    Int32, // 32-bit PCM
    Float32, // IEEE float
};

struct WavSound {
    WavSampleKind kind = WavSampleKind::Int16;
    int channels = 0;
    int sampleRate_hz = 0;
    std::size_t dataOffset = 0; // first byte of the samples within the file
    std::size_t dataSize = 0; // whole sample frames only, never past the file's end

    int bytesPerFrame() const;
    std::int64_t frameCount() const;
    std::int64_t duration_us() const;
};

// The sound of a WAV file held in `bytes`, or nothing when it is not a WAV file this
// program can play: not RIFF/WAVE, no "fmt " before "data", a sample layout other than
// those above, no channels, a rate of 0 or an implausible one. A data chunk that claims
// more bytes than the file holds is cut to what is there (a recording cut short still
// plays).
std::optional<WavSound> readWavSound(std::span<const std::uint8_t> bytes);

} // namespace tarvel
