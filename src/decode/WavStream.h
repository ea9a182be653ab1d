#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a WAV file without libsndfile: the layouts nativeWavLayout knows, in the same chunks
// and to the same floats, from a file, from bytes in memory or from a stream.

#include "decode/DecodeResult.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tarvel {

class StreamInput;

// The recording in the open regular file `fd` of `fileSize` bytes; nothing when it is not
// a WAV read natively (libsndfile's then).
std::optional<DecodeResult> decodeNativeWavFile(int fd, std::size_t fileSize);

// The same for a whole file held in memory.
std::optional<DecodeResult> decodeNativeWavBytes(std::span<const std::uint8_t> bytes);

// The same for a stream whose first bytes `head` holds, read as it arrives; the head grows
// by what is read to find the data chunk, so that, when the stream is not a WAV read
// natively, it holds everything read so far.
std::optional<DecodeResult> decodeNativeWavStream(StreamInput& in, std::vector<std::uint8_t>& head);

} // namespace tarvel
