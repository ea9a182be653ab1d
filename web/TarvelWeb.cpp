// The browser edition's binding: the core's frame, signal and decoder behind a few C functions
// that the page calls through the WebAssembly module. Results the page reads stay in one
// buffer per kind until the next call of that kind.

#include "web/TarvelWeb.h"

#include "decode/FrameDemodulator.h"
#include "decode/FrameWords.h"
#include "frame/FrameCheck.h"
#include "decode/ToneBins.h"
#include "frame/FrameBuild.h"
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

// The window's spin edits (MainWindow.ui): SpinEdit_9, SpinEdit_1, SpinEdit_3, SpinEdit_5.
constexpr std::array<ParameterRange, 4> kRanges = {{
    {"pilot_tone_hz", &PageSettings::pilot_hz, 300, 3000, 50},
    {"vox_threshold_percent", &PageSettings::voxThreshold, 1, 100, 1},
    {"vox_release_ms", &PageSettings::voxRelease_ms, 0, 3000, 50},
    {"max_transmit_s", &PageSettings::maxTx_s, 5, 250, 1},
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

std::string jsonNumber(double value, int places)
{
    if (!std::isfinite(value))
        return "null";
    if (std::fabs(value) < 0.5 * std::pow(10.0, -places))
        value = 0.0; // no "-0.0"
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return text;
}

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

const char* statusWord(const DecodeResult& r)
{
    switch (r.outcome) {
    case DecodeOutcome::Decoded:
        return r.crcOk() ? "ok" : "crc mismatch";
    case DecodeOutcome::NoSignal:
        return "no signal";
    case DecodeOutcome::NoLeadIn:
        return "no lead-in";
    case DecodeOutcome::EndsEarly:
        return "ends early";
    }
    return "no signal";
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

std::string resultJson(const DecodeResult& r)
{
    std::string json = "{\"status\":" + jsonString(statusWord(r));
    if (!r.decoded())
        return json + ",\"reason\":" + jsonString(r.reason)
            + ",\"symbols_read\":" + std::to_string(r.symbolsRead) + "}";
    json += ",\"frame\":" + jsonString(frameHex(r.frame)) + ",\"crc\":{\"ok\":"
        + (r.crcOk() ? "true" : "false") + ",\"computed\":" + jsonString(WordHex(r.computedCrc))
        + ",\"received\":" + jsonString(WordHex(r.receivedCrc))
        + "},\"corrected_symbols\":" + std::to_string(r.correctedSymbols)
        + ",\"markers_ok\":" + (markersOk(r.frame) ? "true" : "false") + ",\"parameters\":{";
    bool first = true;
    for (const FrameParameterText& p : describeFrame(r.frame)) {
        if (!p.userSettable)
            continue;
        json += (first ? "" : ",") + jsonString(p.key) + ":" + p.json;
        first = false;
    }
    const SignalReport& s = r.report;
    return json + "},\"signal\":{\"sample_rate_hz\":" + jsonNumber(s.sampleRate_hz, 0)
        + ",\"start_s\":" + jsonNumber(s.start_s, 4) + ",\"level_dbfs\":" + jsonNumber(s.level_dBFS, 2)
        + ",\"peak_dbfs\":" + jsonNumber(s.peak_dBFS, 2) + ",\"clock_skew_percent\":"
        + jsonNumber(s.clockSkew_percent, 3) + ",\"snr_db\":" + jsonNumber(s.snr_dB, 1)
        + ",\"weakest_margin_db\":" + jsonNumber(s.weakestMargin_dB, 1) + "}}";
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

// Decodes `count` mono samples (±1) at `rate`; returns the result as JSON.
EMSCRIPTEN_KEEPALIVE const char* tarvel_decode(const float* samples, int count, double rate)
{
    const DecodeResult r
        = decodeSamples(std::span<const float>(samples, static_cast<std::size_t>(count)), rate);
    results().text = resultJson(r);
    return results().text.c_str();
}

} // extern "C"
