// SPDX-License-Identifier: GPL-3.0-or-later
#include "frame/Crc16.h"
#include "frame/FrameBuild.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

struct Listings {
    LinesSink trace, values, frame;
    FrameViews views() { return {trace, values, frame}; }
};

TEST(FrameBuild, DefaultFrame)
{
    EXPECT_EQ(frameHex(buildFrame(FrameParameters {})), "01 02 05 01 06 00 00 3C 14 00 64 00 1E 28 FC 6C");
}

TEST(FrameBuild, InitialFrameBeforeTheFirstBuild)
{
    const Frame initial = initialFrame();
    EXPECT_EQ(frameHex(initial), "00 00 00 00 00 00 00 00 00 00 00 00 00 00 EE FF");
    LinesSink dump;
    writeByteDump(initial, dump);
    ASSERT_EQ(dump.lines.size(), 16u);
    EXPECT_EQ(dump.lines[14], " 14  EE");
    EXPECT_EQ(dump.lines[15], " 15  FF");
}

TEST(FrameBuild, KeyingModeAndGatedMaximumTransmitTime)
{
    FrameParameters vox;
    vox.keyingMode = 1;
    Frame f = buildFrame(vox);
    EXPECT_EQ(f[5], 1);

    FrameParameters limited;
    limited.maxTxEnabled = true;
    f = buildFrame(limited);
    EXPECT_EQ(f[6], kMaxTransmitRange_s.initial);

    FrameParameters gatedOff; // the value is set but its box is off
    gatedOff.maxTx_s = 200;
    EXPECT_EQ(buildFrame(gatedOff)[6], 0);
}

TEST(FrameBuild, ScalingAndTruncation)
{
    FrameParameters p;
    p.voxRelease_ms = 3000;
    EXPECT_EQ(buildFrame(p)[4], 60);
    p.voxRelease_ms = 49;
    EXPECT_EQ(buildFrame(p)[4], 0);
    p.pilot_hz = 300;
    EXPECT_EQ(buildFrame(p)[10], 15);
    p.pilot_hz = 3000;
    EXPECT_EQ(buildFrame(p)[10], 150);
    p.pilot_hz = 2010;
    EXPECT_EQ(buildFrame(p)[10], 100);
    p.toneEnabled = false;
    EXPECT_EQ(buildFrame(p)[10], 0);
}

TEST(FrameBuild, PttDurationsWrapModulo256)
{
    FrameParameters p;
    p.pttPause_s = 26;
    p.secondPtt_s = 25;
    p.firstPtt_s = 255;
    Frame f = buildFrame(p);
    EXPECT_EQ(f[12], 4);
    EXPECT_EQ(f[13], 250);
    EXPECT_EQ(f[11], 0); // CheckBox_10 off
    p.carrierEnabled = true;
    EXPECT_EQ(buildFrame(p)[11], 246);
}

TEST(FrameBuild, HiddenGroupGatesAndUngatedValues)
{
    FrameParameters p;
    p.pauseEnabled = false; // gates SpinEdit_6 only; SpinEdit_7 still counts
    p.activityEnabled = true;
    Frame f = buildFrame(p);
    EXPECT_EQ(f[7], 0);
    EXPECT_EQ(f[8], 20);
    EXPECT_EQ(f[9], 50);
}

TEST(FrameBuild, ValuesKeepTheirLowEightBits)
{
    FrameParameters p;
    p.voxThreshold = 300;
    p.keyingMode = -1;
    Frame f = buildFrame(p);
    EXPECT_EQ(f[2], 44); // 300 = 0x12C
    EXPECT_EQ(f[5], 0xFF);
}

TEST(FrameBuild, ListingsOfTheDefaultFrame)
{
    Listings l;
    Frame frame = initialFrame();
    EXPECT_EQ(buildFrame(frame, FrameParameters {}, l.views()), 0xFC6C);
    const std::vector<std::string> values
        = {" 2 -   5", " 3 -   1", " 4 -   6", " 5 -   0", " 8 -  20", " 9 -   0", "10 - 100", "11 -   0"};
    EXPECT_EQ(l.values.lines, values);
    ASSERT_EQ(l.frame.lines.size(), 16u);
    EXPECT_EQ(l.frame.lines[0], " 0    1");
    EXPECT_EQ(l.frame.lines[7], " 7   60");
    EXPECT_EQ(l.frame.lines[15], "15  108");
    // The trace is the CRC's own (CrcTests), of the bytes just built.
    Frame body = frameBody(FrameParameters {});
    LinesSink crcTrace;
    FrameCrc(body, crcTrace);
    EXPECT_EQ(l.trace.lines, crcTrace.lines);

    LinesSink dump;
    writeByteDump(frame, dump);
    EXPECT_EQ(dump.lines[0], "  0  01");
    EXPECT_EQ(dump.lines[7], "  7  3C");
    EXPECT_EQ(dump.lines[14], " 14  FC");
}

TEST(FrameBuild, RebuildingReplacesInsteadOfAccumulating)
{
    Listings first, second;
    Frame frame = initialFrame();
    buildFrame(frame, FrameParameters {}, first.views());
    const Frame once = frame;
    // Build again into the same views: they must be refilled, not appended to.
    buildFrame(frame, FrameParameters {}, first.views());
    buildFrame(frame, FrameParameters {}, second.views());
    EXPECT_EQ(frame, once);
    EXPECT_EQ(first.values.lines, second.values.lines);
    EXPECT_EQ(first.frame.lines, second.frame.lines);
    EXPECT_EQ(first.trace.lines, second.trace.lines);
    EXPECT_EQ(first.frame.lines.size(), 16u);
}

} // namespace
} // namespace tarvel

namespace tarvel {
namespace {

// The quiet build (no listings) and the listed build must give the same bytes.
TEST(FrameBuild, QuietAndListedBuildsAgree)
{
    FrameParameters p;
    for (int threshold = 1; threshold <= 100; threshold += 33) {
        for (int mode = 0; mode <= 1; ++mode) {
            p.voxThreshold = threshold;
            p.keyingMode = mode;
            p.maxTxEnabled = mode == 1;
            Frame listed = initialFrame();
            LinesSink a, b, c;
            buildFrame(listed, p, FrameViews {a, b, c});
            EXPECT_EQ(buildFrame(p), listed);
        }
    }
}

} // namespace
} // namespace tarvel
