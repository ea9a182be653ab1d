// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a recording of a send back: verified only when the frame that was sent comes
// back with its CRC, and otherwise the one word that says what went wrong.

#include "decode/SignalLab.h"
#include "frame/FrameBuild.h"
#include "sound-cli/SendVerdict.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace tarvel {
namespace {

constexpr double kRate = 16'000.0;

// A send as the monitor hears it: `gain` times the generator's samples, half a second of
// silence before and after, cut to 16 bits.
std::vector<std::int16_t> heard(const Frame& frame, double gain)
{
    const std::vector<float> signal = lab::send(frame);
    std::vector<std::int16_t> out(8'000, 0);
    for (float s : signal)
        out.push_back(static_cast<std::int16_t>(
            std::clamp(std::lround(static_cast<double>(s) * 32768.0 * gain), -32768L, 32767L)));
    out.insert(out.end(), 8'000, 0);
    return out;
}

const Frame kSent = buildFrame(FrameParameters {});

TEST(SendVerdict, TheSentFrameAtAGoodLevelIsVerifiedWithItsCrcAndLevel)
{
    const SendVerdict v = judgeRecording(heard(kSent, 0.5), kRate, kSent);
    EXPECT_EQ(v.check, SendCheck::Verified);
    EXPECT_EQ(
        v.line.rfind("verified: 01 02 05 01 06 00 00 3C 14 00 64 00 1E 28 FC 6C, CRC FC6C ok; level -9.", 0),
        0u)
        << v.line;
    EXPECT_TRUE(v.warnings.empty());
}

TEST(SendVerdict, AQuietButReadableSendIsVerifiedWithAWarningToRaiseTheVolume)
{
    const SendVerdict v = judgeRecording(heard(kSent, 0.02), kRate, kSent);
    EXPECT_EQ(v.check, SendCheck::Verified) << v.line;
    EXPECT_LT(v.level_dBFS, kLowLevel_dBFS);
    ASSERT_EQ(v.warnings.size(), 1u);
    EXPECT_NE(v.warnings[0].find("raise the output volume"), std::string::npos);
}

TEST(SendVerdict, AReadableSendThatHitsFullScaleIsVerifiedWithAWarningToLowerTheVolume)
{
    const SendVerdict v = judgeRecording(heard(kSent, 1.5), kRate, kSent);
    EXPECT_EQ(v.check, SendCheck::Verified) << v.line;
    ASSERT_EQ(v.warnings.size(), 1u);
    EXPECT_NE(v.warnings[0].find("lower the output volume"), std::string::npos);
}

TEST(SendVerdict, NothingAboveTheNoiseFloorIsSilent)
{
    std::vector<std::int16_t> hiss(80'000);
    for (std::size_t i = 0; i < hiss.size(); ++i)
        hiss[i] = static_cast<std::int16_t>(i % 3) - 1; // ±1: about -90 dBFS
    const SendVerdict v = judgeRecording(hiss, kRate, kSent);
    EXPECT_EQ(v.check, SendCheck::Silent);
    EXPECT_EQ(v.line.rfind("silent: ", 0), 0u);
    EXPECT_TRUE(
        judgeRecording(std::vector<std::int16_t>(80'000, 0), kRate, kSent).check == SendCheck::Silent);
}

TEST(SendVerdict, AnUnreadableRecordingAtFullScaleIsClippedAndOtherwiseDamaged)
{
    // A square wave at full scale carries no lead-in the decoder can find.
    std::vector<std::int16_t> square(80'000);
    for (std::size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 7) % 2 ? 32767 : -32768;
    const SendVerdict clipped = judgeRecording(square, kRate, kSent);
    EXPECT_EQ(clipped.check, SendCheck::Clipped);
    EXPECT_EQ(clipped.line.rfind("clipped: ", 0), 0u);

    // The same send cut off halfway through its symbols, at a sound level.
    std::vector<std::int16_t> cut = heard(kSent, 0.5);
    cut.resize(8'000 + 16'000 + 40 * 320);
    const SendVerdict damaged = judgeRecording(cut, kRate, kSent);
    EXPECT_EQ(damaged.check, SendCheck::Damaged);
    EXPECT_EQ(damaged.line.rfind("damaged: ", 0), 0u) << damaged.line;
}

// A hole the output played: the monitor hears silence in the middle of the signal, with
// an edge that may overshoot to full scale; it is named a dropout, whatever the peak.
TEST(SendVerdict, AHoleInsideTheSignalIsADropoutNotClipping)
{
    for (const bool overshoot : {false, true}) {
        SCOPED_TRACE(overshoot ? "edge at full scale" : "plain");
        std::vector<std::int16_t> holed = heard(kSent, 0.5);
        const std::size_t at = 8'000 + 40'000; // 2.5 s into the signal, among the symbols
        std::fill_n(holed.begin() + at, 1'088, std::int16_t {0}); // 68 ms
        if (overshoot)
            holed[at + 1'088] = 32'767;
        const SendVerdict v = judgeRecording(holed, kRate, kSent);
        EXPECT_EQ(v.check, SendCheck::Dropout) << v.line;
        EXPECT_EQ(v.line.rfind("dropout: the recording stops for 68 ms at 3.00 s inside the signal (", 0), 0u)
            << v.line;
    }
}

TEST(SendVerdict, AnotherFrameWithAGoodCrcIsDamagedNotVerified)
{
    FrameParameters other;
    other.pilot_hz = 1500;
    const SendVerdict v = judgeRecording(heard(buildFrame(other), 0.5), kRate, kSent);
    EXPECT_EQ(v.check, SendCheck::Damaged);
    EXPECT_NE(v.line.find("not the frame sent"), std::string::npos) << v.line;
}

} // namespace
} // namespace tarvel
