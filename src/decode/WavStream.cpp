#include "decode/WavStream.h"

#include "decode/ChannelDemodulators.h"
#include "decode/RecordingFormat.h"
#include "decode/WavSamples.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

namespace tarvel {

namespace {

// Where a WAV's data chunk starts, nearly always; one that starts beyond the larger head
// (behind a long tag or picture) is left to libsndfile.
constexpr std::size_t kWavHeadBytes = 4096;
constexpr std::size_t kMaxWavHeadBytes = 65536;

// Fills `buffer` with the file's bytes from `offset` and returns how many it gave (fewer at
// the file's end), or nothing when they cannot be read.
using Fetch = std::function<std::optional<std::size_t>(std::size_t offset, std::span<std::uint8_t> buffer)>;

DecodeResult streamWav(const WavSound& sound, const Fetch& fetch)
{
    checkRate(static_cast<double>(sound.sampleRate_hz));
    ChannelDemodulators demodulators(sound.channels, static_cast<double>(sound.sampleRate_hz));
    const auto channels = static_cast<std::size_t>(sound.channels);
    const auto frameBytes = static_cast<std::size_t>(sound.bytesPerFrame());
    std::vector<float> interleaved(kChunkFrames * channels);
    std::vector<std::uint8_t> bytes(kChunkFrames * frameBytes);
    std::size_t done = 0; // bytes of the data chunk read so far
    bool damaged = false;
    while (done < sound.dataSize) {
        const std::size_t want = std::min(sound.dataSize - done, bytes.size());
        const std::optional<std::size_t> got = fetch(sound.dataOffset + done, std::span(bytes).first(want));
        if (!got) {
            damaged = true;
            break;
        }
        const std::size_t frames = *got / frameBytes;
        if (frames == 0)
            break;
        done += frames * frameBytes;
        const std::span<float> samples = std::span(interleaved).first(frames * channels);
        wavSamplesToFloat(sound.kind, std::span(bytes).first(frames * frameBytes), samples);
        if (demodulators.feed(samples))
            break;
    }
    DecodeResult result = demodulators.finish();
    if (damaged && !result.decoded()) {
        const std::size_t framesRead = done / frameBytes; // whole frames only
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

// The sound of a regular WAV file when it is read natively; its head is read first in a
// small piece, then, if its data chunk starts further on, in a larger one.
std::optional<WavSound> nativeWavFile(int fd, std::size_t fileSize)
{
    std::uint8_t head[kWavHeadBytes];
    std::optional<std::size_t> got = readAt(fd, 0, std::span(head, std::min(fileSize, sizeof head)));
    if (!got)
        return std::nullopt;
    std::optional<WavSound> sound = nativeWavSound(std::span(head, *got), fileSize);
    if (sound || fileSize <= sizeof head)
        return sound;
    std::vector<std::uint8_t> longer(std::min(fileSize, kMaxWavHeadBytes));
    got = readAt(fd, 0, longer);
    return got ? nativeWavSound(std::span(longer).first(*got), fileSize) : std::nullopt;
}

} // namespace

std::optional<DecodeResult> decodeNativeWavFile(int fd, std::size_t fileSize)
{
    const std::optional<WavSound> sound = nativeWavFile(fd, fileSize);
    if (!sound)
        return std::nullopt;
    return streamWav(*sound,
        [fd](std::size_t offset, std::span<std::uint8_t> buffer) { return readAt(fd, offset, buffer); });
}

std::optional<DecodeResult> decodeNativeWavBytes(std::span<const std::uint8_t> bytes)
{
    const std::optional<WavSound> sound = nativeWavSound(bytes, bytes.size());
    if (!sound)
        return std::nullopt;
    return streamWav(*sound, [bytes](std::size_t offset, std::span<std::uint8_t> buffer) {
        const std::size_t n = std::min(buffer.size(), bytes.size() - offset);
        std::memcpy(buffer.data(), bytes.data() + offset, n);
        return std::optional<std::size_t>(n);
    });
}

} // namespace tarvel
