// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/PulseOutputStream.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/stream.h>

#include <algorithm>
#include <sys/time.h>

namespace tarvel {

namespace {

// The sound server's own names for a stream's sample format, kept to these lines.
using SampleFormat = pa_sample_spec;
bool isValid(const SampleFormat& format)
{
    return pa_sample_spec_valid(&format) != 0;
}
const SampleFormat* formatOf(pa_stream* stream)
{
    return pa_stream_get_sample_spec(stream);
}

SampleFormat sampleFormatOf(const PcmLayout& layout)
{
    SampleFormat format {};
    switch (layout.kind) {
    case PcmLayout::Kind::UInt8:
        format.format = PA_SAMPLE_U8;
        break;
    case PcmLayout::Kind::Int16:
        format.format = PA_SAMPLE_S16LE;
        break;
    case PcmLayout::Kind::Int32:
        format.format = PA_SAMPLE_S32LE;
        break;
    case PcmLayout::Kind::Float32:
        format.format = PA_SAMPLE_FLOAT32LE;
        break;
    }
    format.rate = static_cast<std::uint32_t>(std::max(layout.rate_hz, 0));
    format.channels = static_cast<std::uint8_t>(std::clamp(layout.channels, 0, 255));
    return format;
}

template <typename T> std::optional<T> takeFirst(std::deque<T>& queue)
{
    if (queue.empty())
        return std::nullopt;
    T first = queue.front();
    queue.pop_front();
    return first;
}

std::int64_t microseconds(const timeval& t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000 + t.tv_usec;
}

} // namespace

PulseOutputStream::PulseOutputStream(PulseClient& client, const std::string& sink, const PcmLayout& layout,
    const std::uint8_t* pcm, std::size_t size)
        : pcm_(pcm), size_(size), sink_(sink)
{
    const SampleFormat format = sampleFormatOf(layout);
    stream_ = pa_stream_new(client.context(), "tarvel", &format, nullptr);
    if (!stream_)
        return;
    const auto held = static_cast<std::uint32_t>(std::min(size, kMaxHeld_bytes));
    // The whole sound held before the first sample plays (prebuf). Until then the stream asks
    // the output for a latency as long as an idle one's (early requests make the request its
    // minreq): an idle output has already mixed that much silence ahead, and it can take it
    // back for our first sample only while its latency is that long. Once the sound plays,
    // started() brings the output down to kOutputLatency_us.
    const auto startStep = static_cast<std::uint32_t>(pa_usec_to_bytes(kStartLatency_us, &format));
    pa_buffer_attr attr {};
    attr.maxlength = held + startStep;
    attr.tlength = held + startStep;
    attr.prebuf = held;
    attr.minreq = startStep;
    attr.fragsize = static_cast<std::uint32_t>(-1);
    playingStep_ = static_cast<std::uint32_t>(pa_usec_to_bytes(kOutputLatency_us, &format));
    pa_stream_set_started_callback(stream_, started, this);
    pa_stream_set_suspended_callback(
        stream_,
        [](pa_stream* s, void* self) {
            static_cast<PulseOutputStream*>(self)->suspensions_.push_back(
                {now_us(), pa_stream_is_suspended(s) > 0});
        },
        this);
    pa_stream_set_moved_callback(
        stream_,
        [](pa_stream* s, void* self) {
            auto& me = *static_cast<PulseOutputStream*>(self);
            const char* name = pa_stream_get_device_name(s);
            if (!me.movedTo_ && name && me.sink_ != name)
                me.movedTo_ = name;
        },
        this);
    const auto flags = PA_STREAM_EARLY_REQUESTS;
    if (pa_stream_connect_playback(stream_, sink.c_str(), &attr, flags, nullptr, nullptr) < 0) {
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
}

PulseOutputStream::~PulseOutputStream()
{
    if (!stream_)
        return;
    pa_stream_set_started_callback(stream_, nullptr, nullptr);
    pa_stream_set_suspended_callback(stream_, nullptr, nullptr);
    pa_stream_set_moved_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
}

bool PulseOutputStream::playable(const PcmLayout& layout)
{
    const SampleFormat format = sampleFormatOf(layout);
    return isValid(format);
}

std::int64_t PulseOutputStream::now_us()
{
    timeval now {};
    gettimeofday(&now, nullptr);
    return microseconds(now);
}

bool PulseOutputStream::ready() const
{
    return stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY;
}

bool PulseOutputStream::failed() const
{
    return !stream_ || !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_));
}

std::string PulseOutputStream::error() const
{
    if (!stream_)
        return "the sound server refused the stream";
    return pa_strerror(pa_context_errno(pa_stream_get_context(stream_)));
}

bool PulseOutputStream::feed()
{
    if (!ready())
        return written_ == size_;
    const std::size_t room = std::min(pa_stream_writable_size(stream_), size_ - written_);
    if (room > 0 && room != static_cast<std::size_t>(-1)
        && pa_stream_write(stream_, pcm_ + written_, room, nullptr, 0, PA_SEEK_RELATIVE) == 0)
        written_ += room;
    return written_ == size_;
}

void PulseOutputStream::started(pa_stream* stream, void* self)
{
    auto& me = *static_cast<PulseOutputStream*>(self);
    const pa_buffer_attr* now = pa_stream_get_buffer_attr(stream);
    if (!now || now->minreq <= me.playingStep_)
        return;
    // The output asks for data in steps of its own short latency from now on, whatever the
    // stream's large buffer would ask for.
    pa_buffer_attr attr = *now;
    attr.minreq = me.playingStep_;
    if (pa_operation* asked = pa_stream_set_buffer_attr(stream, &attr, nullptr, nullptr))
        pa_operation_unref(asked);
}

void PulseOutputStream::askPosition()
{
    if (!ready() || askedAt_us_)
        return;
    if (pa_operation* asked = pa_stream_update_timing_info(stream_, positionAnswered, this)) {
        askedAt_us_ = now_us();
        pa_operation_unref(asked);
    }
}

void PulseOutputStream::positionAnswered(pa_stream* stream, int success, void* self)
{
    auto& me = *static_cast<PulseOutputStream*>(self);
    me.askedAt_us_.reset();
    const pa_timing_info* info = success ? pa_stream_get_timing_info(stream) : nullptr;
    if (!info || info->read_index_corrupt || info->read_index < 0)
        return;
    const SampleFormat* format = formatOf(stream);
    const auto taken
        = static_cast<std::int64_t>(pa_bytes_to_usec(static_cast<std::uint64_t>(info->read_index), format));
    const auto buffered = static_cast<std::int64_t>(info->sink_usec);
    Report report;
    report.at_us = microseconds(info->timestamp);
    report.position_us = taken - buffered;
    report.allTaken = static_cast<std::uint64_t>(info->read_index) >= me.size_;
    report.buffered_us = buffered;
    me.reports_.push_back(report);
}

std::optional<PulseOutputStream::Report> PulseOutputStream::takeReport()
{
    return takeFirst(reports_);
}

std::optional<PulseOutputStream::Suspension> PulseOutputStream::takeSuspension()
{
    return takeFirst(suspensions_);
}

} // namespace tarvel
