// SPDX-License-Identifier: GPL-3.0-or-later
// The tone-shift generator and the modulation filter: symbols, lengths, the exact
// samples, and the state that carries over from one send to the next.

#include "SignalTestSupport.h"

#include "frame/FrameBuild.h"
#include "signal/ToneSignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace tarvel {
namespace {

using testing::ProgramRun;
using testing::uniformFrame;

// Independent of the code under test: the tone table and the sample formula.
constexpr double kPi = std::numbers::pi;
double step(double f_hz)
{
    return 2.0 * kPi * f_hz / 16000.0;
}
std::int16_t sampleOf(double phase)
{
    return static_cast<std::int16_t>(std::nearbyint(std::sin(phase) * 30000.0));
}
int lengthOf(std::uint8_t symbol)
{
    return symbol == 0 ? 340 : symbol == 1 ? 312 : 324;
}
double frequencyOf(std::uint8_t symbol)
{
    return symbol == 0 ? 470.0 : symbol == 1 ? 615.0 : 889.0;
}

std::vector<int> firstSymbols(const Frame& frame, std::size_t count)
{
    const auto all = symbolSequence(frame);
    return {all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count)};
}

Frame defaultFrame()
{
    return buildFrame(FrameParameters {});
}

// A switch whose answers a test scripts, counting how often the generator asks.
class ScriptedSwitch final : public FilterSwitch {
public:
    explicit ScriptedSwitch(int onForCalls) : onForCalls_(onForCalls) { }
    bool isOn() const override { return calls_++ < onForCalls_; }
    int calls() const { return calls_; }

private:
    int onForCalls_;
    mutable int calls_ = 0;
};

TEST(SignalSymbols, MarkersOpenEveryFrameTheSameWay)
{
    EXPECT_EQ(firstSymbols(defaultFrame(), 16),
        (std::vector<int> {0, 2, 0, 2, 0, 2, 0, 1, 0, 2, 0, 2, 0, 2, 1, 0}));
    int span = 0;
    for (int s : firstSymbols(defaultFrame(), 16))
        span += lengthOf(static_cast<std::uint8_t>(s));
    EXPECT_EQ(span, 5288); // samples 16 000 .. 21 287
}

TEST(SignalSymbols, RepeatSymbolReplacesAnEqualNeighbour)
{
    Frame f {};
    f[0] = 0xFF;
    EXPECT_EQ(firstSymbols(f, 8), (std::vector<int> {1, 2, 1, 2, 1, 2, 1, 2}));
    f[0] = 0x00;
    EXPECT_EQ(firstSymbols(f, 8), (std::vector<int> {0, 2, 0, 2, 0, 2, 0, 2}));
    f[0] = 0x01; // ends on symbol 1, which carries into the next byte
    f[1] = 0xFF;
    EXPECT_EQ(firstSymbols(f, 16), (std::vector<int> {0, 2, 0, 2, 0, 2, 0, 1, 2, 1, 2, 1, 2, 1, 2, 1}));
}

TEST(SignalSymbols, DefaultFrameCountsAndLength)
{
    const Frame frame = defaultFrame();
    const auto symbols = symbolSequence(frame);
    EXPECT_EQ(std::count(symbols.begin(), symbols.end(), 0), 55);
    EXPECT_EQ(std::count(symbols.begin(), symbols.end(), 1), 21);
    EXPECT_EQ(std::count(symbols.begin(), symbols.end(), 2), 52);
    EXPECT_EQ(std::vector<int>(symbols.begin() + 16, symbols.begin() + 32),
        (std::vector<int> {2, 0, 2, 0, 2, 1, 0, 1, 0, 2, 0, 2, 0, 2, 0, 1}));
    EXPECT_EQ(signalLength(frame), 62100);
    ProgramRun run;
    EXPECT_EQ(run.send(frame), 62100);
    EXPECT_EQ(run.generator.sampleCount, 62100);
}

// Every frame: neighbouring symbols differ, the first is a bit, and N lies within the
// bounds, equals signalLength and is what FormFM produces.
TEST(SignalSymbols, RandomFramesStayWithinTheLengthBounds)
{
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> byte(0, 255);
    ProgramRun run;
    for (int i = 0; i < 2000; ++i) {
        Frame f;
        for (auto& b : f)
            b = static_cast<std::uint8_t>(byte(random));
        const auto symbols = symbolSequence(f);
        ASSERT_LT(symbols[0], 2);
        for (std::size_t k = 1; k < symbols.size(); ++k)
            ASSERT_NE(symbols[k], symbols[k - 1]);
        const std::int32_t n = signalLength(f);
        ASSERT_GE(n, 60704);
        ASSERT_LE(n, 62496);
        if (i < 20) {
            ASSERT_EQ(run.send(f), n);
        }
    }
    EXPECT_EQ(signalLength(uniformFrame(0xFF)), 60704);
    EXPECT_EQ(signalLength(uniformFrame(0x00)), 62496);
}

