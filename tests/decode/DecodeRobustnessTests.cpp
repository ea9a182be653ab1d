// SPDX-License-Identifier: GPL-3.0-or-later
// Every impairment a recording meets, made in code from the real generator's output: each
// case decodes many random frames and every one of them must come back exactly.

#include "SignalLab.h"
#include "decode/RecordingReader.h"
#include "frame/FrameBuild.h"

#include <gtest/gtest.h>

#include <functional>
#include <numbers>

namespace tarvel {
namespace {

struct Recording {
    std::vector<float> samples;
    double rate = 16'000.0;
};

using MakeRecording = std::function<Recording(const Frame&, std::mt19937&)>;

// Decodes `count` random frames made by `make`; all must come back exactly with "CRC ok".
void expectEveryFrame(
    const char* what, int count, const MakeRecording& make, bool anyFrame = false, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const Frame frame = anyFrame ? lab::randomAnyFrame(rng) : lab::randomFrame(rng);
        const Recording rec = make(frame, rng);
        const DecodeResult r = decodeSamples(rec.samples, rec.rate);
        if (!r.crcOk() || r.frame != frame) {
            if (++failures <= 3)
                ADD_FAILURE() << what << ": frame " << frameHex(frame) << " read as " << frameHex(r.frame)
                              << " (outcome " << static_cast<int>(r.outcome) << ", " << r.reason << ")";
        }
    }
    EXPECT_EQ(failures, 0) << what << ": " << failures << " of " << count << " frames lost";
}

double randomAlfa(std::mt19937& rng)
{
    return std::uniform_real_distribution<double>(0.05, 1.0)(rng);
}

// Silence around a send, as a recording made with a little slack has.
Recording padded(std::vector<float> s, std::mt19937& rng, double rate = 16'000.0)
{
    return {lab::pad(s, rate, 0.3, 0.3, 0.0, rng), rate};
}

// Every setting the window allows, Alfa 0.01 (the slowest glide) to 1, and the filter off,
// on the first send of a run and on a later one that starts from the filter's stale state.
TEST(DecodeRobustness, FilterOnAtEveryAlfaAndOffFirstAndLaterSends)
{
    for (double alfa : {0.01, 0.02, 0.05, 0.2, 0.5, 1.0}) {
        expectEveryFrame(("Alfa " + std::to_string(alfa)).c_str(), 25,
            [alfa](const Frame& f, std::mt19937& rng) { return padded(lab::send(f, true, alfa), rng); });
        expectEveryFrame(("Alfa " + std::to_string(alfa) + ", later send").c_str(), 10,
            [alfa](const Frame& f, std::mt19937& rng) {
                GeneratorState g;
                lab::send(lab::randomFrame(rng), g, rng() % 2 == 0, alfa);
                return padded(lab::send(f, g, true, alfa), rng);
            });
    }
    expectEveryFrame(
        "filter off", 25, [](const Frame& f, std::mt19937& rng) { return padded(lab::send(f, false), rng); });
}

// Alfa 0 holds the phase still: only the tail carries a tone, which is no lead-in.
TEST(DecodeRobustness, AlfaZeroIsNoSignal)
{
    std::mt19937 rng(12);
    const DecodeResult r
        = decodeSamples(padded(lab::send(lab::randomFrame(rng), true, 0.0), rng).samples, 16'000.0);
    EXPECT_EQ(r.outcome, DecodeOutcome::NoSignal) << r.reason;
}

// A sound card or a resampling chain 3 % fast or slow: the tones move by up to 27 Hz.
TEST(DecodeRobustness, ClockThreePercentFastOrSlow)
{
    for (double skew : {-0.03, -0.02, 0.02, 0.03}) {
        expectEveryFrame(
            ("clock " + std::to_string(skew)).c_str(), 8, [skew](const Frame& f, std::mt19937& rng) {
                std::vector<float> s = lab::resample(lab::send(f), 16'000.0 * (1.0 + skew), 16'000.0);
                lab::addNoiseAtSnr(s, 3.0, rng);
                return padded(std::move(s), rng);
            });
    }
}

// Near the limit, where only deciding the whole sequence at once reads nearly every frame; none
// may come back wrong.
TEST(DecodeRobustness, WhiteNoiseAtMinus12DbSnr)
{
    std::mt19937 rng(31);
    int right = 0;
    for (int i = 0; i < 40; ++i) {
        const Frame f = lab::randomFrame(rng);
        std::vector<float> s = lab::send(f);
        lab::addNoiseAtSnr(s, -12.0, rng);
        const DecodeResult r = decodeSamples(s, 16'000.0);
        EXPECT_FALSE(r.crcOk() && r.frame != f) << "a wrong frame passed: " << frameHex(r.frame);
        right += r.crcOk() && r.frame == f;
    }
    EXPECT_GE(right, 38);
}

TEST(DecodeRobustness, ResampledToCommonRates)
{
    for (double rate : {8000.0, 11025.0, 22050.0, 44100.0, 48000.0}) {
        expectEveryFrame(
            ("rate " + std::to_string(rate)).c_str(), 30, [rate](const Frame& f, std::mt19937& rng) {
                const std::vector<float> s = lab::send(f, rng() % 2 == 0, randomAlfa(rng));
                return Recording {
                    lab::resample(lab::pad(s, 16'000.0, 0.2, 0.2, 0.0, rng), 16'000.0, rate), rate};
            });
    }
}

TEST(DecodeRobustness, LevelsFromMinus40DbfsToFullScaleAfter16BitRounding)
{
    for (double dbfs : {-40.0, -26.0, -12.0, 0.0}) {
        expectEveryFrame(
            ("level " + std::to_string(dbfs)).c_str(), 20, [dbfs](const Frame& f, std::mt19937& rng) {
                std::vector<float> s = lab::send(f);
                lab::gain(s, std::pow(10.0, dbfs / 20.0) * 32767.0 / 30000.0); // peak at the level asked
                for (float& v : s) // what a 16-bit file keeps
                    v = std::round(v * 32767.0f) / 32767.0f;
                return padded(std::move(s), rng);
            });
    }
}

TEST(DecodeRobustness, WhiteNoiseDownTo3DbSnr)
{
    expectEveryFrame("3 dB SNR", 400, [](const Frame& f, std::mt19937& rng) {
        std::vector<float> s = lab::send(f, rng() % 4 != 0, randomAlfa(rng));
        lab::addNoiseAtSnr(s, 3.0, rng);
        return Recording {std::move(s), 16'000.0};
    });
    expectEveryFrame("3 dB SNR, noise before and after", 30, [](const Frame& f, std::mt19937& rng) {
        std::vector<float> s = lab::send(f);
        const double noise = lab::meanSquare(s) / std::pow(10.0, 0.3);
        std::vector<float> rec = lab::pad(s, 16'000.0, 1.0, 1.0, noise, rng);
        lab::addNoise(std::span(rec).subspan(16'000, s.size()), noise, rng);
        return Recording {std::move(rec), 16'000.0};
    });
}

TEST(DecodeRobustness, DcOffsetAndInvertedPolarity)
{
    expectEveryFrame("DC +10 %", 20, [](const Frame& f, std::mt19937& rng) {
        std::vector<float> s = lab::send(f);
        lab::gain(s, 0.85);
        Recording r = padded(std::move(s), rng);
        lab::offset(r.samples, 0.1f);
        return r;
    });
    expectEveryFrame("DC -10 % with 3 dB SNR", 20, [](const Frame& f, std::mt19937& rng) {
        std::vector<float> s = lab::send(f);
        lab::addNoiseAtSnr(s, 3.0, rng);
        lab::offset(s, -0.1f);
        return Recording {std::move(s), 16'000.0};
    });
    expectEveryFrame("inverted", 20, [](const Frame& f, std::mt19937& rng) {
        std::vector<float> s = lab::send(f);
        lab::gain(s, -1.0);
        return padded(std::move(s), rng);
    });
}

TEST(DecodeRobustness, ClockSkewIsReportedWithItsSign)
{
    std::mt19937 rng(5);
    for (double skew : {-0.005, 0.003, 0.03}) {
        const std::vector<float> s
            = lab::resample(lab::send(lab::randomFrame(rng)), 16'000.0 * (1.0 + skew), 16'000.0);
        const DecodeResult r = decodeSamples(s, 16'000.0);
        ASSERT_TRUE(r.crcOk());
        EXPECT_NEAR(r.report.clockSkew_percent, skew * 100.0, 0.02);
    }
}

TEST(DecodeRobustness, UpToTenSecondsOfSilenceOrNoiseAround)
{
    expectEveryFrame("silence or noise around", 30, [](const Frame& f, std::mt19937& rng) {
        const std::vector<float> s = lab::send(f);
        const double noise = rng() % 2 ? lab::meanSquare(s) / 10.0 : 0.0;
        std::uniform_real_distribution<double> seconds(0.0, 10.0);
        return Recording {lab::pad(s, 16'000.0, seconds(rng), seconds(rng), noise, rng), 16'000.0};
    });
}

// A crackle of another tone late in the lead-in looks like its end; the frame read from
// there fails, and the rest of the lead-in is too short to count as one on its own.
TEST(DecodeRobustness, LeadInBrokenForAMomentByAnotherTone)
{
    expectEveryFrame("lead-in broken at 0.65 s", 10, [](const Frame& f, std::mt19937& rng) {
        std::vector<float> s = lab::send(f);
        for (std::size_t n = 10'400; n < 11'200; ++n) // 50 ms of 889 Hz at full level
            s[n] = 0.9f
                * static_cast<float>(
                    std::sin(2.0 * std::numbers::pi * 889.0 * static_cast<double>(n) / 16'000.0));
        return padded(std::move(s), rng);
    });
}

TEST(DecodeRobustness, SecondSendContinuesThePhase)
{
    expectEveryFrame("second send alone", 50, [](const Frame& f, std::mt19937& rng) {
        GeneratorState g;
        lab::send(lab::randomFrame(rng), g);
        return padded(lab::send(f, g), rng);
    });
    // Two sends in one recording: the first whole one is the frame read.
    expectEveryFrame("first of two sends", 10, [](const Frame& f, std::mt19937& rng) {
        GeneratorState g;
        std::vector<float> both = lab::send(f, g);
        const std::vector<float> second = lab::send(lab::randomFrame(rng), g);
        both.insert(both.end(), second.begin(), second.end());
        return padded(std::move(both), rng);
    });
}

TEST(DecodeRobustness, FramesWhoseFirstBitIsOne)
{
    // The first symbol then sounds like the lead-in and merges with it.
    expectEveryFrame(
        "any first bit", 100, [](const Frame& f, std::mt19937& rng) { return padded(lab::send(f), rng); },
        true);
    expectEveryFrame(
        "any first bit, 3 dB SNR", 100,
        [](const Frame& f, std::mt19937& rng) {
            std::vector<float> s = lab::send(f);
            lab::addNoiseAtSnr(s, 3.0, rng);
            return Recording {std::move(s), 16'000.0};
        },
        true, 7);
}

TEST(DecodeRobustness, EverythingAtOnce)
{
    expectEveryFrame(
        "48 kHz, clock +0.4 %, 3 dB SNR, DC, inverted, quiet", 10, [](const Frame& f, std::mt19937& rng) {
            std::vector<float> s = lab::send(f, true, 0.05);
            lab::addNoiseAtSnr(s, 3.0, rng);
            lab::gain(s, -0.05);
            std::vector<float> r
                = lab::resample(lab::pad(s, 16'000.0, 2.0, 1.0, 0.0, rng), 16'000.0 * 1.004, 48'000.0);
            lab::offset(r, 0.1f);
            return Recording {std::move(r), 48'000.0};
        });
}

} // namespace
} // namespace tarvel
