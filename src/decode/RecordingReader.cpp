#include "decode/RecordingReader.h"

#include "decode/ChannelDemodulators.h"
#include "decode/FrameDemodulator.h"
#include "decode/RecordingFormat.h"
#include "decode/SndfileStream.h"
#include "decode/WavStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace tarvel {

namespace {

constexpr std::size_t kMaxStreamBytes = std::size_t {1} << 30; // what is read from a pipe at most

// The system's reason in plain words, as a clause: "no such file or directory".
std::string systemReason(int error)
{
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

struct FdCloser {
    void operator()(const int* fd) const
    {
        ::close(*fd);
        delete fd;
    }
};

std::vector<std::uint8_t> readAll(int fd)
{
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw RecordingError(systemReason(errno));
        }
        if (n == 0)
            return bytes;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxStreamBytes)
            throw RecordingError("more than 1 GiB: too long for a recording read through a pipe");
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}

} // namespace

DecodeResult decodeRecording(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw RecordingError(systemReason(errno));
    std::unique_ptr<const int, FdCloser> owner(new int(fd));
    struct stat st { };
    if (::fstat(fd, &st) != 0)
        throw RecordingError(systemReason(errno));
    if (S_ISDIR(st.st_mode))
        throw RecordingError(systemReason(EISDIR));
    if (!S_ISREG(st.st_mode)) // a pipe or a device: read what it gives
        return decodeRecordingBytes(readAll(fd));

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

DecodeResult decodeRecordingStream(std::istream& in)
{
    std::vector<std::uint8_t> bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        if (bytes.size() + static_cast<std::size_t>(in.gcount()) > kMaxStreamBytes)
            throw RecordingError("more than 1 GiB: too long for a recording read through a pipe");
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
    if (in.bad())
        throw RecordingError("standard input could not be read");
    return decodeRecordingBytes(bytes);
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
