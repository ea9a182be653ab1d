#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a recording through libsndfile: FLAC, OGG and the WAV layouts the reader does not
// take itself, from an open file, from a stream as it arrives, or from bytes in memory.

#include "decode/DecodeResult.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tarvel {

class StreamInput;

// `container` ("FLAC") names the file in the errors: RecordingError when libsndfile cannot
// be loaded or cannot read the file's header.
DecodeResult decodeSndfileFile(int fd, const char* container);
// `head`: what was read of the stream to judge it.
DecodeResult decodeSndfileStream(StreamInput& in, std::vector<std::uint8_t> head, const char* container);
DecodeResult decodeSndfileBytes(std::span<const std::uint8_t> bytes, const char* container);

} // namespace tarvel
