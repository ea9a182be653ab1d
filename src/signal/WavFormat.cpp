// SPDX-License-Identifier: GPL-3.0-or-later
#include "signal/WavFormat.h"

#include <algorithm>
#include <array>

namespace tarvel {

namespace {

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
constexpr std::size_t kFormatSize = 16; // the fields every "fmt " chunk has
constexpr std::size_t kExtensibleFormatSize = 40; // ... and the extensible one's subformat
constexpr std::size_t kSubformatOffset = 24;
constexpr int kMaxChannels = 32;
constexpr int kMinRate_hz = 1'000;
constexpr int kMaxRate_hz = 384'000;

std::uint16_t get16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t get32(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8)
        | (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

bool isTag(std::span<const std::uint8_t> b, std::size_t at, const char (&tag)[5])
{
    return std::equal(tag, tag + 4, b.begin() + static_cast<std::ptrdiff_t>(at));
}

int bytesPerSample(WavSampleKind kind)
{
    switch (kind) {
    case WavSampleKind::UInt8:
        return 1;
    case WavSampleKind::Int16:
        return 2;
    case WavSampleKind::Int32:
    case WavSampleKind::Float32:
        return 4;
    }
    return 0;
}

std::optional<WavSampleKind> sampleKind(std::uint16_t tag, std::uint16_t bits)
{
    if (tag == kTagPcm) {
        switch (bits) {
        case 8:
            return WavSampleKind::UInt8;
        case 16:
            return WavSampleKind::Int16;
        case 32:
            return WavSampleKind::Int32;
        default:
            return std::nullopt;
        }
    }
    if (tag == kTagFloat && bits == 32)
        return WavSampleKind::Float32;
    return std::nullopt;
}

// Reads a "fmt " chunk's body into `sound`; false when the layout cannot be played.
bool readFormat(std::span<const std::uint8_t> body, WavSound& sound)
{
    if (body.size() < kFormatSize)
        return false;
    std::uint16_t tag = get16(body, 0);
    const int channels = get16(body, 2);
    const std::uint32_t rate = get32(body, 4);
    const int blockAlign = get16(body, 12);
    const std::uint16_t bits = get16(body, 14);
    if (tag == kTagExtensible) {
        if (body.size() < kExtensibleFormatSize)
            return false;
        tag = get16(body, kSubformatOffset); // the GUID's first two bytes carry the plain tag
    }
    const std::optional<WavSampleKind> kind = sampleKind(tag, bits);
    if (!kind || channels < 1 || channels > kMaxChannels || rate < static_cast<std::uint32_t>(kMinRate_hz)
        || rate > static_cast<std::uint32_t>(kMaxRate_hz))
        return false;
    // A frame padded beyond its samples is a layout the sound output cannot take.
    if (blockAlign != channels * bytesPerSample(*kind))
        return false;
    sound.kind = *kind;
    sound.channels = channels;
    sound.sampleRate_hz = static_cast<int>(rate);
    return true;
}

} // namespace

int WavSound::bytesPerFrame() const
{
    return channels * bytesPerSample(kind);
}

std::int64_t WavSound::frameCount() const
{
    const int frameBytes = bytesPerFrame();
    return frameBytes > 0 ? static_cast<std::int64_t>(dataSize) / frameBytes : 0;
}

std::int64_t WavSound::duration_us() const
{
    return sampleRate_hz > 0 ? frameCount() * 1'000'000 / sampleRate_hz : 0;
}

std::optional<WavSound> readWavSound(std::span<const std::uint8_t> bytes)
{
    constexpr std::size_t riffHeader = 12;
    constexpr std::size_t chunkHeader = 8;
    if (bytes.size() < riffHeader || !isTag(bytes, 0, "RIFF") || !isTag(bytes, 8, "WAVE"))
        return std::nullopt;

    WavSound sound;
    bool haveFormat = false;
    // The RIFF size is not trusted (writers that stream leave it 0 or too large): the
    // chunks are walked up to the file's real end.
    std::size_t at = riffHeader;
    while (bytes.size() - at >= chunkHeader) {
        const std::size_t declared = get32(bytes, at + 4);
        const std::size_t bodyAt = at + chunkHeader;
        const std::size_t available = bytes.size() - bodyAt;
        if (isTag(bytes, at, "fmt ")) {
            if (declared > available || !readFormat(bytes.subspan(bodyAt, declared), sound))
                return std::nullopt;
            haveFormat = true;
        } else if (isTag(bytes, at, "data")) {
            if (!haveFormat)
                return std::nullopt;
            const std::size_t size = std::min(declared, available);
            const auto frame = static_cast<std::size_t>(sound.bytesPerFrame());
            sound.dataOffset = bodyAt;
            sound.dataSize = size - size % frame;
            return sound;
        }
        if (declared > available)
            return std::nullopt;
        // Chunks start on even offsets: an odd-sized body is followed by one pad byte.
        const std::size_t next = declared + (declared & 1U);
        if (next >= available)
            return std::nullopt;
        at = bodyAt + next;
    }
    return std::nullopt;
}

} // namespace tarvel
