#include "frame/FrameBuild.h"
#include "signal/_5FormFM.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

TEST(GeneratorSmoke, FirstSamplesOfTheFirstSend)
{
    for (bool filterOn : {true, false}) {
        SharedState shared;
        shared.frame = buildFrame(FrameParameters{});
        GeneratorState gen;
        FixedFilterSwitch sw(filterOn);
        NullPlotSink none;
        SignalContext ctx{shared, gen, sw, none, none};
        EXPECT_EQ(FormFM(ctx), 62100);
        const std::vector<std::int16_t> first(shared.samples.begin(), shared.samples.begin() + 3);
        const std::vector<std::int16_t> expected =
            filterOn ? std::vector<std::int16_t>{1448, 4045, 7512} : std::vector<std::int16_t>{7175, 13934, 19884};
        EXPECT_EQ(first, expected);
        EXPECT_EQ(shared.samples[62100 - 4000], 7175);
    }
}

} // namespace
} // namespace tarvel
