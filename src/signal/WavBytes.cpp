// SPDX-License-Identifier: GPL-3.0-or-later
#include "signal/WavBytes.h"

#include "shared/NumberText.h"
#include "signal/ToneSignal.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace tarvel {

namespace {

constexpr std::uint32_t kBytesPerSample = 2;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kMono = 1;
constexpr std::uint32_t kFormatChunkSize = 16;

constexpr const char* kFmSigDeclaration = "const signed char FM[8*64*16] = {";
constexpr const char* kFmSigClosing = "};";
constexpr const char* kLineEnd = "\r\n";
constexpr int kFmSigFieldWidth = 4;

void putTag(std::uint8_t* at, const char (&tag)[5])
{
    std::copy(tag, tag + 4, at);
}

void put16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value & 0xFFU);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFU);
}

} // namespace

namespace {

std::array<std::uint8_t, kWavHeaderSize> wavHeaderFor(std::size_t dataSize)
{
    std::array<std::uint8_t, kWavHeaderSize> h {};
    putTag(&h[0], "RIFF");
    put32(&h[4], static_cast<std::uint32_t>(kWavHeaderSize - 8 + dataSize));
    putTag(&h[8], "WAVE");
    putTag(&h[12], "fmt ");
    put32(&h[16], kFormatChunkSize);
    put16(&h[20], kFormatPcm);
    put16(&h[22], kMono);
    put32(&h[24], static_cast<std::uint32_t>(kSampleRate_hz));
    put32(&h[28], static_cast<std::uint32_t>(kSampleRate_hz) * kBytesPerSample);
    put16(&h[32], static_cast<std::uint16_t>(kBytesPerSample));
    put16(&h[34], kBitsPerSample);
    putTag(&h[36], "data");
    put32(&h[40], static_cast<std::uint32_t>(dataSize));
    return h;
}

} // namespace

std::array<std::uint8_t, kWavHeaderSize> wavHeader()
{
    return wavHeaderFor(kWavDataSize);
}

std::vector<std::uint8_t> monoWavBytes(std::span<const std::int16_t> samples)
{
    std::vector<std::uint8_t> file(kWavHeaderSize + 2 * samples.size());
    const auto header = wavHeaderFor(2 * samples.size());
    std::copy(header.begin(), header.end(), file.begin());
    for (std::size_t i = 0; i < samples.size(); ++i)
        put16(&file[kWavHeaderSize + 2 * i], static_cast<std::uint16_t>(samples[i]));
    return file;
}

void forEachWavDataBlock(std::span<const std::int16_t> samples, std::int32_t signalSamples,
    const std::function<void(std::span<const std::uint8_t>)>& put)
{
    const std::size_t count
        = std::min({static_cast<std::size_t>(std::max(signalSamples, 0)), kWavDataSamples, samples.size()});
    // Converted through a small block rather than a copy of the whole chunk.
    std::array<std::uint8_t, 32'768> block;
    constexpr std::size_t samplesPerBlock = block.size() / 2;
    for (std::size_t first = 0; first < kWavDataSamples; first += samplesPerBlock) {
        const std::size_t last = std::min(first + samplesPerBlock, kWavDataSamples);
        for (std::size_t i = first; i < last; ++i)
            put16(&block[2 * (i - first)], i < count ? static_cast<std::uint16_t>(samples[i]) : 0);
        put(std::span<const std::uint8_t>(block.data(), 2 * (last - first)));
    }
}

std::vector<std::uint8_t> wavFileBytes(std::span<const std::int16_t> samples, std::int32_t signalSamples)
{
    std::vector<std::uint8_t> file;
    file.reserve(kWavFileSize);
    const auto header = wavHeader();
    file.insert(file.end(), header.begin(), header.end());
    forEachWavDataBlock(samples, signalSamples, [&file](std::span<const std::uint8_t> block) {
        file.insert(file.end(), block.begin(), block.end());
    });
    return file;
}

std::string fmSigText(std::span<const std::int16_t> samples)
{
    if (samples.size() < kFmSigFirstSample + kFmSigValueCount)
        throw std::invalid_argument("the sample buffer ends before the table's last sample");
    // A table value lies within -128..127: format each of them once, not 8192 times.
    constexpr std::int32_t lowest = std::numeric_limits<std::int16_t>::min() / 256;
    constexpr std::int32_t highest = std::numeric_limits<std::int16_t>::max() / 256;
    std::array<std::string, highest - lowest + 1> field;
    for (std::int32_t v = lowest; v <= highest; ++v)
        field[static_cast<std::size_t>(v - lowest)] = DecText(v, kFmSigFieldWidth);

    // Written through a pointer into a buffer that holds the longest such table: appending 16 000 pieces one
    // by one costs the page more than making the signal's table itself.
    std::size_t widest = 0;
    for (const std::string& f : field)
        widest = std::max(widest, f.size());
    const std::string_view lineEnd = kLineEnd;
    std::string text(std::string_view(kFmSigDeclaration).size() + lineEnd.size()
            + kFmSigValueCount * (widest + 1 + lineEnd.size()) + std::string_view(kFmSigClosing).size(),
        '\0');
    char* out = text.data();
    auto put = [&out](std::string_view piece) { out = std::copy(piece.begin(), piece.end(), out); };
    put(kFmSigDeclaration);
    put(kLineEnd);
    for (std::size_t k = 0; k < kFmSigValueCount; ++k) {
        put(field[static_cast<std::size_t>(fmSigValue(samples[kFmSigFirstSample + k]) - lowest)]);
        if (k + 1 < kFmSigValueCount)
            *out++ = ',';
        if (k % kFmSigValuesPerRow == kFmSigValuesPerRow - 1)
            put(kLineEnd);
    }
    put(kFmSigClosing);
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

} // namespace tarvel
