// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/WavSamples.h"

#include <algorithm>
#include <array>
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

// Converts `bytes` of T samples into `out`, one float each. On a little-endian machine the
// samples pass through a small local block, which the compiler knows `out` cannot overlap,
// so that the conversion runs on whole vectors.
template <typename T, typename Convert>
void convertSamples(std::span<const std::uint8_t> bytes, std::span<float> out, Convert convert)
{
    const std::size_t count = bytes.size() / sizeof(T);
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::size_t kBlock = 64;
        std::array<T, kBlock> block {};
        for (; i + kBlock <= count; i += kBlock) {
            std::memcpy(block.data(), bytes.data() + i * sizeof(T), sizeof block);
            for (std::size_t j = 0; j < kBlock; ++j)
                out[i + j] = convert(block[j]);
        }
    }
    for (; i < count; ++i)
        out[i] = convert(littleEndian<T>(bytes.data() + i * sizeof(T)));
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
    switch (kind) {
    case WavSampleKind::UInt8:
        convertSamples<std::uint8_t>(bytes, out,
            [](std::uint8_t x) { return static_cast<float>(static_cast<int>(x) - 128) * (1.0f / 128.0f); });
        break;
    case WavSampleKind::Int16:
        convertSamples<std::int16_t>(
            bytes, out, [](std::int16_t x) { return static_cast<float>(x) * (1.0f / 32768.0f); });
        break;
    case WavSampleKind::Int32:
        convertSamples<std::int32_t>(
            bytes, out, [](std::int32_t x) { return static_cast<float>(x) * (1.0f / 2147483648.0f); });
        break;
    case WavSampleKind::Float32:
        // Through memcpy rather than std::bit_cast, which the page's Emscripten does not have.
        convertSamples<std::uint32_t>(bytes, out, [](std::uint32_t x) {
            float f;
            std::memcpy(&f, &x, sizeof f);
            return f;
        });
        break;
    }
}

} // namespace tarvel
