// SPDX-License-Identifier: GPL-3.0-or-later
// The recording reader fed arbitrary files (WAV, FLAC, OGG and whatever libsndfile takes),
// through to the demodulator: a file it cannot use must be refused, never crash or hang, and a frame it reports
// must agree with its own bytes.

#include "DecodeChecks.h"
#include "decode/RecordingReader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        tarvel::fuzzing::checkDecodeResult(tarvel::decodeRecordingBytes(std::span(data, size)));
    } catch (const tarvel::RecordingError&) {
    }
    return 0;
}
