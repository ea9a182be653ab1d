// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/RecordingReader.h"

#include "decode/ChannelDemodulators.h"
#include "decode/FrameDemodulator.h"
#include "decode/RecordingFormat.h"
#include "decode/SndfileStream.h"
#include "decode/StreamInput.h"
#include "decode/WavStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace tarvel {

namespace {

struct FdCloser {
    void operator()(const int* fd) const
    {
        ::close(*fd);
        delete fd;
    }
};

// A pipe, a FIFO or a device: its first bytes judge it before anything more is read, and a
// recording is decoded as it arrives.
DecodeResult decodeStream(int fd)
{
    StreamInput in(fd);
    constexpr std::size_t kHeadBytes = 12;
    std::vector<std::uint8_t> head;
    while (head.size() < kHeadBytes && in.append(head, kHeadBytes - head.size())) { }
    const char* container = checkContainer(head, head.size());
    // Only a WAV's head is looked for further in: FLAC and Ogg go to libsndfile at once, since
    // a short one held open by its writer would otherwise be waited for to its end.
    if (std::string_view(container) == "WAV")
        if (std::optional<DecodeResult> result = decodeNativeWavStream(in, head))
            return std::move(*result);
    return decodeSndfileStream(in, std::move(head), container);
}

// An open file of any kind.
DecodeResult decodeOpen(int fd)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0)
        throw RecordingError(systemReason(errno));
    if (S_ISDIR(st.st_mode))
        throw RecordingError(systemReason(EISDIR));
    if (!S_ISREG(st.st_mode))
        return decodeStream(fd);

    std::uint8_t head[12] = {};
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    if (got < 0)
        throw RecordingError(systemReason(errno));
    const auto fileSize = static_cast<std::size_t>(st.st_size);
    const char* container = checkContainer(std::span(head, static_cast<std::size_t>(got)), fileSize);
    if (std::optional<DecodeResult> result = decodeNativeWavFile(fd, fileSize))
        return std::move(*result);
    return decodeSndfileFile(fd, container);
}

} // namespace

DecodeResult decodeRecording(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw RecordingError(systemReason(errno));
    const std::unique_ptr<const int, FdCloser> owner(new int(fd));
    return decodeOpen(fd);
}

DecodeResult decodeRecordingFd(int fd)
{
    return decodeOpen(fd);
}

DecodeResult decodeRecordingBytes(std::span<const std::uint8_t> bytes)
{
    const char* container
        = checkContainer(bytes.first(std::min<std::size_t>(bytes.size(), 12)), bytes.size());
    if (std::optional<DecodeResult> result = decodeNativeWavBytes(bytes))
        return std::move(*result);
    return decodeSndfileBytes(bytes, container);
}

DecodeResult decodeSamples(std::span<const float> samples, double sampleRate_hz)
{
    checkRate(sampleRate_hz);
    FrameDemodulator demodulator(sampleRate_hz);
    for (std::size_t at = 0; at < samples.size(); at += kChunkFrames) {
        const std::size_t n = std::min(samples.size() - at, kChunkFrames);
        if (demodulator.feed(samples.subspan(at, n)))
            break;
    }
    return demodulator.finish();
}

} // namespace tarvel
