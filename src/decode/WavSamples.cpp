// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/WavSamples.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <type_traits>

namespace tarvel {

namespace {

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
constexpr std::size_t kFormatSize = 16; // the fields every "fmt " chunk has
constexpr std::size_t kExtensibleFormatSize = 40; // ... and the extensible one's subformat
constexpr std::size_t kSubformatOffset = 24; // the subformat GUID's first two bytes: the plain tag

// A little-endian value of type T at `b`; a plain load on a little-endian machine, which
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

bool isTag(std::span<const std::uint8_t> b, std::size_t at, const char (&tag)[5])
{
    return b.size() >= at + 4 && std::equal(tag, tag + 4, b.begin() + static_cast<std::ptrdiff_t>(at));
}

std::size_t chunkSize(const std::uint8_t* b, bool bigEndian)
{
    if (bigEndian)
        return std::size_t {b[0]} << 24 | std::size_t {b[1]} << 16 | std::size_t {b[2]} << 8 | b[3];
    return littleEndian<std::uint32_t>(b);
}

// Where a RIFF/WAVE head places its samples: the "fmt " chunk's body (empty when none came
// first) and the data chunk's offset and declared length; RIFX's are big-endian, and RF64's
// data chunk leaves its length to the "ds64" chunk.
struct WavChunks {
    bool bigEndian = false;
    bool rf64 = false;
    std::span<const std::uint8_t> format;
    WavData data;
};

// Walks the chunks up to the data chunk. The RIFF size is not trusted (writers that stream
// leave it 0 or too large); nothing when the head ends first or a chunk before the data
// overruns it.
std::optional<WavChunks> findChunks(std::span<const std::uint8_t> head)
{
    constexpr std::size_t riffHeader = 12;
    constexpr std::size_t chunkHeader = 8;
    if (!(isTag(head, 0, "RIFF") || isTag(head, 0, "RIFX") || isTag(head, 0, "RF64"))
        || !isTag(head, 8, "WAVE"))
        return std::nullopt;
    WavChunks chunks;
    chunks.bigEndian = isTag(head, 0, "RIFX");
    chunks.rf64 = isTag(head, 0, "RF64");
    std::size_t rf64DataSize = 0;
    for (std::size_t at = riffHeader; head.size() - at >= chunkHeader;) {
        const std::size_t declared = chunkSize(head.data() + at + 4, chunks.bigEndian);
        const std::size_t bodyAt = at + chunkHeader;
        if (isTag(head, at, "data")) {
            chunks.data = {bodyAt, chunks.rf64 && declared == 0xFFFF'FFFFu ? rf64DataSize : declared};
            return chunks;
        }
        // Chunks start on even offsets: an odd-sized body is followed by one pad byte.
        const std::size_t next = declared + (declared & 1U);
        if (next >= head.size() - bodyAt)
            return std::nullopt;
        if (isTag(head, at, "fmt "))
            chunks.format = head.subspan(bodyAt, declared);
        constexpr std::size_t ds64DataSizeAt = 8; // after the 64-bit RIFF size
        if (chunks.rf64 && isTag(head, at, "ds64") && declared >= ds64DataSizeAt + 8) {
            const auto dataSize = littleEndian<std::uint64_t>(head.data() + bodyAt + ds64DataSizeAt);
            rf64DataSize = static_cast<std::size_t>(std::min<std::uint64_t>(dataSize, SIZE_MAX));
        }
        at = bodyAt + next;
    }
    return std::nullopt;
}

std::optional<WavSample> sampleOf(std::uint16_t tag, std::uint16_t bits)
{
    if (tag == kTagPcm && bits == 8)
        return WavSample::UInt8;
    if (tag == kTagPcm && bits == 16)
        return WavSample::Int16;
    if (tag == kTagPcm && bits == 24)
        return WavSample::Int24;
    if (tag == kTagPcm && bits == 32)
        return WavSample::Int32;
    if (tag == kTagFloat && bits == 32)
        return WavSample::Float32;
    if (tag == kTagFloat && bits == 64)
        return WavSample::Float64;
    return std::nullopt;
}

std::size_t bytesPerSample(WavSample sample)
{
    constexpr std::array<std::size_t, 6> bytes = {1, 2, 3, 4, 4, 8};
    return bytes[static_cast<std::size_t>(sample)];
}

// The sample layout a "fmt " chunk's body gives, with no data yet; nothing when the reader
// does not take it natively.
std::optional<WavLayout> readFormat(std::span<const std::uint8_t> body)
{
    if (body.size() < kFormatSize)
        return std::nullopt;
    std::uint16_t tag = littleEndian<std::uint16_t>(body.data());
    const int channels = littleEndian<std::uint16_t>(body.data() + 2);
    const std::uint32_t rate = littleEndian<std::uint32_t>(body.data() + 4);
    const std::size_t blockAlign = littleEndian<std::uint16_t>(body.data() + 12);
    const std::uint16_t bits = littleEndian<std::uint16_t>(body.data() + 14);
    if (tag == kTagExtensible) {
        if (body.size() < kExtensibleFormatSize)
            return std::nullopt;
        tag = littleEndian<std::uint16_t>(body.data() + kSubformatOffset);
    }
    const std::optional<WavSample> sample = sampleOf(tag, bits);
    // A frame padded beyond its samples is left to libsndfile.
    if (!sample || channels < 1 || channels > kMaxRecordingChannels
        || blockAlign != static_cast<std::size_t>(channels) * bytesPerSample(*sample)
        || rate > static_cast<std::uint32_t>(INT32_MAX))
        return std::nullopt;
    WavLayout layout;
    layout.sample = *sample;
    layout.channels = channels;
    layout.sampleRate_hz = static_cast<int>(rate);
    return layout;
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

// Three bytes a sample: placed in the top of a 32-bit word, as libsndfile does, and scaled as
// a 32-bit sample, so that the floats are the same to the bit.
void convert24(std::span<const std::uint8_t> bytes, std::span<float> out)
{
    const std::size_t count = bytes.size() / 3;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* b = bytes.data() + 3 * i;
        const auto word = static_cast<std::int32_t>(
            (std::uint32_t {b[0]} << 8) | (std::uint32_t {b[1]} << 16) | (std::uint32_t {b[2]} << 24));
        out[i] = static_cast<float>(word) * (1.0f / 2147483648.0f);
    }
}

} // namespace

std::size_t WavLayout::bytesPerFrame() const
{
    return static_cast<std::size_t>(channels) * bytesPerSample(sample);
}

std::optional<WavLayout> nativeWavLayout(std::span<const std::uint8_t> head, std::size_t fileSize)
{
    if (head.size() > fileSize)
        return std::nullopt;
    const std::optional<WavChunks> chunks = findChunks(head);
    if (!chunks || chunks->bigEndian || chunks->rf64 || chunks->data.declared == 0)
        return std::nullopt;
    std::optional<WavLayout> layout = readFormat(chunks->format);
    if (!layout)
        return std::nullopt;
    const std::size_t size = std::min(chunks->data.declared, fileSize - chunks->data.offset);
    layout->dataOffset = chunks->data.offset;
    layout->dataSize = size - size % layout->bytesPerFrame();
    return layout;
}

std::optional<WavData> findWavData(std::span<const std::uint8_t> head)
{
    const std::optional<WavChunks> chunks = findChunks(head);
    if (!chunks)
        return std::nullopt;
    return chunks->data;
}

void wavSamplesToFloat(WavSample sample, std::span<const std::uint8_t> bytes, std::span<float> out)
{
    switch (sample) {
    case WavSample::UInt8:
        convertSamples<std::uint8_t>(bytes, out,
            [](std::uint8_t x) { return static_cast<float>(static_cast<int>(x) - 128) * (1.0f / 128.0f); });
        break;
    case WavSample::Int16:
        convertSamples<std::int16_t>(
            bytes, out, [](std::int16_t x) { return static_cast<float>(x) * (1.0f / 32768.0f); });
        break;
    case WavSample::Int24:
        convert24(bytes, out);
        break;
    case WavSample::Int32:
        convertSamples<std::int32_t>(
            bytes, out, [](std::int32_t x) { return static_cast<float>(x) * (1.0f / 2147483648.0f); });
        break;
    case WavSample::Float32:
        // Through memcpy rather than std::bit_cast, which the page's Emscripten does not have.
        convertSamples<std::uint32_t>(bytes, out, [](std::uint32_t x) {
            float f;
            std::memcpy(&f, &x, sizeof f);
            return f;
        });
        break;
    case WavSample::Float64:
        convertSamples<std::uint64_t>(bytes, out, [](std::uint64_t x) {
            double d;
            std::memcpy(&d, &x, sizeof d);
            return static_cast<float>(d);
        });
        break;
    }
}

} // namespace tarvel
