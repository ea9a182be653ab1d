// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV header reader that decides what the player sends to the sound card, fed arbitrary
// bytes: no crash, and what it accepts always lies inside the bytes it was given.

#include "signal/WavFormat.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto sound = tarvel::readWavSound(std::span<const std::uint8_t>(data, size));
    if (sound) {
        if (sound->dataOffset > size || sound->dataSize > size - sound->dataOffset)
            std::abort();
        if (sound->channels <= 0 || sound->sampleRate_hz <= 0)
            std::abort();
        if (sound->bytesPerFrame() > 0
            && sound->dataSize % static_cast<std::size_t>(sound->bytesPerFrame()) != 0)
            std::abort();
    }
    return 0;
}
