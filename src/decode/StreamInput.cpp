// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/StreamInput.h"

#include "decode/RecordingError.h"

#include <poll.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace tarvel {

std::string systemReason(int error)
{
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

std::size_t StreamInput::readOnce(std::span<std::uint8_t> buffer)
{
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw RecordingError(systemReason(errno));
        total_ += static_cast<std::size_t>(n);
        if (total_ > kMaxBytes)
            throw RecordingError("more than 1 GiB: too long for a recording read through a pipe");
        return static_cast<std::size_t>(n);
    }
}

bool StreamInput::arrived() const
{
    pollfd p {fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

std::size_t StreamInput::read(std::span<std::uint8_t> buffer, std::size_t atLeast)
{
    std::size_t filled = 0;
    while (filled < buffer.size() && (filled < atLeast || arrived())) {
        const std::size_t n = readOnce(buffer.subspan(filled));
        if (n == 0)
            break;
        filled += n;
    }
    return filled;
}

bool StreamInput::append(std::vector<std::uint8_t>& bytes, std::size_t count)
{
    const std::size_t before = bytes.size();
    bytes.resize(before + count);
    const std::size_t n = read(std::span(bytes).subspan(before), 1);
    bytes.resize(before + n);
    return n > 0;
}

} // namespace tarvel
