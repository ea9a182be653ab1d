// SPDX-License-Identifier: GPL-3.0-or-later
// The browser edition's binding: the core's frame, signal, settings file and decoder behind a
// few C functions that the page calls through the WebAssembly module. Text goes in as bytes
// with their length; every answer is JSON text that stays in one buffer until the next call.

#include "web/TarvelWeb.h"

#include "decode/DecodeJson.h"
#include "decode/RecordingFormat.h"
#include "decode/RecordingReader.h"
#include "decode/ToneBins.h"
#include "decode/WavSamples.h"
#include "frame/FrameBuild.h"
#include "frame/FrameCheck.h"
#include "frame/SettingsFile.h"
#include "shared/JsonText.h"
#include "shared/NumberText.h"
#include "shared/SharedState.h"
#include "signal/TestTone.h"
#include "signal/ToneSignal.h"
#include "signal/WavBytes.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#else
// Built natively too, for its tests and the project's checks.
#define EMSCRIPTEN_KEEPALIVE
#endif

#include <algorithm>
#include <array>
#include <exception>
#include <new>

namespace tarvel::web {

namespace {

constexpr std::array<const FrameField*, 4> kSpinFields = {
    &frameFieldOf(&FrameParameters::pilot_hz),
    &frameFieldOf(&FrameParameters::voxThreshold),
    &frameFieldOf(&FrameParameters::voxRelease_ms),
    &frameFieldOf(&FrameParameters::maxTx_s),
};

// Field units in one unit of the settings file: the VOX threshold is set in tenths of a per
// cent and written in per cent.
int unitsPerFileUnit(const FrameField& f)
{
    return f.value == &FrameParameters::voxThreshold ? 10 : 1;
}

// Recordings past this size are refused before reading: the decoder would take them, but a
// phone would spend minutes on one.
constexpr double kRecordingLimit_bytes = 2.0 * 1024 * 1024 * 1024;

FrameParameters settingsFrom(std::string_view settings)
{
    FrameParameters params;
    readSettings(settings, params);
    return params;
}

const char* reasonCode(DecodeReason why)
{
    switch (why) {
    case DecodeReason::None:
        break;
    case DecodeReason::NoLeadIn:
        return "no_lead_in";
    case DecodeReason::ToneWithoutLeadIn:
        return "tones_without_lead_in";
    case DecodeReason::EndsInLeadIn:
        return "ends_in_lead_in";
    case DecodeReason::RecordingEnds:
        return "recording_ends";
    case DecodeReason::SignalStops:
        return "signal_stops";
    }
    return "";
}

} // namespace

namespace {

std::string rateRefused(double rate_hz)
{
    try {
        checkRate(rate_hz);
    } catch (const RecordingError& e) {
        return errorJson("recording", e.what());
    }
    return {};
}

} // namespace

std::string errorJson(std::string_view code, std::string_view message)
{
    return "{\"error\":{\"code\":" + jsonString(code) + ",\"message\":" + jsonString(message) + "}}";
}

std::string parametersJson()
{
    const FrameParameters defaults;
    std::string json = "{\"ranges\":[";
    for (const FrameField* f : kSpinFields) {
        const UserRange& r = *f->range;
        json += std::string(json.back() == '[' ? "{" : ",{") + "\"key\":" + jsonString(f->key)
            + ",\"min\":" + std::to_string(r.min) + ",\"max\":" + std::to_string(r.max) + ",\"step\":"
            + std::to_string(r.increment) + ",\"default\":" + std::to_string(defaults.*f->value)
            + ",\"per_file_unit\":" + std::to_string(unitsPerFileUnit(*f)) + "}";
    }
    return json + "],\"defaults\":" + settingsJson(defaults, {}, SettingsLayout::OneLine)
        + ",\"settings_file_limit\":" + std::to_string(kSettingsFileLimit)
        + ",\"recording_limit\":" + jsonNumber(kRecordingLimit_bytes, 0) + "}";
}

std::string frameJson(std::string_view settings)
{
    const Frame frame = buildFrame(settingsFrom(settings));
    return "{\"frame\":" + jsonString(frameHex(frame)) + ",\"crc\":" + jsonString(WordHex(storedCrc(frame)))
        + "}";
}

std::string readSettingsJson(std::string_view file)
{
    if (file.size() > kSettingsFileLimit)
        return errorJson("settings", "too large for a settings file");
    FrameParameters params;
    const std::string name = readSettings(file, params);
    return "{\"name\":" + jsonString(name)
        + ",\"settings\":" + settingsJson(params, {}, SettingsLayout::OneLine) + "}";
}

std::string writeSettingsJson(std::string_view settings, std::string_view name)
{
    return "{\"text\":" + jsonString(settingsJson(settingsFrom(settings), name)) + "}";
}

std::string sendJson(std::string_view settings, SendFiles& files)
{
    // A fresh program state with the filter on at the default Alfa, as `tarvel wav` runs it.
    SharedState shared;
    shared.frame = buildFrame(settingsFrom(settings));
    GeneratorState generator;
    const FixedFilterSwitch filterOn(true);
    NullPlotSink noChart;
    SignalContext ctx {shared, generator, filterOn, noChart, noChart};
    const std::int32_t signalSamples = FormFM(ctx);
    files.wav = wavFileBytes(shared.samples, signalSamples);
    files.fmSig = fmSigText(shared.samples);
    return "{\"wav_size\":" + std::to_string(files.wav.size())
        + ",\"fmsig_size\":" + std::to_string(files.fmSig.size()) + "}";
}

std::vector<std::uint8_t> toneWav(int seconds)
{
    return monoWavBytes(testToneSamples(kTestToneDefault_hz, seconds));
}

std::string RecordingCheck::openWav(std::span<const std::uint8_t> head, double fileSize)
{
    close();
    if (!(fileSize <= kRecordingLimit_bytes))
        return errorJson("too_large", "larger than " + jsonNumber(kRecordingLimit_bytes, 0) + " bytes");
    const auto size = static_cast<std::size_t>(fileSize);
    if (std::string(checkContainer(head, size)) != "WAV")
        return errorJson("not_wav", "not a WAV file");
    sound_ = nativeWavLayout(head, size);
    if (!sound_)
        return errorJson("not_wav", "a WAV layout the page does not read itself");
    if (std::string refused = rateRefused(sound_->sampleRate_hz); !refused.empty())
        return refused;
    channels_ = sound_->channels;
    demodulators_.emplace(channels_, sound_->sampleRate_hz);
    return "{\"rate_hz\":" + std::to_string(sound_->sampleRate_hz) + ",\"channels\":"
        + std::to_string(channels_) + ",\"data_offset\":" + std::to_string(sound_->dataOffset)
        + ",\"data_size\":" + std::to_string(sound_->dataSize)
        + ",\"bytes_per_frame\":" + std::to_string(sound_->bytesPerFrame()) + "}";
}

std::string RecordingCheck::openSamples(int channels, double rate_hz)
{
    close();
    if (channels < 1 || channels > 64)
        return errorJson("recording", std::to_string(channels) + " channels; 1 to 64 are read");
    if (std::string refused = rateRefused(rate_hz); !refused.empty())
        return refused;
    channels_ = channels;
    demodulators_.emplace(channels_, rate_hz);
    return "{\"rate_hz\":" + jsonNumber(rate_hz, 0) + ",\"channels\":" + std::to_string(channels_) + "}";
}

bool RecordingCheck::feedBytes(std::span<const std::uint8_t> bytes)
{
    if (!demodulators_ || !sound_)
        return false;
    const auto frameBytes = static_cast<std::size_t>(sound_->bytesPerFrame());
    const std::size_t frames = bytes.size() / frameBytes;
    floats_.resize(frames * static_cast<std::size_t>(channels_));
    wavSamplesToFloat(sound_->sample, bytes.first(frames * frameBytes), floats_);
    return demodulators_->feed(floats_);
}

bool RecordingCheck::feedSamples(std::span<const float> samples)
{
    if (!demodulators_)
        return false;
    const auto channels = static_cast<std::size_t>(channels_);
    return demodulators_->feed(samples.first(samples.size() / channels * channels));
}

std::string RecordingCheck::finish()
{
    if (!demodulators_)
        return errorJson("recording", "no recording is open");
    const DecodeResult result = demodulators_->finish();
    close();
    std::string json = decodeResultJson(result);
    if (!result.decoded())
        json.insert(json.size() - 1, std::string(",\"reason_code\":") + jsonString(reasonCode(result.why)));
    return json;
}

void RecordingCheck::close()
{
    demodulators_.reset();
    sound_.reset();
    floats_ = {};
}

} // namespace tarvel::web

