// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: written and read back, refused whole when it is not one, the values a
// frame carries, and the JSON text it is made of.

#include "frame/FrameBuild.h"
#include "frame/SettingsFile.h"
#include "shared/JsonObject.h"
#include "shared/JsonText.h"

#include <gtest/gtest.h>

namespace tarvel {
namespace {

// The fields a settings file carries.
auto userFields(const FrameParameters& p)
{
    return std::tuple(p.keyingMode, p.pilot_hz, p.voxThreshold, p.voxRelease_ms, p.maxTxEnabled,
        p.maxTxEnabled ? p.maxTx_s : 0);
}

std::vector<FrameParameters> someSettings()
{
    FrameParameters vox;
    vox.keyingMode = static_cast<int>(KeyingMode::Vox);
    vox.voxThreshold = 23;
    vox.voxRelease_ms = 900;
    vox.maxTxEnabled = true;
    vox.maxTx_s = 45;
    FrameParameters bounds;
    bounds.pilot_hz = kPilotToneRange_hz.min;
    bounds.voxThreshold = kVoxThresholdRange.max;
    bounds.voxRelease_ms = kVoxReleaseRange_ms.min;
    bounds.maxTxEnabled = true;
    bounds.maxTx_s = kMaxTransmitRange_s.max;
    FrameParameters odd; // values between the frame's steps
    odd.pilot_hz = 2013;
    odd.voxThreshold = kVoxThresholdRange.min;
    odd.voxRelease_ms = 1234;
    return {FrameParameters {}, vox, bounds, odd};
}

TEST(SettingsFile, WhatIsWrittenReadsBackInEitherLayout)
{
    for (const FrameParameters& p : someSettings()) {
        for (SettingsLayout layout : {SettingsLayout::Indented, SettingsLayout::OneLine}) {
            FrameParameters read;
            read.maxTx_s = p.maxTx_s;
            EXPECT_EQ(readSettings(settingsJson(p, "R1 «Лес»", layout), read), "R1 «Лес»");
            EXPECT_EQ(userFields(read), userFields(p)) << settingsJson(p);
        }
    }
}

TEST(SettingsFile, TheLayoutThePageExports)
{
    FrameParameters p = someSettings()[1];
    EXPECT_EQ(settingsJson(p, "R1"),
        "{\n  \"format\": \"tarvel-settings\",\n  \"version\": 1,\n  \"name\": \"R1\",\n"
        "  \"keying_mode\": \"VOX\",\n  \"pilot_tone_hz\": 2000,\n  \"vox_threshold_percent\": 2.3,\n"
        "  \"vox_release_ms\": 900,\n  \"max_transmit_s\": 45\n}\n");
    p.voxThreshold = 10;
    p.maxTxEnabled = false;
    const std::string oneLine = settingsJson(p, {}, SettingsLayout::OneLine);
    EXPECT_NE(oneLine.find("\"vox_threshold_percent\":1,"), std::string::npos) << oneLine;
    EXPECT_NE(oneLine.find("\"max_transmit_s\":null}"), std::string::npos) << oneLine;
    EXPECT_EQ(oneLine.find("name"), std::string::npos);
}

// What other writers make of the same values: a byte order mark, a whole number with a
// fraction of zero or an exponent.
TEST(SettingsFile, TakesTheSameValuesWrittenOtherwise)
{
    const std::string good = settingsJson(someSettings()[1], "R1");
    const auto with = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    for (const std::string& text : {"\xEF\xBB\xBF" + good, with(": 2000,", ": 2000.0,"),
             with(": 2000,", ": 2.0e3,"), with(": 45\n", ": 45.00\n"), with(": 900,", ": 9E2,"),
             with(": 1,", ": 1.0,"), with(": 2.3,", ": 0.23e1,")}) {
        FrameParameters read;
        EXPECT_EQ(readSettings(text, read), "R1") << text;
        EXPECT_EQ(userFields(read), userFields(someSettings()[1])) << text;
    }
}

TEST(SettingsFile, AFileWithoutALimitKeepsTheLimitsValue)
{
    FrameParameters p;
    p.maxTxEnabled = true;
    p.maxTx_s = 77;
    readSettings(settingsJson(FrameParameters {}), p);
    EXPECT_FALSE(p.maxTxEnabled);
    EXPECT_EQ(p.maxTx_s, 77);
}

// Each refusal names what is wrong, and the parameters stay as they were.
TEST(SettingsFile, ABadOrForeignFileIsRefusedWhole)
{
    const std::string good = settingsJson(someSettings()[1], "R1", SettingsLayout::OneLine);
    const auto with = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const struct {
        std::string text;
        const char* names;
    } cases[] = {
        {"", "not JSON"},
        {good + "x", "not JSON"},
        {"[1, 2]", "not JSON"},
        {"{\"name\": \"package\", \"version\": \"1.0.0\", \"dependencies\": {\"a\": [1]}}", "\"format\""},
        {with("tarvel-settings", "tarvel-other"), "not a Tarvel settings file"},
        {with("\"version\":1", "\"version\":2"), "\"version\""},
        {with("\"name\"", "\"colour\""), "unknown field \"colour\""},
        {with("\"name\":\"R1\"", "\"name\":\"R1\",\"name\":\"R2\""), "given twice"},
        {with("\"name\":\"R1\"", "\"name\":7"), "\"name\""},
        {with("\"VOX\"", "\"FM\""), "\"keying_mode\""},
        {with("\"pilot_tone_hz\":2000,", ""), "missing field \"pilot_tone_hz\""},
        {with(":2000", ":299"), "\"pilot_tone_hz\" is not a whole number from 300 to 3000"},
        {with(":2000", ":2000.5"), "\"pilot_tone_hz\""},
        {with(":2000", ":\"2000\""), "\"pilot_tone_hz\""},
        {with(":2.3", ":2.35"), "\"vox_threshold_percent\" is not a number from 0.1 to 10.0"},
        {with(":2.3", ":10.1"), "\"vox_threshold_percent\""},
        {with(":900", ":3001"), "\"vox_release_ms\""},
        {with(":45", ":4"), "\"max_transmit_s\""},
    };
    for (const auto& c : cases) {
        FrameParameters p;
        try {
            readSettings(c.text, p);
            ADD_FAILURE() << "taken: " << c.text;
        } catch (const SettingsError& e) {
            EXPECT_NE(std::string(e.what()).find(c.names), std::string::npos)
                << e.what() << " for " << c.text;
        }
        EXPECT_EQ(userFields(p), userFields(FrameParameters {})) << c.text;
    }
}

TEST(SettingsFile, AFramesUserValuesWhenEachIsOneAUserMaySet)
{
    for (const FrameParameters& p : someSettings()) {
        const std::optional<FrameParameters> read = userParametersOf(buildFrame(p));
        ASSERT_TRUE(read.has_value());
        // The frame carries the pilot tone in 20 Hz and the release in 50 ms steps.
        FrameParameters sent = p;
        sent.pilot_hz = p.pilot_hz / 20 * 20;
        sent.voxRelease_ms = p.voxRelease_ms / 50 * 50;
        EXPECT_EQ(userFields(*read), userFields(sent));
    }
    Frame f = buildFrame(FrameParameters {});
    f[frameFieldOf(&FrameParameters::pilot_hz).index] = 5; // 100 Hz
    EXPECT_FALSE(userParametersOf(f).has_value());
    f = buildFrame(FrameParameters {});
    f[frameFieldOf(&FrameParameters::keyingMode).index] = 7;
    EXPECT_FALSE(userParametersOf(f).has_value());
}

TEST(JsonText, AnyBytesGiveValidJson)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"a\"b\\c", R"("a\"b\\c")"}, {"\n\t\x01\r", R"("\n\t\u0001\r")"},
        {"Ж €𝄞", "\"Ж €𝄞\""}, // well-formed UTF-8 stays
        {"\xff.wav", "\"\xEF\xBF\xBD.wav\""}, // a byte of another encoding
        {"\xC0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""}, // an overlong form
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}, // a surrogate
        {"\xE2\x82", "\"\xEF\xBF\xBD\""}, // cut short: one character missing its end
    };
    for (const auto& c : cases)
        EXPECT_EQ(jsonString(c.in), c.out) << c.in;
    EXPECT_EQ(jsonNumber(-0.01, 1), "0.0");
    EXPECT_EQ(jsonNumber(-20.0, 2), "-20.00");
    EXPECT_EQ(jsonNumber(1.0 / 0.0, 1), "null");
}

