#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a recording (WAV, FLAC or OGG; any sample format; 1 to 64 channels) and streams it
// through the demodulator piece by piece: the container is told by its first bytes
// (RecordingFormat), the common WAV layouts are read natively (WavStream), the rest through
// libsndfile (SndfileStream), and every channel is read on its own and in the mix
// (ChannelDemodulators).

#include "decode/DecodeResult.h"
#include "decode/RecordingError.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tarvel {

// Decodes the recording at `path` (taken as it is: "-" is a file of that name).
DecodeResult decodeRecording(const std::string& path);

// Decodes the recording that the open descriptor `fd` gives (standard input): a regular file
// from its start; a pipe, a FIFO or a device as it arrives, judged by its first bytes and
// left as soon as the frame is read, without waiting for the stream's end.
DecodeResult decodeRecordingFd(int fd);

// Decodes a whole recording file held in memory (the same formats).
DecodeResult decodeRecordingBytes(std::span<const std::uint8_t> file);

// Decodes mono samples (full scale ±1) at the given rate; throws RecordingError for a rate
// outside 8..96 kHz.
DecodeResult decodeSamples(std::span<const float> samples, double sampleRate_hz);

} // namespace tarvel