TEST(SignalSamples, FirstSamplesOfTheFirstSend)
{
    ProgramRun on;
    on.send(defaultFrame());
    EXPECT_EQ(std::vector<std::int16_t>(on.shared.samples.begin(), on.shared.samples.begin() + 3),
        (std::vector<std::int16_t> {1448, 4045, 7512}));
    // By hand: y1 = 0.2·s, y2 = 0.2·2s + 0.8·y1, y3 = 0.2·3s + 0.8·y2.
    const double s = step(615.0);
    const double y1 = 0.2 * s + 0.8 * 0.0;
    const double y2 = 0.2 * (s + s) + 0.8 * y1;
    const double y3 = 0.2 * (s + s + s) + 0.8 * y2;
    EXPECT_EQ(on.shared.samples[0], sampleOf(y1));
    EXPECT_EQ(on.shared.samples[1], sampleOf(y2));
    EXPECT_EQ(on.shared.samples[2], sampleOf(y3));
    EXPECT_NEAR(y1, 0.0483, 0.00005);

    ProgramRun off;
    off.filterSwitch.set(false);
    off.send(defaultFrame());
    EXPECT_EQ(std::vector<std::int16_t>(off.shared.samples.begin(), off.shared.samples.begin() + 3),
        (std::vector<std::int16_t> {7175, 13934, 19884}));
    EXPECT_EQ(off.shared.samples[2], sampleOf(s + s + s));
}

TEST(SignalSamples, TailStartsAtPhaseZeroOnEverySend)
{
    ProgramRun run;
    for (const Frame& f : {defaultFrame(), uniformFrame(0xFF), uniformFrame(0x00), defaultFrame()}) {
        const std::int32_t n = run.send(f);
        const auto tail = run.shared.samples.begin() + (n - 4000);
        EXPECT_EQ(tail[0], 7175);
        EXPECT_EQ(tail[1], 13934);
        double tailPhase = 0.0;
        for (int i = 0; i < 4000; ++i) {
            tailPhase = tailPhase + step(615.0);
            ASSERT_EQ(tail[i], sampleOf(tailPhase)) << "tail sample " << i;
        }
        EXPECT_LE(*std::max_element(run.shared.samples.begin(), run.shared.samples.begin() + n), 30000);
        EXPECT_GE(*std::min_element(run.shared.samples.begin(), run.shared.samples.begin() + n), -30000);
    }
}

// The raw phase accumulates one step per lead-in and symbol sample and is never reset:
// after a send it is exactly the sum (in sample order) over everything sent so far, and
// the next send's samples continue from it.
TEST(SignalSamples, PhaseContinuesFromSendToSend)
{
    ProgramRun run;
    run.filterSwitch.set(false);
    double phase = 0.0;
    auto accumulate = [&phase](const Frame& f) {
        for (int i = 0; i < 16000; ++i)
            phase = phase + step(615.0);
        for (std::uint8_t s : symbolSequence(f))
            for (int i = 0; i < lengthOf(s); ++i)
                phase = phase + step(frequencyOf(s));
    };
    const Frame frame = defaultFrame();
    run.send(frame);
    accumulate(frame);
    EXPECT_EQ(run.generator.phase, phase);
    const std::vector<std::int16_t> first(run.shared.samples.begin(), run.shared.samples.begin() + 62100);

    EXPECT_EQ(run.send(frame), 62100);
    EXPECT_EQ(run.shared.samples[0], sampleOf(phase + step(615.0)));
    const std::vector<std::int16_t> second(run.shared.samples.begin(), run.shared.samples.begin() + 62100);
    EXPECT_NE(std::vector<std::int16_t>(first.begin(), first.end() - 4000),
        std::vector<std::int16_t>(second.begin(), second.end() - 4000));
    EXPECT_EQ(std::vector<std::int16_t>(first.end() - 4000, first.end()),
        std::vector<std::int16_t>(second.end() - 4000, second.end()));
    accumulate(frame);
    EXPECT_EQ(run.generator.phase, phase);
}

TEST(SignalSamples, ShorterSendLeavesTheBufferBehindItAlone)
{
    ProgramRun run;
    const std::int32_t n1 = run.send(uniformFrame(0x00));
    const std::vector<std::int16_t> before(
        run.shared.samples.begin() + 60704, run.shared.samples.begin() + n1);
    const std::int32_t n2 = run.send(uniformFrame(0xFF));
    ASSERT_EQ(n2, 60704);
    EXPECT_EQ(
        std::vector<std::int16_t>(run.shared.samples.begin() + n2, run.shared.samples.begin() + n1), before);
    EXPECT_TRUE(std::all_of(
        run.shared.samples.begin() + n1, run.shared.samples.end(), [](auto v) { return v == 0; }));
}

