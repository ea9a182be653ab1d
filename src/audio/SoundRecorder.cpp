// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/SoundRecorder.h"

#include "audio/PulseClient.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace tarvel {

namespace {

constexpr std::size_t kPiece_samples = SoundRecorder::kSampleRate_hz / 50; // 20 ms

std::string seconds(std::chrono::milliseconds limit)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.0f s", static_cast<double>(limit.count()) / 1000.0);
    return text;
}

} // namespace

struct SoundRecorder::Shared {
    std::string source;
    std::atomic<bool> stopping {false};
    std::mutex mutex;
    std::condition_variable changed;
    bool opened = false; // guarded by mutex, as are the ones below
    bool finished = false;
    std::vector<std::int16_t> samples;
    std::string error;

    void finish(const std::string& why)
    {
        const std::lock_guard lock(mutex);
        if (error.empty())
            error = why;
        finished = true;
        changed.notify_all();
    }

    // The recording thread: only it touches the stream, so a thread given up on never races
    // with a clean-up.
    void run()
    {
        const pa_sample_spec format {PA_SAMPLE_S16LE, kSampleRate_hz, 1};
        // Fragments of 20 ms: the server hands data over as it comes instead of in seconds-long blocks.
        pa_buffer_attr attr {};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(kPiece_samples * sizeof(std::int16_t));
        int code = 0;
        pa_simple* stream = nullptr;
        {
            const SoundLibrarySetUp setUp;
            stream = pa_simple_new(nullptr, "tarvel", PA_STREAM_RECORD, source.c_str(),
                "verify what was sent", &format, nullptr, &attr, &code);
        }
        if (!stream) {
            finish("cannot record from '" + source + "': " + pa_strerror(code));
            return;
        }
        {
            const std::lock_guard lock(mutex);
            opened = true;
            changed.notify_all();
        }
        std::array<std::int16_t, kPiece_samples> piece {};
        std::string why;
        while (!stopping) {
            if (pa_simple_read(stream, piece.data(), sizeof piece, &code) < 0) {
                why = "recording from '" + source + "' stopped: " + pa_strerror(code);
                break;
            }
            const std::lock_guard lock(mutex);
            if (samples.size() + piece.size() <= kMaxSamples)
                samples.insert(samples.end(), piece.begin(), piece.end());
        }
        pa_simple_free(stream);
        finish(why);
    }
};

SoundRecorder::~SoundRecorder()
{
    abandon();
}

bool SoundRecorder::start(const std::string& source)
{
    shared_ = std::make_shared<Shared>();
    shared_->source = source;
    std::thread([shared = shared_] { shared->run(); }).detach();
    std::unique_lock lock(shared_->mutex);
    if (shared_->changed.wait_for(lock, kOpenLimit, [this] { return shared_->opened || shared_->finished; }))
        return shared_->opened && !shared_->finished;
    shared_->error
        = "the sound server did not open a recording of '" + source + "' within " + seconds(kOpenLimit);
    shared_->stopping = true;
    return false;
}

std::vector<std::int16_t> SoundRecorder::stop()
{
    if (!shared_)
        return {};
    shared_->stopping = true;
    std::unique_lock lock(shared_->mutex);
    if (!shared_->changed.wait_for(lock, kStopLimit, [this] { return shared_->finished; })
        && shared_->error.empty())
        shared_->error = "nothing came from '" + shared_->source + "' for " + seconds(kStopLimit)
            + " (is it suspended, or the sound server stopped?)";
    return std::move(shared_->samples);
}

void SoundRecorder::abandon()
{
    if (shared_)
        shared_->stopping = true;
}

std::string SoundRecorder::error() const
{
    if (!shared_)
        return {};
    const std::lock_guard lock(shared_->mutex);
    return shared_->error;
}

std::string monitorOf(const std::string& output)
{
    return output + ".monitor";
}

} // namespace tarvel
