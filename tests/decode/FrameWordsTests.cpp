// SPDX-License-Identifier: GPL-3.0-or-later
// The frame build and the decoder's reading of a frame share one field table: every
// control's value, built into a frame and read back, comes out in its own unit under its
// own key. A field at the wrong index, with the wrong scale or the wrong gate shows here.

#include "decode/FrameWords.h"
#include "frame/FrameBuild.h"
#include "frame/FrameCheck.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tarvel {
namespace {

// What each control means, stated in the controls' own units: the setting and the JSON
// number a reader must see for it. Every value differs, so two swapped fields show.
struct ControlMeaning {
    const char* key;
    int FrameParameters::*value;
    bool FrameParameters::*gate;
    int setting;
    const char* shown;
};

const ControlMeaning kMeanings[] = {
    {"keying_mode", &FrameParameters::keyingMode, nullptr, 1, "\"VOX\""},
    {"pilot_tone_hz", &FrameParameters::pilot_hz, &FrameParameters::toneEnabled, 1460, "1460"},
    {"vox_threshold_percent", &FrameParameters::voxThreshold, nullptr, 37, "3.7"}, // units of 0.1 %
    {"vox_release_ms", &FrameParameters::voxRelease_ms, nullptr, 1250, "1250"},
    {"max_transmit_s", &FrameParameters::maxTx_s, &FrameParameters::maxTxEnabled, 120, "120"},
    {"tx_delay_ms", &FrameParameters::txDelay, nullptr, 4, "400"}, // units of 100 ms
    {"pause_enter_s", &FrameParameters::pauseEnter_s, &FrameParameters::pauseEnabled, 45, "45"},
    {"pause_leave_ms", &FrameParameters::pauseExit, nullptr, 7, "700"}, // units of 100 ms
    {"max_activity_min", &FrameParameters::activity_min, &FrameParameters::activityEnabled, 90, "90"},
    {"ptt_first_press_s", &FrameParameters::firstPtt_s, &FrameParameters::carrierEnabled, 5, "5.0"},
    {"ptt_pause_s", &FrameParameters::pttPause_s, nullptr, 6, "6.0"},
    {"ptt_second_press_s", &FrameParameters::secondPtt_s, nullptr, 8, "8.0"},
};

std::map<std::string, std::string> readBack(const FrameParameters& p)
{
    std::map<std::string, std::string> json;
    for (const FrameParameterText& t : describeFrame(buildFrame(p)))
        json[t.key] = t.json;
    return json;
}

TEST(FrameWords, EveryControlRoundTripsThroughTheFrameInItsOwnUnit)
{
    FrameParameters p;
    for (const ControlMeaning& m : kMeanings) {
        p.*m.value = m.setting;
        if (m.gate != nullptr)
            p.*m.gate = true;
    }
    const auto json = readBack(p);
    EXPECT_EQ(json.size(), std::size(kMeanings)) << "a field the test does not know, or one read twice";
    for (const ControlMeaning& m : kMeanings)
        EXPECT_EQ(json.count(m.key) ? json.at(m.key) : "(missing)", m.shown) << m.key;
    EXPECT_TRUE(markersOk(buildFrame(p)));
}

TEST(FrameWords, AGatedValueWhoseBoxIsOffReadsAsOffAndLeavesTheOthers)
{
    for (const ControlMeaning& gated : kMeanings) {
        if (gated.gate == nullptr)
            continue;
        FrameParameters p;
        for (const ControlMeaning& m : kMeanings) {
            p.*m.value = m.setting;
            if (m.gate != nullptr)
                p.*m.gate = m.gate != gated.gate;
        }
        const auto json = readBack(p);
        for (const ControlMeaning& m : kMeanings)
            EXPECT_EQ(json.at(m.key), &m == &gated ? "null" : m.shown) << gated.key << " off, " << m.key;
    }
}

} // namespace
} // namespace tarvel
