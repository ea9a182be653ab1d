// SPDX-License-Identifier: GPL-3.0-or-later
// The browser edition's binding: the core's frame, signal and decoder behind a few C functions
// that the page calls through the WebAssembly module. Results the page reads stay in one
// buffer per kind until the next call of that kind.

#include "web/TarvelWeb.h"

#include "decode/DecodeJson.h"
#include "decode/FrameDemodulator.h"
#include "decode/FrameWords.h"
#include "frame/FrameCheck.h"
#include "decode/ToneBins.h"
#include "frame/FrameBuild.h"
#include "frame/SettingsFile.h"
#include "shared/JsonText.h"
#include "shared/NumberText.h"
#include "shared/SharedState.h"
#include "signal/TestTone.h"
#include "signal/ToneSignal.h"
#include "signal/WavBytes.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarvel::web {

namespace {

// The spin edits take their bounds, steps and defaults from the frame's field table.
constexpr ParameterRange rangeOf(const FrameField& f, int PageSettings::*value)
{
    return {f.key, value, f.range->min, f.range->max, f.range->increment};
}

constexpr std::array<ParameterRange, 4> kRanges = {{
    rangeOf(frameFieldOf(&FrameParameters::pilot_hz), &PageSettings::pilot_hz),
    rangeOf(frameFieldOf(&FrameParameters::voxThreshold), &PageSettings::voxThreshold),
    rangeOf(frameFieldOf(&FrameParameters::voxRelease_ms), &PageSettings::voxRelease_ms),
    rangeOf(frameFieldOf(&FrameParameters::maxTx_s), &PageSettings::maxTx_s),
}};

FrameParameters frameParameters(const PageSettings& s)
{
    FrameParameters p;
    p.keyingMode = s.keyingMode;
    p.pilot_hz = s.pilot_hz;
    p.voxThreshold = s.voxThreshold;
    p.voxRelease_ms = s.voxRelease_ms;
    p.maxTxEnabled = s.maxTxEnabled;
    p.maxTx_s = s.maxTx_s;
    return p;
}

} // namespace

std::span<const ParameterRange> parameterRanges()
{
    return kRanges;
}

PageSettings clamped(PageSettings settings)
{
    for (const ParameterRange& r : kRanges)
        settings.*r.value = std::clamp(settings.*r.value, r.min, r.max);
    if (settings.keyingMode != static_cast<int>(KeyingMode::Vox))
        settings.keyingMode = static_cast<int>(KeyingMode::PilotTone);
    return settings;
}

PageSettings pageSettings(const FrameParameters& p)
{
    return {.keyingMode = p.keyingMode,
        .pilot_hz = p.pilot_hz,
        .voxThreshold = p.voxThreshold,
        .voxRelease_ms = p.voxRelease_ms,
        .maxTxEnabled = p.maxTxEnabled,
        .maxTx_s = p.maxTx_s};
}

std::string settingsFileText(const PageSettings& settings, std::string_view name)
{
    return settingsJson(frameParameters(settings), name);
}

std::string readSettingsFile(std::string_view text, PageSettings& settings)
{
    FrameParameters params = frameParameters(settings);
    const std::string name = readSettings(text, params);
    settings = pageSettings(params);
    return name;
}

Frame pageFrame(const PageSettings& settings)
{
    return buildFrame(frameParameters(clamped(settings)));
}

SendFiles firstSend(const PageSettings& settings)
{
    // A fresh program state with the filter on at the default Alfa, as `tarvel wav` runs it.
    SharedState shared;
    shared.frame = pageFrame(settings);
    GeneratorState generator;
    const FixedFilterSwitch filterOn(true);
    NullPlotSink noChart;
    SignalContext ctx {shared, generator, filterOn, noChart, noChart};
    SendFiles files;
    files.signalSamples = FormFM(ctx);
    files.wav = wavFileBytes(shared.samples, files.signalSamples);
    files.fmSig = fmSigText(shared.samples);
    return files;
}

DecodeResult decodeSamples(std::span<const float> samples, double sampleRate_hz)
{
    if (!(sampleRate_hz >= kMinSampleRate_hz && sampleRate_hz <= kMaxSampleRate_hz)) {
        DecodeResult result;
        result.reason = "a sample rate of " + jsonNumber(sampleRate_hz, 0) + " Hz; 8000 to 96000 Hz are read";
        return result;
    }
    FrameDemodulator demodulator(sampleRate_hz);
    demodulator.feed(samples);
    return demodulator.finish();
}

namespace {

// What the page reads after a call: pointers into these stay valid until the next call.
struct Results {
    std::string text;
    SendFiles files;
    std::vector<std::int16_t> tone;
};

Results& results()
{
    static Results held;
    return held;
}

PageSettings settingsFrom(const std::int32_t* v)
{
    return {.keyingMode = v[0],
        .pilot_hz = v[1],
        .voxThreshold = v[2],
        .voxRelease_ms = v[3],
        .maxTxEnabled = v[4] != 0,
        .maxTx_s = v[5]};
}

} // namespace

} // namespace tarvel::web

