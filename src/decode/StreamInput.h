#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A recording read from a pipe, a FIFO or a device, as it arrives: nothing is read before it
// is needed, so a stream that is not a recording is refused by its first bytes, and the
// frame is read while the writer may still hold the stream open.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarvel {

// The system's reason in plain words, as a clause: "no such file or directory".
std::string systemReason(int error);

class StreamInput {
public:
    // What is read from one stream at most: a recording is far shorter, and an endless
    // stream must end somewhere.
    static constexpr std::size_t kMaxBytes = std::size_t {1} << 30;

    explicit StreamInput(int fd) : fd_(fd) { }

    // Reads at least `atLeast` bytes into the front of `buffer` (fewer only at the stream's
    // end), then more while more has already arrived, up to the buffer's size; returns how
    // many. Throws RecordingError on a read error or past kMaxBytes.
    std::size_t read(std::span<std::uint8_t> buffer, std::size_t atLeast);

    // Appends up to `count` bytes to `bytes`, waiting only for the first; false at the end.
    bool append(std::vector<std::uint8_t>& bytes, std::size_t count);

private:
    // One read of up to buffer.size() bytes; 0 at the end.
    std::size_t readOnce(std::span<std::uint8_t> buffer);
    // True when a read would not wait.
    bool arrived() const;

    int fd_;
    std::size_t total_ = 0;
};

} // namespace tarvel
