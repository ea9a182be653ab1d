#include "decode/WavSamples.h"

#include <algorithm>
#include <bit>

namespace tarvel {

namespace {

std::uint32_t le32(const std::uint8_t* b)
{
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8)
        | (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint16_t le16(const std::uint8_t* b)
{
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

} // namespace

std::optional<WavSound> nativeWavSound(std::span<const std::uint8_t> head, std::size_t fileSize)
{
    if (head.size() > fileSize)
        return std::nullopt;
    std::optional<WavSound> sound = readWavSound(head);
    if (!sound)
        return std::nullopt;
    constexpr std::size_t sizeField = 4; // the data chunk's length, just before its body
    const std::size_t declared = le32(head.data() + sound->dataOffset - sizeField);
    if (declared == 0)
        return std::nullopt;
    const std::size_t size = std::min(declared, fileSize - sound->dataOffset);
    const auto frame = static_cast<std::size_t>(sound->bytesPerFrame());
    sound->dataSize = size - size % frame;
    return sound;
}

void wavSamplesToFloat(WavSampleKind kind, std::span<const std::uint8_t> bytes, std::span<float> out)
{
    const std::uint8_t* b = bytes.data();
    switch (kind) {
    case WavSampleKind::UInt8:
        for (std::size_t i = 0; i < bytes.size(); ++i)
            out[i] = static_cast<float>(static_cast<int>(b[i]) - 128) * (1.0f / 128.0f);
        break;
    case WavSampleKind::Int16:
        for (std::size_t i = 0; i < bytes.size() / 2; ++i)
            out[i] = static_cast<float>(static_cast<std::int16_t>(le16(b + 2 * i))) * (1.0f / 32768.0f);
        break;
    case WavSampleKind::Int32:
        for (std::size_t i = 0; i < bytes.size() / 4; ++i)
            out[i] = static_cast<float>(static_cast<std::int32_t>(le32(b + 4 * i))) * (1.0f / 2147483648.0f);
        break;
    case WavSampleKind::Float32:
        for (std::size_t i = 0; i < bytes.size() / 4; ++i)
            out[i] = std::bit_cast<float>(le32(b + 4 * i));
        break;
    }
}

} // namespace tarvel
