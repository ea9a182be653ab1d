#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Which recordings the reader takes: the container, told by its first bytes, and the rate.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvel {

// "WAV", "FLAC" or "OGG" for a file of `fileSize` bytes that begins with `head` (12 bytes
// are enough); throws RecordingError for an empty file or any other container.
const char* checkContainer(std::span<const std::uint8_t> head, std::size_t fileSize);

// Throws RecordingError for a rate outside kMinSampleRate_hz..kMaxSampleRate_hz.
void checkRate(double rate);

} // namespace tarvel
