#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The channels of a recording, each read on its own and, for several, also as their mix, so
// that a signal on any one channel is found, with or without an inverted copy on another.

#include "decode/DecodeResult.h"
#include "decode/FrameDemodulator.h"

#include <cstddef>
#include <span>
#include <vector>

namespace tarvel {

// Frames a recording is fed in at a time, whichever way it is read.
inline constexpr std::size_t kChunkFrames = 4096;

// One demodulator per channel and, for several channels, one for their mix.
class ChannelDemodulators {
public:
    ChannelDemodulators(int channels, double rate);

    // Returns true once a channel of its own has read a frame with a matching CRC.
    bool feed(std::span<const float> interleaved);

    // The first channel with a matching CRC, else the mix with one, else the reading that
    // got furthest (a channel of its own before the mix).
    DecodeResult finish();

private:
    std::size_t channels_;
    std::vector<FrameDemodulator> demodulators_;
    std::vector<float> buffer_;
};

// Damaged part-way: what came before the damage is read like a recording that ends there,
// and the reason says where the file stops being readable.
void noteDamage(DecodeResult& result, const char* container, double seconds);

} // namespace tarvel
