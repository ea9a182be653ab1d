// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame/Crc16.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace tarvel {
namespace {

Frame frameOf(std::initializer_list<std::uint8_t> bytes)
{
    Frame f {};
    std::copy(bytes.begin(), bytes.end(), f.begin());
    return f;
}

TEST(FrameCrc, PublishedCheckValue)
{
    const std::array<std::uint8_t, 9> digits = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crc16(digits), 0x29B1);
}

TEST(FrameCrc, AllZeroAllOnesAndMarkersOnlyFrames)
{
    LinesSink trace;
    Frame zeros {};
    EXPECT_EQ(FrameCrc(zeros, trace), 0xA96A);
    Frame ones;
    ones.fill(0xFF);
    EXPECT_EQ(FrameCrc(ones, trace), 0xC321);
    Frame markers = frameOf({1, 2});
    EXPECT_EQ(FrameCrc(markers, trace), 0x58CD);
}

TEST(FrameCrc, DefaultFrameTrace)
{
    Frame f = frameOf({0x01, 0x02, 0x05, 0x01, 0x06, 0x00, 0x00, 0x3C, 0x14, 0x00, 0x64, 0x00, 0x1E, 0x28});
    LinesSink trace;
    trace.addLine("left over from an earlier build");
    EXPECT_EQ(FrameCrc(f, trace), 0xFC6C);
    const std::vector<std::string> expected
        = {" 0  F1D1", " 1  0E7C", " 2  CD6B", " 3  73C0", " 4  EE32", " 5  2EE0", " 6  25AC", " 7  2F18",
            " 8  9F38", " 9  4A56", "10  93AC", "11  1FDA", "12  CA21", "13  FC6C"};
    EXPECT_EQ(trace.lines, expected);
}

TEST(FrameCrc, IgnoresAndZeroesTheCrcBytes)
{
    Frame a = frameOf({1, 2, 3});
    Frame b = a;
    b[14] = 0x12;
    b[15] = 0x34;
    NullTextSink none;
    EXPECT_EQ(FrameCrc(a, none), FrameCrc(b, none));
    EXPECT_EQ(b[14], 0);
    EXPECT_EQ(b[15], 0);
}

// An independent, table-driven CRC-16/CCITT-FALSE to compare the bitwise one against.
std::uint16_t tableCrc(const std::uint8_t* data, std::size_t n)
{
    static const auto table = [] {
        std::array<std::uint16_t, 256> t {};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned v = i << 8;
            for (int k = 0; k < 8; ++k)
                v = (v & 0x8000) ? ((v << 1) ^ 0x1021) : (v << 1);
            t[i] = static_cast<std::uint16_t>(v);
        }
        return t;
    }();
    unsigned crc = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i)
        crc = ((crc << 8) ^ table[((crc >> 8) ^ data[i]) & 0xFF]) & 0xFFFF;
    return static_cast<std::uint16_t>(crc);
}

TEST(FrameCrc, MatchesTableDrivenCrcOnRandomFrames)
{
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    NullTextSink none;
    for (int run = 0; run < 20000; ++run) {
        Frame f;
        for (auto& b : f)
            b = static_cast<std::uint8_t>(byte(rng));
        const std::uint16_t expected = tableCrc(f.data(), 14);
        ASSERT_EQ(FrameCrc(f, none), expected) << "run " << run;
    }
}

} // namespace
} // namespace tarvel
