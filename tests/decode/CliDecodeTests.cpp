// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel wav followed by tarvel decode, the text and JSON it prints, and its exit statuses.

#include "SignalLab.h"
#include "decode/RecordingReader.h"
#include "frame/FrameBuild.h"
#include "support/CliRun.h"
#include "support/StrictJson.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarvel::cli {
namespace {

using tarvel::testing::CliRun;
CliRun run(const std::vector<std::string>& args)
{
    return tarvel::testing::runTool(args);
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class CliDecode : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    tarvel::testing::TempFolder folder_;
    std::filesystem::path dir_ = folder_.path();
};

TEST_F(CliDecode, RoundTripsWhatTarvelWavWrites)
{
    struct Setting {
        std::vector<std::string> frameOptions; // shared by frame and wav
        std::vector<std::string> signalOptions; // wav only
    };
    const std::vector<Setting> settings = {
        {{}, {}},
        {{"--mode", "vox", "--max-tx-s", "120", "--vox-release-ms", "3000"}, {}},
        {{"--pilot-hz", "300", "--vox-threshold", "100"}, {"--no-filter"}},
        {{}, {"--alfa", "5"}},
    };
    for (const auto& [options, signalOptions] : settings) {
        std::vector<std::string> frameArgs = {"frame"};
        frameArgs.insert(frameArgs.end(), options.begin(), options.end());
        std::vector<std::string> wavArgs = {"wav", "-C", dir_.string()};
        wavArgs.insert(wavArgs.end(), options.begin(), options.end());
        wavArgs.insert(wavArgs.end(), signalOptions.begin(), signalOptions.end());
        ASSERT_EQ(run(wavArgs).status, 0);
        const CliRun d = run({"decode", path("_qq.wav")});
        EXPECT_EQ(d.status, 0) << d.err;
        const auto out = lines(d.out);
        ASSERT_GE(out.size(), 2u);
        EXPECT_EQ(out[0], lines(run(frameArgs).out).at(0));
        EXPECT_EQ(out[1], "CRC ok");
        EXPECT_EQ(d.err, "");
    }
}

TEST_F(CliDecode, ParametersInWordsAndTheSignalReport)
{
    ASSERT_EQ(
        run({"wav", "-C", dir_.string(), "--mode", "vox", "--max-tx-s", "120", "--pilot-hz", "1500"}).status,
        0);
    const CliRun d = run({"decode", path("_qq.wav")});
    ASSERT_EQ(d.status, 0);
    const std::string& t = d.out;
    for (const char* expected : {"keying mode                 VOX\n", "pilot tone                  1500 Hz\n",
             "VOX threshold               0.5 %\n", "VOX release                 300 ms\n",
             "maximum transmit time       120 s\n", "markers                     01 02\n",
             "delay before transmitting   100 ms\n", "maximum activity time       off\n",
             "second PTT press            4.0 s\n", "clock skew                  0.00 % (on time)\n",
             "lead-in starts at           0.00"})
        EXPECT_NE(t.find(expected), std::string::npos) << "missing: " << expected << "\n" << t;
    EXPECT_LT(t.find("Set by the user:"), t.find("Fixed in this build:"));
    EXPECT_NE(t.find("level                       -3.7 dBFS RMS, peak -0.8 dBFS"), std::string::npos) << t;
}

using tarvel::testing::parseStrictJson;

TEST_F(CliDecode, JsonCarriesTheSameFacts)
{
    ASSERT_EQ(run({"wav", "-C", dir_.string(), "--mode", "vox"}).status, 0);
    const CliRun d = run({"decode", "--json", path("_qq.wav")});
    ASSERT_EQ(d.status, 0);
    ASSERT_EQ(lines(d.out).size(), 1u);
    const nlohmann::json j = parseStrictJson(d.out);
    EXPECT_EQ(j.at("status"), "ok");
    EXPECT_EQ(j.at("frame"), "01 02 05 01 06 01 00 3C 14 00 64 00 1E 28 17 4F");
    EXPECT_EQ(j.at("crc").at("ok"), true);
    EXPECT_EQ(j.at("crc").at("computed"), "174F");
    EXPECT_EQ(j.at("crc").at("received"), "174F");
    EXPECT_EQ(j.at("corrected_symbols"), 0.0);
    EXPECT_EQ(j.at("parameters").at("keying_mode"), "VOX");
    EXPECT_EQ(j.at("parameters").at("pilot_tone_hz"), 2000.0);
    EXPECT_TRUE(j.at("parameters").at("max_transmit_s").is_null());
    EXPECT_EQ(j.at("parameters").at("vox_threshold_percent"), 0.5);
    EXPECT_EQ(j.at("signal").at("sample_rate_hz"), 16000.0);
    EXPECT_EQ(j.at("signal").at("channel"), 1.0);
    EXPECT_TRUE(j.at("signal").contains("clock_skew_percent"));
}

// "settings" is a settings file for what the recording carries: `tarvel wav --settings` takes
// it and writes the same signal again.
TEST_F(CliDecode, JsonSettingsMakeTheSameSendAgain)
{
    ASSERT_EQ(
        run({"wav", "-C", dir_.string(), "--mode", "vox", "--vox-release-ms", "850", "--max-tx-s", "45"})
            .status,
        0);
    const std::string out = run({"decode", "--json", path("_qq.wav")}).out;
    const nlohmann::json j = parseStrictJson(out);
    EXPECT_EQ(j.at("settings").at("keying_mode"), j.at("parameters").at("keying_mode"));
    EXPECT_EQ(j.at("settings").at("vox_release_ms"), 850.0);
    // The settings object is flat: it ends at the first closing brace.
    const std::size_t from = out.find("\"settings\":{") + 11;
    std::ofstream(path("r.json")) << out.substr(from, out.find('}', from) + 1 - from);
    const std::filesystem::path again = dir_ / "again";
    std::filesystem::create_directory(again);
    const CliRun w = run({"wav", "--settings", path("r.json"), "-C", again.string()});
    ASSERT_EQ(w.status, 0) << w.err;
    EXPECT_EQ(tarvel::testing::shell(
                  "cmp " + path("_qq.wav") + " " + (again / "_qq.wav").string() + " && echo same"),
        "same\n");

    std::mt19937 rng(5);
    Frame bad = lab::randomFrame(rng);
    bad[14] = static_cast<std::uint8_t>(bad[14] ^ 0x80);
    lab::writeSound(path("bad.wav"), lab::send(bad), 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_TRUE(parseStrictJson(run({"decode", "--json", path("bad.wav")}).out).at("settings").is_null());
}

// A path in another encoding than UTF-8 still gives valid JSON: its stray bytes become U+FFFD.
TEST_F(CliDecode, JsonForAPathThatIsNotUtf8)
{
    const CliRun d = run({"decode", "--json", path("\xff.wav")});
    EXPECT_EQ(d.status, 2);
    EXPECT_EQ(parseStrictJson(d.out).at("path"), path("\xEF\xBF\xBD.wav"));
    EXPECT_EQ(d.out.find('\xff'), std::string::npos);
}

// With --json every outcome is one JSON object with a status, errors included.
TEST_F(CliDecode, JsonForEveryOutcome)
{
    std::mt19937 rng(3);
    Frame f = lab::randomFrame(rng);
    f[14] = static_cast<std::uint8_t>(f[14] ^ 0x80);
    lab::writeSound(path("bad.wav"), lab::send(f), 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    std::vector<float> quiet(48'000, 0.0f);
    lab::addNoise(quiet, 0.01, rng);
    lab::writeSound(path("noise.wav"), quiet, 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    std::ofstream(path("text.wav")) << "not audio\n";
    const struct {
        std::vector<std::string> args;
        const char* status;
        int exit;
    } cases[] = {
        {{"decode", "--json", path("bad.wav")}, "crc mismatch", 1},
        {{"decode", "--json", path("noise.wav")}, "no signal", 1},
        {{"decode", "--json", path("nothing.wav")}, "unreadable", 2},
        {{"decode", "--json", path("text.wav")}, "unreadable", 2},
        {{"decode", "--json", dir_.string()}, "unreadable", 2},
        {{"decode", "--json", "--loud", path("bad.wav")}, "usage error", 2},
        {{"decode", path("bad.wav"), "--json", "b.wav"}, "usage error", 2},
        {{"decode", "-j", path("a.wav"), path("b.wav")}, "usage error", 2},
    };
    for (const auto& c : cases) {
        const CliRun d = run(c.args);
        EXPECT_EQ(d.status, c.exit) << c.status;
        ASSERT_EQ(lines(d.out).size(), 1u) << d.out;
        const nlohmann::json j = parseStrictJson(d.out);
        EXPECT_EQ(j.at("status"), c.status) << d.out;
        EXPECT_EQ(lines(d.err).size(), 1u) << d.err;
        if (c.exit == 2 || std::string(c.status) == "no signal") {
            EXPECT_FALSE(j.at("reason").get<std::string>().empty());
        }
    }
    const nlohmann::json missing = parseStrictJson(run({"decode", "--json", path("nothing.wav")}).out);
    EXPECT_EQ(missing.at("path"), path("nothing.wav"));
    EXPECT_EQ(missing.at("reason"), "no such file or directory");
}

// A frame the first reading got wrong, put right by the CRC: said in text and in JSON.
TEST_F(CliDecode, SymbolsPutRightAreCounted)
{
    std::mt19937 rng(44);
    DecodeResult r;
    std::vector<float> s;
    for (int tries = 0; tries < 80 && r.correctedSymbols == 0; ++tries) {
        s = lab::send(lab::randomFrame(rng));
        lab::addNoiseAtSnr(s, -13.0, rng);
        r = decodeSamples(s, 16'000.0);
    }
    ASSERT_GT(r.correctedSymbols, 0);
    lab::gain(s, 0.25);
    lab::writeSound(path("noisy.wav"), s, 16'000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    const CliRun t = run({"decode", path("noisy.wav")});
    EXPECT_EQ(t.status, 0) << t.err;
    const std::string n = std::to_string(r.correctedSymbols);
    EXPECT_EQ(lines(t.out).at(1),
        "CRC ok (" + n + (r.correctedSymbols == 1 ? " symbol" : " symbols") + " put right by the CRC check)");
    const nlohmann::json j = parseStrictJson(run({"decode", "--json", path("noisy.wav")}).out);
    EXPECT_EQ(j.at("status"), "ok");
    EXPECT_EQ(j.at("corrected_symbols"), static_cast<double>(r.correctedSymbols));
}

TEST_F(CliDecode, ExitStatusesAndReasons)
{
    // CRC mismatch: the bytes as received, status 1 and a reason.
    std::mt19937 rng(2);
    Frame f = lab::randomFrame(rng);
    f[14] = static_cast<std::uint8_t>(f[14] ^ 0x80);
    lab::writeSound(path("bad.wav"), lab::send(f), 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    CliRun d = run({"decode", path("bad.wav")});
    EXPECT_EQ(d.status, 1);
    EXPECT_EQ(lines(d.out).at(0), frameHex(f));
    EXPECT_EQ(lines(d.out).at(1).rfind("CRC mismatch (computed ", 0), 0u) << d.out;
    EXPECT_EQ(lines(d.err).size(), 1u);
    EXPECT_NE(d.err.find("CRC mismatch"), std::string::npos);

    // No signal: nothing on stdout, one line on stderr.
    std::vector<float> quiet(48'000, 0.0f);
    lab::addNoise(quiet, 0.01, rng);
    lab::writeSound(path("noise.wav"), quiet, 16'000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    d = run({"decode", path("noise.wav")});
    EXPECT_EQ(d.status, 1);
    EXPECT_EQ(d.out, "");
    EXPECT_EQ(lines(d.err).size(), 1u);
    EXPECT_NE(d.err.find("no signal"), std::string::npos) << d.err;
    d = run({"decode", path("noise.wav"), "--json"});
    EXPECT_EQ(d.status, 1);
    EXPECT_EQ(d.out.rfind("{\"status\":\"no signal\",\"reason\":", 0), 0u) << d.out;

    // Unreadable file and usage errors: status 2, the path and the reason.
    d = run({"decode", path("nothing.wav")});
    EXPECT_EQ(d.status, 2);
    EXPECT_NE(d.err.find(path("nothing.wav")), std::string::npos);
    EXPECT_EQ(run({"decode"}).status, 2);
    EXPECT_EQ(run({"decode", "a.wav", "b.wav"}).status, 2);
    EXPECT_EQ(run({"decode", "--loud", path("bad.wav")}).status, 2);
    EXPECT_REFUSED_IN_ONE_LINE(run({"decode", "--json=x", path("bad.wav")}),
        std::vector<std::string>({"--json takes no value", "'=x'"}));
}

// "--" ends the options: a recording whose name looks like an option can be read. "-" is
// standard input, before "--" and after it, as the help says; a file named "-" is ./-.
TEST_F(CliDecode, DoubleDashAndStandardInput)
{
    ASSERT_EQ(run({"wav", "-C", dir_.string()}).status, 0);
    std::filesystem::copy_file(path("_qq.wav"), path("-x.wav"));
    const std::string cd = "cd '" + dir_.string() + "' && ";
    EXPECT_EQ(
        lines(tarvel::testing::shell(cd + TARVEL_CLI_PATH " decode -- -x.wav 2>&1; echo status=$?")).at(1),
        "CRC ok");
    EXPECT_EQ(
        lines(tarvel::testing::shell(cd + TARVEL_CLI_PATH " decode --json -- -x.wav; echo status=$?")).back(),
        "status=0");
    // Without "--" the name is still taken for an option.
    EXPECT_REFUSED_IN_ONE_LINE(
        run({"decode", "-x.wav"}), std::vector<std::string>({"unknown option '-x.wav'"}));
    // After "--" a second "--" is a file name like any other.
    EXPECT_EQ(run({"decode", "--", path("-x.wav"), "--"}).status, 2);

    for (const char* dash : {"-", "-- -"})
        EXPECT_EQ(
            tarvel::testing::shell(cd + TARVEL_CLI_PATH " decode " + dash + " < _qq.wav 2>&1 | sed -n 2p"),
            "CRC ok\n")
            << dash;
    EXPECT_EQ(tarvel::testing::shell(cd + TARVEL_CLI_PATH " decode - < /dev/null 2>&1; echo status=$?"),
        "tarvel decode: standard input: the file is empty\nstatus=2\n");
    std::filesystem::copy_file(path("_qq.wav"), path("-"));
    EXPECT_EQ(
        tarvel::testing::shell(cd + TARVEL_CLI_PATH " decode ./- < /dev/null 2>&1 | sed -n 2p"), "CRC ok\n");
}

// The system's reason in plain words, and nothing a library says on its own.
TEST_F(CliDecode, UnreadableFilesInPlainWords)
{
    std::ofstream(path("mpeg.wav"), std::ios::binary)
        << std::string("\xFF\xFB\x90\x00", 4) << std::string(4000, '\x55');
    EXPECT_EQ(
        tarvel::testing::shell(TARVEL_CLI_PATH " decode '" + path("mpeg.wav") + "' 2>&1; echo status=$?"),
        "tarvel decode: " + path("mpeg.wav") + ": not a WAV, FLAC or OGG recording\nstatus=2\n");
    EXPECT_EQ(run({"decode", path("nothing.wav")}).err,
        "tarvel decode: " + path("nothing.wav") + ": no such file or directory\n");
}

// A decoded frame nobody could read must not pass as checked: text or JSON, status 1.
TEST_F(CliDecode, UnwritableOutputFails)
{
    ASSERT_EQ(run({"wav", "-C", dir_.string()}).status, 0);
    for (const std::vector<std::string>& args :
        {std::vector<std::string> {"decode", path("_qq.wav")}, {"decode", path("_qq.wav"), "--json"}}) {
        std::ostream broken(nullptr); // every write fails
        std::ostringstream err;
        EXPECT_EQ(runCli(args, broken, err), 1);
        EXPECT_EQ(err.str(), "tarvel decode: the result could not be printed\n");
    }
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(tarvel::testing::shell(
                      TARVEL_CLI_PATH " decode '" + path("_qq.wav") + "' 2>&1 >/dev/full; echo status=$?"),
            "tarvel decode: the result could not be printed\nstatus=1\n");
    }
}

TEST_F(CliDecode, HelpTeachesWithAnExample)
{
    const CliRun h = run({"decode", "--help"});
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("Usage: tarvel decode FILE [--json]"), std::string::npos);
    EXPECT_NE(
        h.out.find("FILE '-' reads the recording from standard input, also after '--'"), std::string::npos);
    EXPECT_NE(h.out.find("Example:"), std::string::npos);
    EXPECT_NE(run({"--help"}).out.find("decode"), std::string::npos);
}

} // namespace
} // namespace tarvel::cli