TEST(SignalFilter, OffPassesThePhaseAndKeepsTheState)
{
    ProgramRun run;
    run.send(defaultFrame());
    const double state = run.generator.filtrState;
    run.filterSwitch.set(false);
    run.send(defaultFrame());
    EXPECT_EQ(run.generator.filtrState, state);
    EXPECT_EQ(run.generator.filteredPhase, run.generator.phase);
    EXPECT_TRUE(std::all_of(run.filterChart.points.begin(), run.filterChart.points.end(),
        [](const PlotPoint& p) { return p.y == 0.0; }));

    // Back on: the first filtered phase starts from the stale state, far behind, and
    // catches up within a few dozen samples.
    run.filterSwitch.set(true);
    const double x = run.generator.phase + step(615.0);
    run.send(defaultFrame());
    const double y = 0.2 * x + 0.8 * state;
    EXPECT_EQ(run.shared.samples[0], sampleOf(y));
    EXPECT_EQ(run.filterChart.points.front().y, x - y);
    EXPECT_GT(run.filterChart.points[0].y, 1000.0);
    EXPECT_NEAR(run.filterChart.points[100].y, 0.2415 * 0.8 / 0.2, 0.001); // settled lag at 615 Hz
}

TEST(SignalFilter, SwitchIsReadForEverySample)
{
    SharedState shared;
    shared.frame = defaultFrame();
    GeneratorState generator;
    ScriptedSwitch sw(10); // on for the first ten samples, then off
    PointsSink filterChart, signalChart;
    SignalContext ctx {shared, generator, sw, filterChart, signalChart};
    FormFM(ctx);
    EXPECT_EQ(sw.calls(), 62100 - 4000);
    EXPECT_NE(filterChart.points[9].y, 0.0);
    EXPECT_EQ(filterChart.points[10].y, 0.0);
    double raw = 0.0;
    for (int i = 0; i < 11; ++i)
        raw = raw + step(615.0);
    EXPECT_EQ(shared.samples[10], sampleOf(raw)); // unfiltered from here on
    EXPECT_EQ(generator.filteredPhase, generator.phase);
}

TEST(SignalFilter, AlfaOneEqualsFilterOff)
{
    ProgramRun one;
    one.shared.alfa = 1.0;
    ProgramRun off;
    off.filterSwitch.set(false);
    for (int send = 0; send < 2; ++send) {
        one.send(defaultFrame());
        off.send(defaultFrame());
        EXPECT_EQ(std::vector<std::int16_t>(one.shared.samples.begin(), one.shared.samples.begin() + 62100),
            std::vector<std::int16_t>(off.shared.samples.begin(), off.shared.samples.begin() + 62100));
        EXPECT_TRUE(std::all_of(one.filterChart.points.begin(), one.filterChart.points.end(),
            [](const PlotPoint& p) { return p.y == 0.0; }));
        EXPECT_EQ(one.generator.filtrState, one.generator.phase); // the state follows the phase
    }
}

TEST(SignalFilter, AlfaZeroFreezesEverythingButTheTail)
{
    ProgramRun run;
    run.shared.alfa = 0.0;
    const std::int32_t n = run.send(defaultFrame());
    EXPECT_TRUE(std::all_of(
        run.shared.samples.begin(), run.shared.samples.begin() + (n - 4000), [](auto v) { return v == 0; }));
    EXPECT_EQ(run.shared.samples[static_cast<std::size_t>(n - 4000)], 7175);
    const auto& pts = run.filterChart.points;
    for (std::size_t i = 1; i < pts.size(); ++i)
        ASSERT_GT(pts[i].y, pts[i - 1].y) << "the plotted difference grows steadily";
}

TEST(SignalFilter, LagSettlesAtEachTone)
{
    // Lags s·(1 − Alfa)/Alfa: 0.738, 0.966 and 1.396 rad for the three tones.
    ProgramRun run;
    run.send(uniformFrame(0x00)); // 0 2 0 2 ...: symbol 0 first, then 2
    const auto& pts = run.filterChart.points;
    EXPECT_NEAR(pts[15999].y, 0.966, 0.001);
    EXPECT_NEAR(pts[16000 + 339].y, 0.738, 0.001);
    EXPECT_NEAR(pts[16000 + 340 + 323].y, 1.396, 0.001);
}

TEST(SignalCharts, OnePointPerFilteredSampleAndPerSample)
{
    ProgramRun run;
    run.signalChart.addPoint(-1.0, 99.0); // left over from an earlier send: must go
    for (const Frame& f : {uniformFrame(0x00), defaultFrame()}) {
        const std::int32_t n = run.send(f);
        ASSERT_EQ(run.filterChart.points.size(), static_cast<std::size_t>(n - 4000));
        ASSERT_EQ(run.signalChart.points.size(), static_cast<std::size_t>(n));
        for (std::size_t i = 0; i < run.filterChart.points.size(); ++i)
            ASSERT_EQ(run.filterChart.points[i].x, static_cast<double>(i));
        for (std::size_t i = 0; i < run.signalChart.points.size(); ++i) {
            ASSERT_EQ(run.signalChart.points[i].x, static_cast<double>(i));
            ASSERT_EQ(run.signalChart.points[i].y, run.shared.samples[i]);
        }
    }
}

} // namespace
} // namespace tarvel
