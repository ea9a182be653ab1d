// The recording reader fed arbitrary files (WAV, FLAC, OGG and whatever libsndfile takes),
// through to the demodulator: a file it cannot use must be refused, never crash or hang.

#include "decode/RecordingReader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const tarvel::DecodeResult r = tarvel::decodeRecordingBytes(std::span(data, size));
        if (r.crcOk() && r.computedCrc != r.receivedCrc)
            __builtin_trap();
    } catch (const tarvel::RecordingError&) {
    }
    return 0;
}
