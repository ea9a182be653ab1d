#pragma once
// Records a PulseAudio source (an input, or the monitor that the server offers for every
// output) as 16-bit mono samples on a thread of its own, with small buffers so that the
// first samples are not lost. Plain libpulse-simple: Qt lists no output monitors.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct pa_simple;

namespace tarvel {

class SoundRecorder {
public:
    static constexpr int kSampleRate_hz = 16'000;
    // The longest recording kept; anything after it is dropped (a send is about 5 s).
    static constexpr std::size_t kMaxSamples = 120 * static_cast<std::size_t>(kSampleRate_hz);

    SoundRecorder() = default;
    ~SoundRecorder();
    SoundRecorder(const SoundRecorder&) = delete;
    SoundRecorder& operator=(const SoundRecorder&) = delete;

    // Connects to `source` (a server name such as "test_sink.monitor") and starts recording.
    // Returns false with the server's reason in error().
    bool start(const std::string& source);
    // Stops and returns everything recorded since start().
    std::vector<std::int16_t> stop();
    // Why start() failed, or why recording stopped early; empty when all went well.
    std::string error() const;

private:
    void run();

    pa_simple* stream_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stopping_ {false};
    mutable std::mutex mutex_;
    std::vector<std::int16_t> samples_; // guarded by mutex_
    std::string error_; // guarded by mutex_
};

// The monitor source PulseAudio offers for the output named `output`.
std::string monitorOf(const std::string& output);

} // namespace tarvel