TEST(JsonObject, ReadsEveryMemberInOrder)
{
    const auto m = readJsonObject("\xEF\xBB\xBF"
                                  R"( {"s": "\u0416\ud834\udd1e\/", "n": -1.25e2, "s": "x)"
                                  "\xff"
                                  R"(", "t": true, "x": null, "o": {"a": [1, {}]}} )");
    ASSERT_EQ(m.size(), 6u);
    EXPECT_EQ(m[0].value, "Ж𝄞/");
    EXPECT_EQ(m[1].value, -125.0);
    EXPECT_EQ(m[2].key, "s"); // a repeated key is kept, for the caller to name
    EXPECT_EQ(m[2].value, "x\xEF\xBF\xBD"); // a byte of another encoding
    EXPECT_EQ(m[3].value, true);
    EXPECT_TRUE(m[4].value.is_null());
    EXPECT_EQ(m[5].value, nlohmann::json::parse(R"({"a": [1, {}]})"));
    EXPECT_NO_THROW(readJsonObject("{\"a\":" + std::string(63, '[') + std::string(63, ']') + "}"));
}

// Each refusal says what is wrong in the program's words and where.
TEST(JsonObject, RefusesWhatIsNotOneObject)
{
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {"", "not a JSON object (byte 1)"},
        {"  [1, {", "not a JSON object (byte 3)"},
        {"\xEF\xBB{}", "not a JSON object (byte 1)"},
        {"{\"a\":1} x", "more text after the object (byte 9)"},
        {std::string("{\"a\":1}\0x", 9), "more text after the object (byte 8)"},
        {"{\"a\" 1}", "expected ':' (byte 6)"},
        {"{\"a\":1,}", "expected a string (byte 8)"},
        {"{\"a\":1 \"b\":2}", "expected ',' or '}' (byte 10)"},
        {"{\"a\":[1 2]}", "expected ',' or ']' (byte 9)"},
        {"{\"a\":tru}", "not a JSON value (byte 9)"},
        {"{\"a\":1.}", "not a JSON number (byte 8)"},
        {"{\"a\":\"\x01\"}", "a control character in a string (byte 7)"},
        {"{\"a\":\"x", "a string is not closed (byte 8)"},
        {"{\"a\":\"\\x\"}", "an unknown escape in a string (byte 8)"},
        {"{\"a\":\"\\u12\"}", "a \\u escape needs four hexadecimal digits (byte 11)"},
        {"{\"a\":\"\\ud800\"}", "a \\u escape of half a character in a string (byte 13)"},
        {"{\"a\":1e400}", "a number too large (byte 11)"},
        {"{\"a\":" + std::string(64, '[') + std::string(64, ']') + "}", "nested too deeply (byte 69)"},
        {"{\"a\":" + std::string(100000, '['), "nested too deeply (byte 69)"},
    };
    for (const auto& c : cases) {
        try {
            readJsonObject(c.text);
            ADD_FAILURE() << "taken: " << c.text;
        } catch (const JsonError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.text.substr(0, 40);
        }
    }
}

} // namespace
} // namespace tarvel
