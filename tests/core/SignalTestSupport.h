#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the signal tests: a program state that starts fresh, samples read
// back from a written WAV file, and frames of one repeated byte.

#include "shared/SharedState.h"
#include "shared/Sinks.h"
#include "signal/ToneSignal.h"

#include <cstdint>
#include <string>

namespace tarvel::testing {

// Everything one program run keeps, as at start-up, with the window's defaults.
struct ProgramRun {
    SharedState shared;
    GeneratorState generator;
    FixedFilterSwitch filterSwitch {true};
    PointsSink filterChart;
    PointsSink signalChart;
    SignalContext ctx {shared, generator, filterSwitch, filterChart, signalChart};

    std::int32_t send(const Frame& frame)
    {
        shared.frame = frame;
        filterChart.clear(); // the send command clears the filter chart first
        return FormFM(ctx);
    }
};

// Sample i of a WAV file's data chunk (behind the 44-byte header).
inline std::int16_t wavSample(const std::string& wav, std::size_t i)
{
    const auto lo = static_cast<unsigned char>(wav.at(44 + 2 * i));
    const auto hi = static_cast<unsigned char>(wav.at(44 + 2 * i + 1));
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
}

// A frame whose 16 bytes all equal `byte`: 0xFF gives the shortest signal, 0x00 the
// longest (the generator does not care that the markers and CRC are not real).
inline Frame uniformFrame(std::uint8_t byte)
{
    Frame f;
    f.fill(byte);
    return f;
}

} // namespace tarvel::testing