// The page's entry points. A settings array holds, in this order: keying mode (0 pilot tone,
// 1 VOX), pilot tone in Hz, VOX threshold in 0.1 %, VOX release in ms, maximum transmit time
// switched on (0 or 1), maximum transmit time in s.
extern "C" {

using namespace tarvel;
using namespace tarvel::web;

// The spin edits as JSON: [{"key":..., "min":..., "max":..., "step":..., "default":...}, ...]
// followed by the default keying mode and check box, under "ranges" and "defaults".
EMSCRIPTEN_KEEPALIVE const char* tarvel_parameters()
{
    const PageSettings defaults;
    std::string& json = results().text;
    json = "{\"ranges\":[";
    for (const ParameterRange& r : parameterRanges()) {
        json += std::string(json.back() == '[' ? "{" : ",{") + "\"key\":" + jsonString(r.key)
            + ",\"min\":" + std::to_string(r.min) + ",\"max\":" + std::to_string(r.max) + ",\"step\":"
            + std::to_string(r.step) + ",\"default\":" + std::to_string(defaults.*r.value) + "}";
    }
    json += "],\"defaults\":{\"keying_mode\":" + std::to_string(defaults.keyingMode)
        + ",\"max_transmit_enabled\":" + (defaults.maxTxEnabled ? "true" : "false") + "}}";
    return json.c_str();
}

// Writes the 16 frame bytes to `frameOut`; returns the CRC.
EMSCRIPTEN_KEEPALIVE int tarvel_frame(const std::int32_t* settings, std::uint8_t* frameOut)
{
    const Frame frame = pageFrame(settingsFrom(settings));
    std::copy(frame.begin(), frame.end(), frameOut);
    return storedCrc(frame);
}

// Makes the send's two files; returns the signal's length in samples.
EMSCRIPTEN_KEEPALIVE int tarvel_send(const std::int32_t* settings)
{
    results().files = firstSend(settingsFrom(settings));
    return results().files.signalSamples;
}
EMSCRIPTEN_KEEPALIVE const std::uint8_t* tarvel_wav_bytes()
{
    return results().files.wav.data();
}
EMSCRIPTEN_KEEPALIVE int tarvel_wav_size()
{
    return static_cast<int>(results().files.wav.size());
}
EMSCRIPTEN_KEEPALIVE const char* tarvel_fmsig_text()
{
    return results().files.fmSig.c_str();
}
EMSCRIPTEN_KEEPALIVE int tarvel_fmsig_size()
{
    return static_cast<int>(results().files.fmSig.size());
}

// The test tone, 16 kHz samples; returns where they are (tarvel_tone_count of them).
EMSCRIPTEN_KEEPALIVE const std::int16_t* tarvel_tone(int frequency_hz, int seconds)
{
    results().tone = testToneSamples(frequency_hz, seconds);
    return results().tone.data();
}
EMSCRIPTEN_KEEPALIVE int tarvel_tone_count()
{
    return static_cast<int>(results().tone.size());
}
EMSCRIPTEN_KEEPALIVE int tarvel_sample_rate()
{
    return kSampleRate_hz;
}
EMSCRIPTEN_KEEPALIVE int tarvel_tone_default_hz()
{
    return kTestToneDefault_hz;
}

// Reads a settings file into `settings` (the page's array, left as it was when the file is
// refused); returns {"name": ...} or {"error": ...}.
EMSCRIPTEN_KEEPALIVE const char* tarvel_settings_read(const char* text, std::int32_t* settings)
{
    PageSettings read = settingsFrom(settings);
    try {
        const std::string name = readSettingsFile(text, read);
        results().text = "{\"name\":" + jsonString(name) + "}";
    } catch (const SettingsError& e) {
        results().text = "{\"error\":" + jsonString(e.what()) + "}";
        return results().text.c_str();
    }
    const std::array<std::int32_t, 6> values = {read.keyingMode, read.pilot_hz, read.voxThreshold,
        read.voxRelease_ms, read.maxTxEnabled ? 1 : 0, read.maxTx_s};
    std::copy(values.begin(), values.end(), settings);
    return results().text.c_str();
}

// The settings file for `settings`, with `name` when it is not empty.
EMSCRIPTEN_KEEPALIVE const char* tarvel_settings_write(const std::int32_t* settings, const char* name)
{
    results().text = settingsFileText(settingsFrom(settings), name);
    return results().text.c_str();
}

// Decodes `count` mono samples (±1) at `rate`; returns the result as JSON.
EMSCRIPTEN_KEEPALIVE const char* tarvel_decode(const float* samples, int count, double rate)
{
    const DecodeResult r
        = decodeSamples(std::span<const float>(samples, static_cast<std::size_t>(count)), rate);
    results().text = decodeResultJson(r);
    return results().text.c_str();
}

} // extern "C"
