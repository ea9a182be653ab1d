// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV header parser: the sample layouts it reads, the files it refuses, and that a
// damaged or cut file is never read past its own end.

#include "signal/WavFiles.h"
#include "signal/WavFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

void putTag(Bytes& b, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(tag[i]));
}

Bytes filled(std::size_t n, char c = 'x')
{
    return Bytes(n, static_cast<std::uint8_t>(c));
}

// One chunk with its header; `declared` overrides the size written in it.
Bytes chunk(const char* tag, const Bytes& body, std::optional<std::uint32_t> declared = {})
{
    Bytes b;
    putTag(b, tag);
    put32(b, declared.value_or(static_cast<std::uint32_t>(body.size())));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2 != 0)
        b.push_back(0);
    return b;
}

Bytes fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
    std::optional<std::uint16_t> blockAlign = {})
{
    Bytes b;
    const auto align = blockAlign.value_or(static_cast<std::uint16_t>(channels * bits / 8));
    put16(b, tag);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * align);
    put16(b, align);
    put16(b, bits);
    return b;
}

Bytes extensibleFmtBody(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits)
{
    Bytes b = fmtBody(0xFFFE, channels, rate, bits);
    put16(b, 22); // extension size
    put16(b, bits); // valid bits
    put32(b, 3); // channel mask
    put16(b, subTag);
    const std::uint8_t guidRest[]
        = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    b.insert(b.end(), std::begin(guidRest), std::end(guidRest));
    return b;
}

Bytes wav(const std::vector<Bytes>& chunks)
{
    Bytes b;
    putTag(b, "RIFF");
    put32(b, 0); // not trusted by the reader, so left unset here
    putTag(b, "WAVE");
    for (const Bytes& c : chunks)
        b.insert(b.end(), c.begin(), c.end());
    return b;
}

Bytes prefix(const Bytes& b, std::size_t n)
{
    return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(std::min(n, b.size())));
}

std::optional<WavSound> read(const Bytes& bytes)
{
    return readWavSound(bytes);
}

