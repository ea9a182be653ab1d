// SPDX-License-Identifier: GPL-3.0-or-later
#include "signal/TestTone.h"
#include "signal/ToneSignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace tarvel {
namespace {

// The tone a volume is set by must be the signal's level and pitch, and must not click.
TEST(TestTone, LevelPitchLengthAndFades)
{
    struct Case {
        int hz;
        int seconds;
    };
    for (const Case c : {Case {615, 1}, Case {470, 2}, Case {3000, 1}}) {
        const auto s = testToneSamples(c.hz, c.seconds);
        ASSERT_EQ(s.size(), static_cast<std::size_t>(c.seconds) * kSampleRate_hz) << c.hz;
        const auto [low, high] = std::minmax_element(s.begin(), s.end());
        EXPECT_NEAR(*high, kAmplitude, kAmplitude * 0.01) << c.hz;
        EXPECT_NEAR(*low, -kAmplitude, kAmplitude * 0.01) << c.hz;
        int rises = 0;
        for (std::size_t i = 1; i < s.size(); ++i)
            rises += s[i - 1] < 0 && s[i] >= 0;
        EXPECT_NEAR(rises, c.hz * c.seconds, 2) << c.hz;
        // 10 ms fades: the ends start and stop near silence.
        EXPECT_LT(std::abs(s.front()), 100) << c.hz;
        EXPECT_LT(std::abs(s.back()), 100) << c.hz;
        EXPECT_LT(std::abs(s[8]), kAmplitude / 10) << c.hz;
    }
    EXPECT_TRUE(testToneSamples(615, 0).empty());
}

} // namespace
} // namespace tarvel
