// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV files read without libsndfile: the same floats as libsndfile gives, and the data
// chunk found as it does.

#include "SignalLab.h"
#include "decode/WavSamples.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace tarvel {
namespace {

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {(std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()};
}

// Every layout read natively, full scale and beyond included, bit for bit as libsndfile
// reads the same file.
TEST(WavSamples, SameFloatsAsLibsndfile)
{
    tarvel::testing::TempFolder folder;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> any(-1.2f, 1.2f);
    std::vector<float> samples = {0.0f, 1.0f, -1.0f, 0.5f, -0.5f, 1e-6f, -1e-6f};
    for (int i = 0; i < 3000; ++i)
        samples.push_back(any(rng));
    const std::tuple<WavSample, int, int> layouts[]
        = {{WavSample::UInt8, SF_FORMAT_PCM_U8, 2}, {WavSample::Int16, SF_FORMAT_PCM_16, 2},
            {WavSample::Int24, SF_FORMAT_PCM_24, 3}, {WavSample::Int32, SF_FORMAT_PCM_32, 2},
            {WavSample::Float32, SF_FORMAT_FLOAT, 64}, {WavSample::Float64, SF_FORMAT_DOUBLE, 2}};
    for (const auto& [kind, format, channels] : layouts) {
        const std::string path = (folder.path() / "a.wav").string();
        lab::writeSound(path, samples, 16'000, SF_FORMAT_WAV | format, channels);
        SF_INFO info {};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr);
        std::vector<float> expected(static_cast<std::size_t>(info.frames * info.channels));
        ASSERT_EQ(sf_readf_float(f, expected.data(), info.frames), info.frames);
        sf_close(f);

        const std::vector<std::uint8_t> bytes = fileBytes(path);
        const std::optional<WavLayout> sound = nativeWavLayout(bytes, bytes.size());
        ASSERT_TRUE(sound) << format;
        EXPECT_EQ(sound->sample, kind);
        EXPECT_EQ(sound->channels, channels);
        ASSERT_EQ(sound->dataSize / sound->bytesPerFrame(), static_cast<std::size_t>(info.frames));
        std::vector<float> got(expected.size());
        wavSamplesToFloat(kind, std::span(bytes).subspan(sound->dataOffset, sound->dataSize), got);
        EXPECT_EQ(std::memcmp(got.data(), expected.data(), got.size() * sizeof(float)), 0) << format;
    }
}

// A mono 16-bit WAV: "RIFF", "fmt " and a data chunk that declares `declared` bytes, then
// `present` bytes of samples.
std::vector<std::uint8_t> wav16(std::uint32_t declared, std::size_t present)
{
    std::vector<std::uint8_t> b(44 + present, 0);
    auto tag = [&](std::size_t at, const char* t) {
        for (std::size_t i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(t[i]);
    };
    auto put = [&](std::size_t at, std::uint32_t v, std::size_t bytes) {
        for (std::size_t i = 0; i < bytes; ++i)
            b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    tag(0, "RIFF");
    tag(8, "WAVE");
    tag(12, "fmt ");
    put(16, 16, 4);
    put(20, 1, 2); // PCM
    put(22, 1, 2); // one channel
    put(24, 16'000, 4);
    put(28, 32'000, 4);
    put(32, 2, 2);
    put(34, 16, 2);
    tag(36, "data");
    put(40, declared, 4);
    return b;
}

// The data chunk is cut to the file's end, not the head's, to whole frames; one that
// declares no length at all (a writer that never finished) is left to libsndfile.
TEST(WavSamples, DataChunkFoundAsTheFileHasIt)
{
    const std::vector<std::uint8_t> file = wav16(1000, 1000);
    std::optional<WavLayout> sound = nativeWavLayout(std::span(file).first(60), file.size());
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->dataOffset, 44u);
    EXPECT_EQ(sound->dataSize, 1000u);

    const std::vector<std::uint8_t> cut = wav16(0xFFFF'FFFFu, 501);
    sound = nativeWavLayout(cut, cut.size());
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->dataSize, 500u);

    const std::vector<std::uint8_t> unfinished = wav16(0, 1000);
    EXPECT_FALSE(nativeWavLayout(unfinished, unfinished.size()));
    EXPECT_FALSE(nativeWavLayout(std::span(file).first(40), file.size())); // the head ends too soon
}

} // namespace
} // namespace tarvel
