#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV files the recording reader takes without libsndfile: the layouts readWavSound
// knows (8, 16 and 32-bit PCM, 32-bit float, little-endian RIFF), turned into the same
// floats libsndfile gives for them, so that either way of reading decodes alike.

#include "signal/WavFormat.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tarvel {

// The sound of a WAV file of `fileSize` bytes whose first bytes are `head`; the data chunk
// is cut to the file's end, not to the head's. Nothing when the layout is not one of the
// above, when the head ends before the data chunk starts, or when the data chunk declares
// no length (a writer that never finished: how much to read is libsndfile's guess to make).
std::optional<WavSound> nativeWavSound(std::span<const std::uint8_t> head, std::size_t fileSize);

// Converts whole frames of `kind` samples to floats at full scale ±1 (8-bit: (x - 128) / 128,
// 16-bit: x / 2^15, 32-bit: x / 2^31, float as it is). `out` holds at least one float per sample.
void wavSamplesToFloat(WavSampleKind kind, std::span<const std::uint8_t> bytes, std::span<float> out);

} // namespace tarvel
