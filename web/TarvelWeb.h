#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The browser edition's view of the core: everything the page asks of the frame, the signal
// and the decoder, in plain types. The C functions the page calls (TarvelWeb.cpp) are a thin
// skin over these.

#include "decode/DecodeResult.h"
#include "frame/FrameLayout.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::web {

// The values a user sets on the programmer page.
struct PageSettings {
    int keyingMode = FrameParameters {}.keyingMode;
    int pilot_hz = FrameParameters {}.pilot_hz;
    int voxThreshold = FrameParameters {}.voxThreshold;
    int voxRelease_ms = FrameParameters {}.voxRelease_ms;
    bool maxTxEnabled = FrameParameters {}.maxTxEnabled;
    int maxTx_s = FrameParameters {}.maxTx_s;
};

// One spin edit of the programmer page: the window's range, arrow step and default.
struct ParameterRange {
    const char* key; // the frame field's key
    int PageSettings::*value;
    int min;
    int max;
    int step;
};

// The four spin edits, in the page's order.
std::span<const ParameterRange> parameterRanges();

// Values outside a range become the nearest bound, as the window's fields do on leaving them.
PageSettings clamped(PageSettings settings);

// The page's settings as a settings file (the preset export) and back: readSettingsFile returns
// the file's name and throws SettingsError, leaving `settings` as it was, for a file it refuses.
std::string settingsFileText(const PageSettings& settings, std::string_view name);
std::string readSettingsFile(std::string_view text, PageSettings& settings);

// The frame of "сформировать" for the (clamped) settings, the CRC in its last two bytes.
Frame pageFrame(const PageSettings& settings);

// The two files of the first "выдать" after start, byte for byte what `tarvel wav` writes.
struct SendFiles {
    std::vector<std::uint8_t> wav; // _qq.wav
    std::string fmSig; // 9_fmsig.h
    std::int32_t signalSamples = 0;
};
SendFiles firstSend(const PageSettings& settings);

// What a recording holds: mono samples, full scale ±1, at any rate the decoder reads. A rate it
// does not read gives NoSignal with the reason.
DecodeResult decodeSamples(std::span<const float> samples, double sampleRate_hz);

} // namespace tarvel::web
