#pragma once
// Reading a WAV file without libsndfile: the layouts nativeWavSound knows, in the same chunks
// and to the same floats, from a file or from bytes in memory.

#include "decode/DecodeResult.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tarvel {

// The recording in the open regular file `fd` of `fileSize` bytes; nothing when it is not
// a WAV read natively (libsndfile's then).
std::optional<DecodeResult> decodeNativeWavFile(int fd, std::size_t fileSize);

// The same for a whole file held in memory.
std::optional<DecodeResult> decodeNativeWavBytes(std::span<const std::uint8_t> bytes);

} // namespace tarvel
