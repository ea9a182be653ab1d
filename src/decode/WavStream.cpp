// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/WavStream.h"

#include "decode/ChannelDemodulators.h"
#include "decode/RecordingFormat.h"
#include "decode/StreamInput.h"
#include "decode/WavSamples.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace tarvel {

namespace {

// Where a WAV's data chunk starts, nearly always; one that starts beyond the larger head
// (behind a long tag or picture) is left to libsndfile.
constexpr std::size_t kWavHeadBytes = 4096;
constexpr std::size_t kMaxWavHeadBytes = 65536;

// Fills the front of `buffer` from where the last call stopped and returns how many bytes it
// gave: at least `atLeast` unless the recording ends first, fewer than the buffer only at the
// end or when no more has arrived yet; nothing when they cannot be read.
using Fetch = std::function<std::optional<std::size_t>(std::span<std::uint8_t> buffer, std::size_t atLeast)>;

DecodeResult streamWav(const WavLayout& sound, const Fetch& fetch)
{
    checkRate(static_cast<double>(sound.sampleRate_hz));
    ChannelDemodulators demodulators(sound.channels, static_cast<double>(sound.sampleRate_hz));
    const auto channels = static_cast<std::size_t>(sound.channels);
    const std::size_t frameBytes = sound.bytesPerFrame();
    std::vector<float> interleaved(kChunkFrames * channels);
    std::vector<std::uint8_t> bytes(kChunkFrames * frameBytes);
    std::size_t done = 0; // bytes of the data chunk fed so far
    std::size_t held = 0; // bytes at the front of `bytes` not fed yet (less than a frame)
    bool damaged = false;
    while (done < sound.dataSize) {
        const std::size_t want = std::min(sound.dataSize - done, bytes.size());
        const std::optional<std::size_t> got
            = fetch(std::span(bytes).subspan(held, want - held), frameBytes - held);
        if (!got) {
            damaged = true;
            break;
        }
        held += *got;
        const std::size_t frames = held / frameBytes;
        if (frames == 0)
            break;
        const std::size_t used = frames * frameBytes;
        done += used;
        const std::span<float> samples = std::span(interleaved).first(frames * channels);
        wavSamplesToFloat(sound.sample, std::span(bytes).first(used), samples);
        if (demodulators.feed(samples))
            break;
        held -= used; // a frame cut by a stream's arrival waits for its rest
        std::memmove(bytes.data(), bytes.data() + used, held);
    }
    DecodeResult result = demodulators.finish();
    if (damaged && !result.decoded()) {
        const std::size_t framesRead = done / frameBytes;
        noteDamage(result, "WAV", static_cast<double>(framesRead) / sound.sampleRate_hz);
    }
    return result;
}

// Fills `buffer` from `offset` of a file; fewer bytes only at its end, nothing on an error.
std::optional<std::size_t> readAt(int fd, std::size_t offset, std::span<std::uint8_t> buffer)
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t n = ::pread(
            fd, buffer.data() + filled, buffer.size() - filled, static_cast<off_t>(offset + filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    return filled;
}

// The layout of a regular WAV file when it is read natively; its head is read first in a
// small piece, then, if its data chunk starts further on, in a larger one.
std::optional<WavLayout> nativeWavFile(int fd, std::size_t fileSize)
{
    std::uint8_t head[kWavHeadBytes];
    std::optional<std::size_t> got = readAt(fd, 0, std::span(head, std::min(fileSize, sizeof head)));
    if (!got)
        return std::nullopt;
    std::optional<WavLayout> sound = nativeWavLayout(std::span(head, *got), fileSize);
    if (sound || fileSize <= sizeof head)
        return sound;
    std::vector<std::uint8_t> longer(std::min(fileSize, kMaxWavHeadBytes));
    got = readAt(fd, 0, longer);
    return got ? nativeWavLayout(std::span(longer).first(*got), fileSize) : std::nullopt;
}

} // namespace

std::optional<DecodeResult> decodeNativeWavFile(int fd, std::size_t fileSize)
{
    const std::optional<WavLayout> sound = nativeWavFile(fd, fileSize);
    if (!sound)
        return std::nullopt;
    std::size_t offset = sound->dataOffset;
    return streamWav(*sound, [fd, &offset](std::span<std::uint8_t> buffer, std::size_t) {
        const std::optional<std::size_t> got = readAt(fd, offset, buffer);
        offset += got.value_or(0);
        return got;
    });
}

std::optional<DecodeResult> decodeNativeWavBytes(std::span<const std::uint8_t> bytes)
{
    const std::optional<WavLayout> sound = nativeWavLayout(bytes, bytes.size());
    if (!sound)
        return std::nullopt;
    std::size_t offset = sound->dataOffset;
    return streamWav(*sound, [bytes, &offset](std::span<std::uint8_t> buffer, std::size_t) {
        const std::size_t n = std::min(buffer.size(), bytes.size() - offset);
        std::memcpy(buffer.data(), bytes.data() + offset, n);
        offset += n;
        return std::optional<std::size_t>(n);
    });
}

std::optional<DecodeResult> decodeNativeWavStream(StreamInput& in, std::vector<std::uint8_t>& head)
{
    // The head grows as the stream brings it, up to where a file's head would be looked for.
    // It stops growing once the data chunk is found: a layout only libsndfile reads goes there
    // at once, as a file would, rather than after the rest of the head has arrived.
    while (!findWavData(head) && head.size() < kMaxWavHeadBytes)
        if (!in.append(head, kMaxWavHeadBytes - head.size()))
            break;
    const std::optional<WavLayout> sound = nativeWavLayout(head, SIZE_MAX);
    if (!sound)
        return std::nullopt;
    std::size_t offset = sound->dataOffset; // of what `head` still holds of the data
    return streamWav(*sound, [&](std::span<std::uint8_t> buffer, std::size_t atLeast) {
        const std::size_t early = std::min(buffer.size(), head.size() - std::min(offset, head.size()));
        std::memcpy(buffer.data(), head.data() + offset, early);
        offset += early;
        const std::size_t rest = in.read(buffer.subspan(early), atLeast > early ? atLeast - early : 0);
        return std::optional<std::size_t>(early + rest);
    });
}

} // namespace tarvel
