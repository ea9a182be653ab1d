// SPDX-License-Identifier: GPL-3.0-or-later
// The page's binding, natively: refusals come back as values with the command line's words,
// and a recording fed a piece at a time is read with its own rate and channels.

#include "web/TarvelWeb.h"

#include "decode/DecodeResult.h"
#include "frame/SettingsFile.h"
#include "support/CliRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace tarvel::web {
namespace {

const std::string kGood
    = R"({"format":"tarvel-settings","version":1,"keying_mode":"VOX","pilot_tone_hz":2000,)"
      R"("vox_threshold_percent":2.3,"vox_release_ms":900,"max_transmit_s":null})";

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

// The message inside {"error":{"code":…,"message":"…"}}, unescaped enough for these cases.
std::string messageOf(const std::string& json)
{
    const std::string marker = "\"message\":\"";
    const std::size_t at = json.find(marker);
    if (at == std::string::npos)
        return "";
    const std::string message = json.substr(at + marker.size(), json.size() - at - marker.size() - 3);
    std::string plain;
    for (std::size_t i = 0; i < message.size(); ++i)
        plain += message[i] == '\\' ? message[++i] : message[i];
    return plain;
}

TEST(WebBinding, ASettingsFileRefusedSaysWhatTheCommandLineSays)
{
    const std::string deep = std::string(200, '[') + std::string(200, ']');
    const std::vector<std::string> refused = {
        "not json",
        replaced(kGood, "900", "5000"),
        replaced(kGood, "900", "\"900\""),
        replaced(kGood, "900", "900.5"),
        replaced(kGood, "2.3", "2.35"),
        replaced(kGood, "\"VOX\"", "\"vox\""),
        replaced(kGood, "\"VOX\"", deep),
        replaced(kGood, "\"version\":1", "\"version\":2"),
        replaced(kGood, "\"version\":1", "\"version\":1,\"version\":1"),
        replaced(kGood, "\"version\":1", "\"version\":1,\"extra\":0"),
        kGood + std::string(1, '\0') + "junk",
        std::string(kSettingsFileLimit + 1, ' '),
    };
    testing::TempFolder folder;
    const std::string path = (folder.path() / "preset.json").string();
    for (const std::string& file : refused) {
        const std::string answer = tarvel_settings_read(file.data(), static_cast<int>(file.size()));
        ASSERT_EQ(answer.rfind("{\"error\":{\"code\":\"settings\",\"message\":", 0), 0) << answer;
        std::ofstream(path, std::ios::binary) << file;
        const testing::CliRun cli = testing::runTool({"frame", "--settings", path});
        EXPECT_EQ(cli.status, 2);
        EXPECT_NE(cli.err.find(messageOf(answer)), std::string::npos) << cli.err << " / " << answer;
    }
}

TEST(WebBinding, EveryCallTakesAndGivesTheSettingsFile)
{
    EXPECT_EQ(readSettingsJson(replaced(kGood, "{", "{\"name\":\"R1\",")),
        "{\"name\":\"R1\",\"settings\":" + replaced(kGood, "\"version\":1", "\"version\":1") + "}");
    const testing::CliRun cli
        = testing::runTool({"frame", "--mode", "vox", "--vox-threshold", "23", "--vox-release-ms", "900"});
    const std::string hex = cli.out.substr(0, cli.out.find('\n'));
    EXPECT_EQ(frameJson(kGood),
        "{\"frame\":\"" + hex + "\",\"crc\":\"" + hex.substr(42, 2) + hex.substr(45, 2) + "\"}");
    EXPECT_EQ(messageOf(tarvel_frame("{}", 2)),
        "\"format\" is not \"tarvel-settings\": not a Tarvel settings file");
}

// A stereo 32-bit float WAV at 16 kHz: the send's signal on the second channel, silence on the first.
std::vector<std::uint8_t> stereoFloatWav(const std::vector<std::uint8_t>& monoWav)
{
    const std::size_t count = (monoWav.size() - 44) / 2;
    std::vector<std::uint8_t> wav(44 + count * 8);
    auto put32 = [&wav](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            wav[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    std::memcpy(&wav[0], "RIFF", 4);
    put32(4, static_cast<std::uint32_t>(wav.size() - 8));
    std::memcpy(&wav[8], "WAVEfmt ", 8);
    put32(16, 16);
    put32(20, 3 | (2U << 16)); // IEEE float, two channels
    put32(24, 16000);
    put32(28, 16000 * 8);
    put32(32, 8 | (32U << 16));
    std::memcpy(&wav[36], "data", 4);
    put32(40, static_cast<std::uint32_t>(count * 8));
    for (std::size_t i = 0; i < count; ++i) {
        const auto sample = static_cast<std::int16_t>(monoWav[44 + 2 * i] | (monoWav[45 + 2 * i] << 8));
        const float value = static_cast<float>(sample) / 32768.0f;
        std::memcpy(&wav[44 + 8 * i + 4], &value, 4);
    }
    return wav;
}

TEST(WebBinding, AWavReadAPieceAtATimeGivesItsOwnRateAndChannels)
{
    SendFiles files;
    sendJson(kGood, files);
    const std::vector<std::uint8_t> wav = stereoFloatWav(files.wav);
    RecordingCheck check;
    EXPECT_EQ(check.openWav(std::span(wav).first(64), static_cast<double>(wav.size())),
        "{\"rate_hz\":16000,\"channels\":2,\"data_offset\":44,\"data_size\":"
            + std::to_string(wav.size() - 44) + ",\"bytes_per_frame\":8}");
    constexpr std::size_t piece = std::size_t {8} * 999; // whole frames, in pieces of no special size
    bool found = false;
    for (std::size_t at = 44; at < wav.size() && !found; at += piece)
        found = check.feedBytes(std::span(wav).subspan(at, std::min(piece, wav.size() - at)));
    EXPECT_TRUE(found);
    const std::string result = check.finish();
    EXPECT_EQ(result.rfind("{\"status\":\"ok\"", 0), 0) << result;
    EXPECT_NE(result.find("\"channel\":2,\"channels\":2"), std::string::npos) << result;
}

TEST(WebBinding, ARecordingRefusedSaysWhyAndAShortOneWhereItEnds)
{
    SendFiles files;
    sendJson(kGood, files);
    std::vector<std::uint8_t> slow = files.wav;
    slow[24] = 0xA0; // 4000 Hz
    slow[25] = 0x0F;
    const std::vector<std::uint8_t> flac = {'f', 'L', 'a', 'C', 0, 0, 0, 0, 0, 0, 0, 0};
    RecordingCheck check;
    EXPECT_EQ(messageOf(check.openWav(slow, 1e6)), "sample rate 4000 Hz is outside 8000..96000 Hz");
    EXPECT_EQ(check.openWav(flac, 1e6), "{\"error\":{\"code\":\"not_wav\",\"message\":\"not a WAV file\"}}");
    EXPECT_NE(check.openWav(files.wav, 1e12).find("\"code\":\"too_large\""), std::string::npos);

    ASSERT_EQ(
        check.openWav(files.wav, static_cast<double>(files.wav.size())).find("error"), std::string::npos);
    check.feedBytes(std::span(files.wav).subspan(44, std::size_t {2} * 30000));
    const std::string cut = check.finish();
    EXPECT_NE(cut.find("\"status\":\"ends early\""), std::string::npos) << cut;
    EXPECT_NE(cut.find("\"reason_code\":\"recording_ends\""), std::string::npos) << cut;
}

} // namespace
} // namespace tarvel::web
