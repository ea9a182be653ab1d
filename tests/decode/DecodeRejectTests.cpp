// SPDX-License-Identifier: GPL-3.0-or-later
// What is not a whole send must be reported as what it is, and never as a frame with
// "CRC ok": noise, silence, a recording that missed the lead-in, one cut short.

#include "SignalLab.h"
#include "decode/FrameDemodulator.h"
#include "decode/RecordingReader.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

std::vector<float> noise(double seconds, double rate, std::mt19937& rng)
{
    std::vector<float> x(static_cast<std::size_t>(seconds * rate), 0.0f);
    lab::addNoise(x, 0.1, rng);
    return x;
}

TEST(DecodeReject, NoiseSilenceAndNothingAreNoSignal)
{
    std::mt19937 rng(3);
    for (double rate : {8000.0, 16000.0, 44100.0}) {
        for (int i = 0; i < 5; ++i) {
            const DecodeResult r = decodeSamples(noise(6.0, rate, rng), rate);
            EXPECT_EQ(r.outcome, DecodeOutcome::NoSignal) << rate;
            EXPECT_FALSE(r.crcOk());
        }
    }
    EXPECT_EQ(decodeSamples(std::vector<float>(80'000, 0.0f), 16'000.0).outcome, DecodeOutcome::NoSignal);
    EXPECT_EQ(decodeSamples({}, 16'000.0).outcome, DecodeOutcome::NoSignal);
    const std::vector<float> bad = {std::nanf(""), INFINITY, -INFINITY, 1e30f};
    EXPECT_EQ(decodeSamples(bad, 16'000.0).outcome, DecodeOutcome::NoSignal);
    EXPECT_FALSE(decodeSamples({}, 16'000.0).reason.empty());
}

TEST(DecodeReject, RateOutsideEightToNinetySixKilohertzIsRefused)
{
    EXPECT_THROW(decodeSamples({}, 7'999.0), RecordingError);
    EXPECT_THROW(decodeSamples({}, 96'001.0), RecordingError);
    EXPECT_NO_THROW(decodeSamples({}, 96'000.0));
}

TEST(DecodeReject, MissingLeadInIsSaidSo)
{
    std::mt19937 rng(4);
    for (int i = 0; i < 10; ++i) {
        std::vector<float> s = lab::send(lab::randomFrame(rng));
        s.erase(s.begin(), s.begin() + kLeadInSamples - 1'600); // 0.1 s of lead-in left
        const DecodeResult r = decodeSamples(lab::pad(s, 16'000.0, 0.5, 0.5, 0.0, rng), 16'000.0);
        EXPECT_EQ(r.outcome, DecodeOutcome::NoLeadIn) << r.reason;
        EXPECT_FALSE(r.crcOk());
    }
}

TEST(DecodeReject, CutShortIsEndsEarlyWithTheSymbolsThatCame)
{
    std::mt19937 rng(5);
    for (int i = 0; i < 20; ++i) {
        const Frame f = lab::randomFrame(rng);
        std::vector<float> s = lab::send(f);
        const auto cut = static_cast<std::size_t>(kLeadInSamples) + 3'000 + rng() % 38'000;
        s.resize(cut);
        // Cut at the end of the file, or followed by silence or by noise.
        if (i % 3 == 1)
            s.resize(cut + 32'000, 0.0f);
        if (i % 3 == 2) {
            std::vector<float> tail = noise(2.0, 16'000.0, rng);
            lab::gain(tail, 0.3);
            s.insert(s.end(), tail.begin(), tail.end());
        }
        const DecodeResult r = decodeSamples(s, 16'000.0);
        EXPECT_FALSE(r.crcOk()) << "cut at " << cut;
        EXPECT_EQ(r.outcome, DecodeOutcome::EndsEarly) << "cut at " << cut << ": " << r.reason;
        const int symbolsSent = static_cast<int>((cut - kLeadInSamples) / 340); // at least this many whole
        EXPECT_GE(r.symbolsRead, symbolsSent - 1) << r.reason;
        EXPECT_LT(r.symbolsRead, 128);
    }
    std::vector<float> leadOnly = lab::send(lab::randomFrame(rng));
    leadOnly.resize(12'000);
    const DecodeResult r = decodeSamples(leadOnly, 16'000.0);
    EXPECT_EQ(r.outcome, DecodeOutcome::EndsEarly);
    EXPECT_EQ(r.symbolsRead, 0);
    EXPECT_NE(r.reason.find("lead-in"), std::string::npos);
}

TEST(DecodeReject, DamagedFrameIsReadAsSentWithItsCrcMismatch)
{
    std::mt19937 rng(6);
    Frame f = lab::randomFrame(rng);
    f[15] = static_cast<std::uint8_t>(f[15] ^ 0x01);
    const DecodeResult r = decodeSamples(lab::send(f), 16'000.0);
    EXPECT_EQ(r.outcome, DecodeOutcome::Decoded);
    EXPECT_FALSE(r.crcOk());
    EXPECT_EQ(r.frame, f);
    EXPECT_EQ(r.computedCrc, r.receivedCrc ^ 0x01);
}

TEST(DecodeReject, TruncatedFirstSendThenAWholeOneReadsTheWholeOne)
{
    std::mt19937 rng(8);
    GeneratorState g;
    std::vector<float> first = lab::send(lab::randomFrame(rng), g);
    first.resize(30'000);
    const Frame f = lab::randomFrame(rng);
    const std::vector<float> second = lab::send(f, g);
    first.resize(first.size() + 8'000, 0.0f);
    first.insert(first.end(), second.begin(), second.end());
    const DecodeResult r = decodeSamples(first, 16'000.0);
    EXPECT_TRUE(r.crcOk()) << r.reason;
    EXPECT_EQ(r.frame, f);
}

// A long recording costs the same small memory as a short one: the demodulator keeps only
// a few seconds of tone bins, whatever it is fed.
TEST(DecodeReject, TenMinutesStayInAFewSecondsOfBins)
{
    std::mt19937 rng(9);
    const double rate = 16'000.0;
    const Frame f = lab::randomFrame(rng);
    const std::vector<float> s = lab::send(f);
    FrameDemodulator demodulator(rate);
    std::size_t most = 0;
    std::vector<float> chunk(4096);
    std::normal_distribution<float> g(0.0f, 0.05f);
    // 9 minutes of noise, then a 615 Hz hum for 50 s (a lead-in that never ends), then the send.
    const auto hum = static_cast<std::size_t>(50.0 * rate);
    const auto noiseEnd = static_cast<std::size_t>(540.0 * rate);
    const std::size_t total = noiseEnd + hum + s.size();
    const double step = phaseStep(615.0) * 16'000.0 / rate;
    for (std::size_t at = 0; at < total; at += chunk.size()) {
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            const std::size_t n = at + i;
            float v = g(rng);
            if (n >= noiseEnd && n < noiseEnd + hum)
                v += 0.5f * static_cast<float>(std::sin(step * static_cast<double>(n)));
            else if (n >= noiseEnd + hum && n < total)
                v += s[n - noiseEnd - hum];
            chunk[i] = v;
        }
        demodulator.feed(chunk);
        most = std::max(most, demodulator.heldBins());
    }
    const DecodeResult r = demodulator.finish();
    // A hum longer than a lead-in runs straight into the send's lead-in: the frame is still read.
    EXPECT_TRUE(r.crcOk()) << r.reason;
    EXPECT_EQ(r.frame, f);
    const double heldSeconds = static_cast<double>(most) * 0.0005;
    EXPECT_LT(heldSeconds, 7.0) << most << " bins";
    EXPECT_LT(most * sizeof(ToneBin), 512u * 1024u);
}

} // namespace
} // namespace tarvel
