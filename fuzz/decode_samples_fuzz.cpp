// SPDX-License-Identifier: GPL-3.0-or-later
// The demodulator fed arbitrary samples: the first two bytes choose the sample rate
// (8..96 kHz), the third how the rest is taken (16-bit integers or raw 32-bit floats, NaN
// and infinities included) and how it is cut into pieces.

#include "DecodeChecks.h"
#include "decode/FrameDemodulator.h"
#include "decode/ToneBins.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const unsigned rateCode = static_cast<unsigned>(data[0]) << 8 | data[1];
    const double rate = tarvel::kMinSampleRate_hz + rateCode % 88'001;
    const bool floats = data[2] & 1;
    const std::size_t piece = 1 + (data[2] >> 1) * 37u;
    data += 3;
    size -= 3;

    std::vector<float> samples;
    if (floats) {
        samples.resize(size / 4);
        std::memcpy(samples.data(), data, samples.size() * 4);
    } else {
        samples.resize(size / 2);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            std::int16_t v;
            std::memcpy(&v, data + 2 * i, 2);
            samples[i] = static_cast<float>(v) / 32768.0f;
        }
    }
    tarvel::FrameDemodulator demodulator(rate);
    for (std::size_t at = 0; at < samples.size(); at += piece) {
        const std::size_t n = std::min(piece, samples.size() - at);
        if (demodulator.feed(std::span(samples).subspan(at, n)))
            break;
    }
    tarvel::fuzzing::checkDecodeResult(demodulator.finish());
    return 0;
}
