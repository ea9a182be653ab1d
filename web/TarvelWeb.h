#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The browser edition's view of the core: everything the page asks of the frame, the signal
// and the decoder, with the settings as the settings file's JSON and every answer as JSON
// text, a refusal included ({"error": {"code": ..., "message": ...}}), so that nothing the
// page sends can make a call fail without saying why. The C functions the page calls
// (TarvelWeb.cpp) are a thin skin over these.

#include "decode/ChannelDemodulators.h"
#include "decode/WavSamples.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::web {

// The spin edits (the window's ranges, arrow steps and defaults, keyed as in the settings
// file, with how many field units make one unit of the file), the default settings as a
// settings file, and the limits the page checks before it reads a file.
std::string parametersJson();

// The frame of "сформировать" for a settings file: {"frame": "01 02 …", "crc": "FC6C"}.
std::string frameJson(std::string_view settings);

// A settings file read (its bytes as they are, a NUL or junk after the object refused):
// {"name": …, "settings": the same settings in the file's own one-line layout}.
std::string readSettingsJson(std::string_view file);

// The settings file to export: {"text": the file, indented, named `name` when not empty}.
std::string writeSettingsJson(std::string_view settings, std::string_view name);

// The two files of the first "выдать" after start, byte for byte what `tarvel wav` writes.
struct SendFiles {
    std::vector<std::uint8_t> wav; // _qq.wav
    std::string fmSig; // 9_fmsig.h
};
// {"wav_size": …, "fmsig_size": …}, the files in `files`.
std::string sendJson(std::string_view settings, SendFiles& files);

// The test tone at the lead-in's pitch as a WAV file, `seconds` long.
std::vector<std::uint8_t> toneWav(int seconds);

// A recording read a piece at a time: a WAV file's bytes from its head on, or samples the
// browser decoded. Memory stays that of the demodulators, whatever the recording's length.
class RecordingCheck {
public:
    // The head of a WAV file of `fileSize` bytes: {"rate_hz", "channels", "data_offset",
    // "data_size", "bytes_per_frame"}, or an error when it is not a WAV the decoder reads
    // ("not_wav": the browser may still read it) or its rate is not one it reads.
    std::string openWav(std::span<const std::uint8_t> head, double fileSize);
    // Interleaved float samples of `channels` channels at `rate_hz`.
    std::string openSamples(int channels, double rate_hz);
    // The next bytes of the data chunk (whole frames), or the next interleaved samples.
    // Returns true once a frame with a matching CRC has been read: the rest may be skipped.
    bool feedBytes(std::span<const std::uint8_t> bytes);
    bool feedSamples(std::span<const float> samples);
    // The decoder's result as `tarvel decode --json` gives it, with "reason_code" beside
    // the reason; the check is closed after it.
    std::string finish();
    void close();

private:
    std::optional<ChannelDemodulators> demodulators_;
    std::optional<WavLayout> sound_;
    std::vector<float> floats_;
    int channels_ = 1;
};

// {"error": {"code": code, "message": message}}
std::string errorJson(std::string_view code, std::string_view message);

} // namespace tarvel::web

// The entry points the page calls (tarvel.d.ts types them for the page): text goes in as bytes
// and a size, every answer is JSON text, refusals included, valid until the next call.
extern "C" {
const char* tarvel_parameters();
const char* tarvel_frame(const char* settings, int size);
const char* tarvel_settings_read(const char* file, int size);
const char* tarvel_settings_write(const char* settings, int size, const char* name, int nameSize);
const char* tarvel_send(const char* settings, int size);
const std::uint8_t* tarvel_wav_bytes();
const char* tarvel_fmsig_text();
int tarvel_tone_wav(int seconds);
const std::uint8_t* tarvel_tone_bytes();
const char* tarvel_recording_open_wav(const std::uint8_t* head, int size, double fileSize);
const char* tarvel_recording_open_samples(int channels, double rate);
int tarvel_recording_feed_bytes(const std::uint8_t* bytes, int size);
int tarvel_recording_feed_samples(const float* samples, int count);
const char* tarvel_recording_finish();
void tarvel_recording_close();
}
