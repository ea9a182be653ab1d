// SPDX-License-Identifier: GPL-3.0-or-later
// The recording reader fed arbitrary files (WAV, FLAC, OGG and whatever libsndfile takes),
// through to the demodulator: a file it cannot use must be refused, never crash or hang, and a frame it reports
// must agree with its own bytes. The same bytes also come through a pipe, as `tarvel decode -`
// reads them: judged by their first bytes and decoded as they arrive.

#include "DecodeChecks.h"
#include "decode/RecordingReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>

namespace {

void decodeThroughAPipe(const std::uint8_t* data, std::size_t size)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    // Only what the pipe holds whole is written, so that writing never waits for the reader.
    const int capacity = ::fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
    std::size_t written = 0;
    while (capacity > 0 && size <= static_cast<std::size_t>(capacity) && written < size) {
        const ssize_t n = ::write(ends[1], data + written, size - written);
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    ::close(ends[1]);
    if (written == size) {
        try {
            tarvel::fuzzing::checkDecodeResult(tarvel::decodeRecordingFd(ends[0]));
        } catch (const tarvel::RecordingError&) {
        }
    }
    ::close(ends[0]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        tarvel::fuzzing::checkDecodeResult(tarvel::decodeRecordingBytes(std::span(data, size)));
    } catch (const tarvel::RecordingError&) {
    }
    decodeThroughAPipe(data, size);
    return 0;
}