TEST(WavFormat, ReadsTheFileEverySendWrites)
{
    const auto header = wavHeader();
    Bytes bytes(header.begin(), header.end());
    bytes.resize(kWavFileSize, 1);
    const std::optional<WavSound> s = read(bytes);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->kind, WavSampleKind::Int16);
    EXPECT_EQ(s->channels, 1);
    EXPECT_EQ(s->sampleRate_hz, 16'000);
    EXPECT_EQ(s->dataOffset, kWavHeaderSize);
    EXPECT_EQ(s->dataSize, kWavDataSize);
    EXPECT_EQ(s->frameCount(), 78'768);
    EXPECT_EQ(s->duration_us(), 4'923'000);
}

struct Layout {
    const char* name;
    Bytes bytes;
    WavSampleKind kind;
    int channels;
    int rate;
    std::size_t offset;
    std::size_t size;
};

TEST(WavFormat, ReadsEveryPlayableLayout)
{
    const Layout layouts[] = {
        {"8-bit mono", wav({chunk("fmt ", fmtBody(1, 1, 8'000, 8)), chunk("data", filled(100))}),
            WavSampleKind::UInt8, 1, 8'000, 44, 100},
        {"32-bit stereo", wav({chunk("fmt ", fmtBody(1, 2, 44'100, 32)), chunk("data", filled(64))}),
            WavSampleKind::Int32, 2, 44'100, 44, 64},
        // Unknown chunks are skipped, an odd-sized one with its pad byte.
        {"float, odd LIST chunk first",
            wav({chunk("fmt ", fmtBody(3, 1, 48'000, 32)), chunk("LIST", filled(5, 'i')),
                chunk("data", filled(40))}),
            WavSampleKind::Float32, 1, 48'000, 58, 40},
        {"extensible PCM",
            wav({chunk("fmt ", extensibleFmtBody(1, 2, 22'050, 16)), chunk("data", filled(8))}),
            WavSampleKind::Int16, 2, 22'050, 68, 8},
        // A recording cut short: the data chunk claims 65 536 bytes, 1 001 are there, and a
        // stereo 16-bit frame takes 4 of them.
        {"data cut short",
            wav({chunk("fmt ", fmtBody(1, 2, 16'000, 16)),
                prefix(chunk("data", filled(1'001), 65'536), 8 + 1'001)}),
            WavSampleKind::Int16, 2, 16'000, 44, 1'000},
        {"streaming size 0xFFFFFFFF",
            wav({chunk("fmt ", fmtBody(1, 1, 16'000, 16)), chunk("data", filled(10), 0xFFFFFFFFU)}),
            WavSampleKind::Int16, 1, 16'000, 44, 10},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.name);
        const std::optional<WavSound> s = read(l.bytes);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->kind, l.kind);
        EXPECT_EQ(s->channels, l.channels);
        EXPECT_EQ(s->sampleRate_hz, l.rate);
        EXPECT_EQ(s->dataOffset, l.offset);
        EXPECT_EQ(s->dataSize, l.size);
    }
}

TEST(WavFormat, RefusesWhatItCannotPlay)
{
    const Bytes fmt16 = chunk("fmt ", fmtBody(1, 1, 16'000, 16));
    const Bytes data = chunk("data", filled(16));
    Bytes riffx = wav({fmt16, data});
    riffx[3] = 'X';
    Bytes avi = wav({fmt16, data});
    avi[8] = 'A'; // "AAVE"

    const std::pair<const char*, Bytes> refused[] = {
        {"empty", {}},
        {"header only, cut", prefix(wav({}), 11)},
        {"not RIFF", riffx},
        {"not WAVE", avi},
        {"no chunks", wav({})},
        {"data before fmt", wav({data, fmt16})},
        {"no data", wav({fmt16})},
        {"24-bit", wav({chunk("fmt ", fmtBody(1, 1, 16'000, 24)), data})},
        {"64-bit float", wav({chunk("fmt ", fmtBody(3, 1, 16'000, 64)), data})},
        {"compressed", wav({chunk("fmt ", fmtBody(2, 1, 16'000, 4)), data})},
        {"no channels", wav({chunk("fmt ", fmtBody(1, 0, 16'000, 16, 2)), data})},
        {"rate 0", wav({chunk("fmt ", fmtBody(1, 1, 0, 16)), data})},
        {"rate beyond any sound card", wav({chunk("fmt ", fmtBody(1, 1, 1'000'000, 16)), data})},
        {"padded frames", wav({chunk("fmt ", fmtBody(1, 1, 16'000, 16, 4)), data})},
        {"fmt too short", wav({chunk("fmt ", prefix(fmtBody(1, 1, 16'000, 16), 14)), data})},
        {"extensible too short", wav({chunk("fmt ", fmtBody(0xFFFE, 1, 16'000, 16)), data})},
        {"fmt past the end", wav({chunk("fmt ", fmtBody(1, 1, 16'000, 16), 4'000)})},
        // A huge size on a chunk that is skipped must not wrap the position around.
        {"huge skipped chunk", wav({fmt16, chunk("junk", filled(4, 'j'), 0xFFFFFFF8U), data})},
    };
    for (const auto& [name, bytes] : refused)
        EXPECT_FALSE(read(bytes)) << name;
}

// Every prefix of a good file is either refused or read within its own bytes.
TEST(WavFormat, CutFilesAreNeverReadPastTheirEnd)
{
    const Bytes good = wav({chunk("fmt ", extensibleFmtBody(3, 2, 48'000, 32)), chunk("LIST", filled(3, 'i')),
        chunk("data", filled(80))});
    ASSERT_TRUE(read(good));
    for (std::size_t n = 0; n <= good.size(); ++n) {
        const std::optional<WavSound> s = read(prefix(good, n));
        if (s) {
            EXPECT_LE(s->dataOffset + s->dataSize, n) << n;
        }
    }
}

} // namespace
} // namespace tarvel
