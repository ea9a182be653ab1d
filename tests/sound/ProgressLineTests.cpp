// SPDX-License-Identifier: GPL-3.0-or-later
// The progress of a sound on the command line: a bar redrawn in place on a terminal, one
// plain line per whole second (and one at the end) anywhere else.

#include "sound-cli/ProgressLine.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarvel::cli {
namespace {

TEST(ProgressLine, BarFillsInProportionAndNamesTheSecondsInTenths)
{
    EXPECT_EQ(ProgressLine::bar(0, 4'923'000, 10), "[..........] 0.0 of 4.9 s");
    EXPECT_EQ(ProgressLine::bar(2'461'500, 4'923'000, 10), "[#####.....] 2.5 of 4.9 s");
    EXPECT_EQ(ProgressLine::bar(9'000'000, 4'923'000, 10), "[##########] 4.9 of 4.9 s"); // never past the end
    EXPECT_EQ(ProgressLine::bar(-5, 4'923'000, 4), "[....] 0.0 of 4.9 s");
}

TEST(ProgressLine, WithoutATerminalOneLinePerSecondAndOneAtTheEnd)
{
    std::ostringstream out;
    ProgressLine line(out, false);
    for (std::int64_t at = 0; at <= 4'923'000; at += 50'000)
        line.update(at, 4'923'000);
    line.update(4'923'000, 4'923'000);
    line.update(4'923'000, 4'923'000);
    line.finish();
    EXPECT_EQ(out.str(),
        "played 0.0 of 4.9 s\nplayed 1.0 of 4.9 s\nplayed 2.0 of 4.9 s\nplayed 3.0 of 4.9 s\n"
        "played 4.0 of 4.9 s\nplayed 4.9 of 4.9 s\n");
}

TEST(ProgressLine, OnATerminalTheBarIsRedrawnInPlaceAndEndedWithANewline)
{
    std::ostringstream out;
    ProgressLine line(out, true);
    line.update(0, 1'000'000);
    line.update(1'000'000, 1'000'000);
    line.finish();
    const std::string text = out.str();
    EXPECT_EQ(text.front(), '\r');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 2);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    EXPECT_EQ(text.back(), '\n');
}

} // namespace
} // namespace tarvel::cli
