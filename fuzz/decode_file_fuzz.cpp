// SPDX-License-Identifier: GPL-3.0-or-later
// The recording reader fed arbitrary files (WAV, FLAC, OGG and whatever libsndfile takes),
// through to the demodulator: a file it cannot use must be refused, never crash or hang, and a
// frame it reports must agree with its own bytes. The same bytes are read three ways: from
// memory, from a file, and whole through a pipe as `tarvel decode -` reads them (judged by
// their first bytes, decoded as they arrive, however far past the stream's window they run):
// where both read, they come to the same end with the same frame, and a frame the file gives
// with its CRC right comes through the pipe the same, to the symbol and the channel.

#include "DecodeChecks.h"
#include "decode/RecordingReader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <optional>
#include <thread>

namespace {

// The result of one reading; nothing when it was refused.
using Reading = std::optional<tarvel::DecodeResult>;

Reading decodeChecked(int fd)
{
    try {
        tarvel::DecodeResult r = tarvel::decodeRecordingFd(fd);
        tarvel::fuzzing::checkDecodeResult(r);
        return r;
    } catch (const tarvel::RecordingError&) {
        return std::nullopt;
    }
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size)
{
    for (std::size_t at = 0; at < size;) {
        const ssize_t n = ::write(fd, data + at, size - at);
        if (n <= 0)
            return false;
        at += static_cast<std::size_t>(n);
    }
    return true;
}

Reading decodeFromAFile(const std::uint8_t* data, std::size_t size)
{
    const int fd = ::memfd_create("recording", MFD_CLOEXEC);
    if (fd < 0 || !writeAll(fd, data, size) || ::lseek(fd, 0, SEEK_SET) != 0)
        __builtin_trap(); // the harness itself failed
    Reading r = decodeChecked(fd);
    ::close(fd);
    return r;
}

// A writer of its own sends the bytes whole, while the reader takes what it needs and leaves
// (the writer then meets a closed pipe and stops).
Reading decodeThroughAPipe(const std::uint8_t* data, std::size_t size)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        __builtin_trap();
    std::thread writer([&] {
        writeAll(ends[1], data, size);
        ::close(ends[1]);
    });
    Reading r = decodeChecked(ends[0]);
    ::close(ends[0]);
    writer.join();
    return r;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::signal(SIGPIPE, SIG_IGN);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        tarvel::fuzzing::checkDecodeResult(tarvel::decodeRecordingBytes(std::span(data, size)));
    } catch (const tarvel::RecordingError&) {
    }
    const Reading file = decodeFromAFile(data, size);
    const Reading pipe = decodeThroughAPipe(data, size);
    if (file && pipe && (pipe->outcome != file->outcome || (file->decoded() && pipe->frame != file->frame)))
        __builtin_trap(); // the two readings came to different ends
    if (file && file->crcOk()) {
        if (!pipe || pipe->outcome != file->outcome || pipe->frame != file->frame
            || pipe->symbolsRead != file->symbolsRead || pipe->report.channel != file->report.channel
            || pipe->report.start_s != file->report.start_s)
            __builtin_trap(); // the stream read the recording otherwise than the file
    }
    return 0;
}