namespace {

using namespace tarvel;
using namespace tarvel::web;

// What the page reads after a call: pointers into these stay valid until the next call.
struct Results {
    std::string text;
    SendFiles files;
    std::vector<std::uint8_t> tone;
    RecordingCheck recording;
};

Results& results()
{
    static Results held;
    return held;
}

std::string_view textOf(const char* bytes, int size)
{
    return {bytes, static_cast<std::size_t>(std::max(size, 0))};
}

// Runs `make` and keeps its JSON; whatever it throws comes back as an error the page shows.
template <typename Make> const char* answer(Make make)
{
    std::string& text = results().text;
    try {
        text = make();
    } catch (const SettingsError& e) {
        text = errorJson("settings", e.what());
    } catch (const RecordingError& e) {
        text = errorJson("recording", e.what());
    } catch (const std::bad_alloc&) {
        text = errorJson("memory", "out of memory");
    } catch (const std::exception& e) {
        text = errorJson("internal", e.what());
    }
    return text.c_str();
}

template <typename Feed> int fed(Feed feed)
{
    try {
        return feed() ? 1 : 0;
    } catch (const std::bad_alloc&) {
        results().recording.close();
        return -1;
    }
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* tarvel_parameters()
{
    return answer([] { return parametersJson(); });
}

EMSCRIPTEN_KEEPALIVE const char* tarvel_frame(const char* settings, int size)
{
    return answer([=] { return frameJson(textOf(settings, size)); });
}

EMSCRIPTEN_KEEPALIVE const char* tarvel_settings_read(const char* file, int size)
{
    return answer([=] { return readSettingsJson(textOf(file, size)); });
}

EMSCRIPTEN_KEEPALIVE const char* tarvel_settings_write(
    const char* settings, int size, const char* name, int nameSize)
{
    return answer([=] { return writeSettingsJson(textOf(settings, size), textOf(name, nameSize)); });
}

// Makes the send's two files; tarvel_wav_bytes and tarvel_fmsig_text then point at them.
EMSCRIPTEN_KEEPALIVE const char* tarvel_send(const char* settings, int size)
{
    return answer([=] { return sendJson(textOf(settings, size), results().files); });
}
EMSCRIPTEN_KEEPALIVE const std::uint8_t* tarvel_wav_bytes()
{
    return results().files.wav.data();
}
EMSCRIPTEN_KEEPALIVE const char* tarvel_fmsig_text()
{
    return results().files.fmSig.c_str();
}

// The test tone as a WAV file; returns its size, tarvel_tone_bytes where it is.
EMSCRIPTEN_KEEPALIVE int tarvel_tone_wav(int seconds)
{
    results().tone = toneWav(std::clamp(seconds, 1, 600));
    return static_cast<int>(results().tone.size());
}
EMSCRIPTEN_KEEPALIVE const std::uint8_t* tarvel_tone_bytes()
{
    return results().tone.data();
}

// A recording check: opened on a WAV file's head or on the browser's samples, fed, finished.
EMSCRIPTEN_KEEPALIVE const char* tarvel_recording_open_wav(
    const std::uint8_t* head, int size, double fileSize)
{
    return answer([=] {
        return results().recording.openWav({head, static_cast<std::size_t>(std::max(size, 0))}, fileSize);
    });
}
EMSCRIPTEN_KEEPALIVE const char* tarvel_recording_open_samples(int channels, double rate)
{
    return answer([=] { return results().recording.openSamples(channels, rate); });
}
// 1 once a frame with a matching CRC was read, 0 before, -1 when the core ran out of memory
// (the check is closed then).
EMSCRIPTEN_KEEPALIVE int tarvel_recording_feed_bytes(const std::uint8_t* bytes, int size)
{
    return fed([=] {
        return results().recording.feedBytes({bytes, static_cast<std::size_t>(std::max(size, 0))});
    });
}
EMSCRIPTEN_KEEPALIVE int tarvel_recording_feed_samples(const float* samples, int count)
{
    return fed([=] {
        return results().recording.feedSamples({samples, static_cast<std::size_t>(std::max(count, 0))});
    });
}
EMSCRIPTEN_KEEPALIVE const char* tarvel_recording_finish()
{
    return answer([] { return results().recording.finish(); });
}
EMSCRIPTEN_KEEPALIVE void tarvel_recording_close()
{
    results().recording.close();
}

} // extern "C"
