#include "decode/WavSamples.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

namespace tarvel {

namespace {

// A little-endian sample of type T at `b`; a plain load on a little-endian machine, which
// lets the conversion loops below run on whole vectors of samples.
template <typename T> T littleEndian(const std::uint8_t* b)
{
    if constexpr (std::endian::native == std::endian::little) {
        T v {};
        std::memcpy(&v, b, sizeof v);
        return v;
    } else {
        std::make_unsigned_t<T> u = 0;
        for (std::size_t i = sizeof(T); i-- > 0;)
            u = static_cast<std::make_unsigned_t<T>>((u << 8) | b[i]);
        return static_cast<T>(u);
    }
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
    const std::size_t declared = littleEndian<std::uint32_t>(head.data() + sound->dataOffset - sizeField);
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
            out[i] = static_cast<float>(littleEndian<std::int16_t>(b + 2 * i)) * (1.0f / 32768.0f);
        break;
    case WavSampleKind::Int32:
        for (std::size_t i = 0; i < bytes.size() / 4; ++i)
            out[i] = static_cast<float>(littleEndian<std::int32_t>(b + 4 * i)) * (1.0f / 2147483648.0f);
        break;
    case WavSampleKind::Float32:
        for (std::size_t i = 0; i < bytes.size() / 4; ++i)
            out[i] = std::bit_cast<float>(littleEndian<std::uint32_t>(b + 4 * i));
        break;
    }
}

} // namespace tarvel
