// SPDX-License-Identifier: GPL-3.0-or-later
// Correction by the CRC: frames it puts right are the frames sent and say how many symbols
// it changed; a clean frame whose CRC is wrong is never "put right".

#include "SignalLab.h"
#include "decode/FrameCorrection.h"
#include "decode/RecordingReader.h"
#include "frame/FrameBuild.h"
#include "frame/FrameCheck.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

TEST(FrameCorrection, FramesPutRightAreTheFramesSent)
{
    std::mt19937 rng(41);
    int corrected = 0;
    for (int i = 0; i < 40; ++i) {
        const Frame f = lab::randomFrame(rng);
        std::vector<float> s = lab::send(f);
        lab::addNoiseAtSnr(s, -13.0, rng);
        const DecodeResult r = decodeSamples(s, 16'000.0);
        if (r.correctedSymbols > 0) {
            ++corrected;
            EXPECT_TRUE(r.crcOk());
            EXPECT_EQ(r.frame, f);
        }
        EXPECT_FALSE(r.crcOk() && r.frame != f) << "a wrong frame passed: " << frameHex(r.frame);
    }
    EXPECT_GE(corrected, 2); // symbols the first reading got wrong were put right
}

TEST(FrameCorrection, CleanFrameWithABrokenCrcStaysAMismatch)
{
    std::mt19937 rng(42);
    for (int i = 0; i < 30; ++i) {
        Frame f = lab::randomFrame(rng);
        const int bit = 16 + static_cast<int>(rng() % 112); // anywhere after the markers
        f[static_cast<std::size_t>(bit / 8)] ^= static_cast<std::uint8_t>(0x80u >> (bit % 8));
        const DecodeResult r = decodeSamples(lab::send(f, true, i % 2 ? 0.2 : 0.05), 16'000.0);
        EXPECT_EQ(r.outcome, DecodeOutcome::Decoded);
        EXPECT_FALSE(r.crcOk()) << frameHex(f);
        EXPECT_EQ(r.frame, f);
        EXPECT_EQ(r.correctedSymbols, 0);
        // Read several ways, always the same sequence: one chance to pass by luck, not several.
        EXPECT_EQ(r.crcRejections.count(), 1);
    }
}

// Read one symbol early (the first merged into the lead-in), a frame is shifted by a bit,
// and every shift lies the same fixed error pattern away from a matching CRC. Here a
// frame with its markers and a broken CRC is sent whose shifted reading matches: the
// clean lead-in says where the frame starts, so it stays a mismatch.
TEST(FrameCorrection, AShiftedReadingThatMatchesTheCrcIsNotTaken)
{
    std::mt19937 rng(44);
    int sends = 0;
    for (int i = 0; i < 40 && sends < 6; ++i) {
        const Frame sent0 = lab::randomFrame(rng);
        // The reading with the lead-in's tone as its first bit: 1, then the frame's bits.
        Frame shifted {};
        for (int b = 0; b < 128; ++b) {
            const bool bit
                = b == 0 || ((sent0[static_cast<std::size_t>((b - 1) / 8)] >> (7 - (b - 1) % 8)) & 1);
            if (bit)
                shifted[static_cast<std::size_t>(b / 8)] |= static_cast<std::uint8_t>(0x80u >> (b % 8));
        }
        int flip = 1;
        for (; flip < 128; ++flip) {
            Frame h = shifted;
            h[static_cast<std::size_t>(flip / 8)] ^= static_cast<std::uint8_t>(0x80u >> (flip % 8));
            if (crcMatches(h))
                break;
        }
        if (flip == 128)
            continue; // no single bit does it for this frame's last bit
        ++sends;
        Frame sent = sent0; // the frame whose shifted reading matches
        sent[static_cast<std::size_t>((flip - 1) / 8)]
            ^= static_cast<std::uint8_t>(0x80u >> ((flip - 1) % 8));
        const DecodeResult r = decodeSamples(lab::send(sent), 16'000.0);
        EXPECT_EQ(r.frame, sent);
        EXPECT_EQ(r.crcOk(), frameChecksOut(sent)) << frameHex(sent);
    }
    EXPECT_EQ(sends, 6);
}

TEST(FrameCorrection, AFrameChecksOutOnlyWithItsCrcAndTheMarkers)
{
    std::mt19937 rng(43);
    const Frame good = lab::randomFrame(rng);
    EXPECT_TRUE(frameChecksOut(good));
    Frame otherMarkers = good;
    otherMarkers[1] = 3;
    storeCrc(otherMarkers, crc16(std::span(otherMarkers).first(14)));
    EXPECT_FALSE(frameChecksOut(otherMarkers));
    Frame badCrc = good;
    badCrc[15] ^= 1;
    EXPECT_FALSE(frameChecksOut(badCrc));
}

} // namespace
} // namespace tarvel
