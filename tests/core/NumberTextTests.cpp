// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/NumberText.h"

#include <gtest/gtest.h>

#include <climits>

namespace tarvel {
namespace {

TEST(DecText, PadsWithBlanksAndNeverCuts)
{
    EXPECT_EQ(DecText(5, 3), "  5");
    EXPECT_EQ(DecText(123, 2), "123");
    EXPECT_EQ(DecText(-7, 3), " -7");
    EXPECT_EQ(DecText(7, 0), "7");
    EXPECT_EQ(DecText(0, 1), "0");
    EXPECT_EQ(DecText(INT_MIN, 3), "-2147483648");
}

TEST(DecText, NegativeWidthPadsWithZerosInFrontOfTheSign)
{
    EXPECT_EQ(DecText(5, -3), "005");
    EXPECT_EQ(DecText(-5, -4), "00-5");
    EXPECT_EQ(DecText(1234, -2), "1234");
    EXPECT_EQ(DecText(7, -1), "7");
}

TEST(HexText, UpperCaseFixedWidth)
{
    EXPECT_EQ(HexDigit(0x0A), 'A');
    EXPECT_EQ(HexDigit(0xF3), '3'); // only the low nibble counts
    EXPECT_EQ(ByteHex(0), "00");
    EXPECT_EQ(ByteHex(255), "FF");
    EXPECT_EQ(ByteHex(60), "3C");
    EXPECT_EQ(WordHex(3708), "0E7C");
    EXPECT_EQ(WordHex(65535), "FFFF");
    EXPECT_EQ(WordHex(0), "0000");
}

} // namespace
} // namespace tarvel
