#include "audio/SoundRecorder.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <array>

namespace tarvel {

namespace {

constexpr std::size_t kPiece_samples = SoundRecorder::kSampleRate_hz / 50; // 20 ms

} // namespace

SoundRecorder::~SoundRecorder()
{
    stop();
}

bool SoundRecorder::start(const std::string& source)
{
    const pa_sample_spec format {PA_SAMPLE_S16LE, kSampleRate_hz, 1};
    // Fragments of 20 ms: the server hands data over as it comes instead of in seconds-long blocks.
    pa_buffer_attr attr {};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(kPiece_samples * sizeof(std::int16_t));
    int code = 0;
    stream_ = pa_simple_new(nullptr, "tarvel", PA_STREAM_RECORD, source.c_str(), "verify what was sent",
        &format, nullptr, &attr, &code);
    if (!stream_) {
        const std::lock_guard lock(mutex_);
        error_ = "cannot record from '" + source + "': " + pa_strerror(code);
        return false;
    }
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void SoundRecorder::run()
{
    std::array<std::int16_t, kPiece_samples> piece {};
    while (!stopping_) {
        int code = 0;
        if (pa_simple_read(stream_, piece.data(), sizeof piece, &code) < 0) {
            const std::lock_guard lock(mutex_);
            error_ = std::string("recording stopped: ") + pa_strerror(code);
            return;
        }
        const std::lock_guard lock(mutex_);
        if (samples_.size() + piece.size() <= kMaxSamples)
            samples_.insert(samples_.end(), piece.begin(), piece.end());
    }
}

std::vector<std::int16_t> SoundRecorder::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    if (stream_) {
        pa_simple_free(stream_);
        stream_ = nullptr;
    }
    const std::lock_guard lock(mutex_);
    return std::move(samples_);
}

std::string SoundRecorder::error() const
{
    const std::lock_guard lock(mutex_);
    return error_;
}

std::string monitorOf(const std::string& output)
{
    return output + ".monitor";
}

} // namespace tarvel
