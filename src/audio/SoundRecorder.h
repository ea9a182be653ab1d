#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Records a PulseAudio source (an input, or the monitor that the server offers for every
// output) as 16-bit mono samples on a thread of its own, with small buffers so that the
// first samples are not lost. Plain libpulse-simple: Qt lists no output monitors.
//
// libpulse-simple waits as long as the server takes, and a suspended source or a stopped
// server sends nothing at all, so no call here waits on that thread for longer than its
// limit: past it the thread is left to end (or hang) alone, holding what it shares.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvel {

class SoundRecorder {
public:
    static constexpr int kSampleRate_hz = 16'000;
    // The longest recording kept; anything after it is dropped (a send is about 5 s).
    static constexpr std::size_t kMaxSamples = 120 * static_cast<std::size_t>(kSampleRate_hz);
    // How long the server may take to open the recording, and to hand over the last piece
    // once stop() is called (a piece is 20 ms).
    static constexpr std::chrono::milliseconds kOpenLimit {3'000};
    static constexpr std::chrono::milliseconds kStopLimit {1'000};

    SoundRecorder() = default;
    ~SoundRecorder();
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    // Connects to `source` (a server name such as "test_sink.monitor") and starts recording.
    // Returns false with the reason in error().
    bool start(const std::string& source);
    // Stops and returns everything recorded since start(); error() says if the source sent
    // nothing for the last kStopLimit.
    std::vector<std::int16_t> stop();
    // Stops without waiting for anything (the recording is not wanted any more).
    void abandon();
    // Why start() failed, or why recording stopped early; empty when all went well.
    std::string error() const;

    struct Shared; // what the recording thread and this object share

private:
    std::shared_ptr<Shared> shared_;
};

// The monitor source PulseAudio offers for the output named `output`.
std::string monitorOf(const std::string& output);

} // namespace tarvel
