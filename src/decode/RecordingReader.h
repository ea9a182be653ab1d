#pragma once
// Reads a recording with libsndfile (WAV of any sample format, FLAC, OGG, ...; any channel
// count, mixed to mono) and streams it through the demodulator piece by piece.

#include "decode/DecodeResult.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace tarvel {

// The file cannot be opened or read, or holds audio the decoder does not take.
class RecordingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Decodes the recording at `path`. Throws RecordingError with the reason.
DecodeResult decodeRecording(const std::string& path);

// Decodes a whole recording file held in memory (the same formats).
DecodeResult decodeRecordingBytes(std::span<const std::uint8_t> file);

// Decodes mono samples (full scale ±1) at the given rate; throws RecordingError for a rate
// outside 8..96 kHz.
DecodeResult decodeSamples(std::span<const float> samples, double sampleRate_hz);

} // namespace tarvel
