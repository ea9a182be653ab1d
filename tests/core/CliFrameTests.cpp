// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FrameOptions.h"
#include "frame/FrameBuild.h"
#include "support/CliRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace tarvel::cli {
namespace {

using tarvel::testing::CliRun;
CliRun run(const std::vector<std::string>& args)
{
    return tarvel::testing::runTool(args);
}

std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

// "300 to 3000", as the refusals name a range.
std::string rangeText(const UserRange& range)
{
    return std::to_string(range.min) + " to " + std::to_string(range.max);
}

// The bytes themselves are the frame build's (FrameBuildTests); here: the options set the
// same parameters as the window's controls, and the tool prints that build.
std::string frameOf(const FrameParameters& p)
{
    return frameHex(buildFrame(p));
}

TEST(CliFrame, WithoutOptionsPrintsTheFrameOfTheWindowsDefaults)
{
    const CliRun r = run({"frame"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, frameOf(FrameParameters {}) + "\n");
    EXPECT_EQ(r.err, "");
}

TEST(CliFrame, OptionsSetTheirParameters)
{
    FrameParameters vox;
    vox.keyingMode = static_cast<int>(KeyingMode::Vox);
    EXPECT_EQ(firstLine(run({"frame", "--mode", "vox"}).out), frameOf(vox));
    EXPECT_EQ(firstLine(run({"frame", "--mode=pilot"}).out), frameOf(FrameParameters {}));

    FrameParameters limited; // a limit given switches the limit on
    limited.maxTxEnabled = true;
    limited.maxTx_s = 120;
    EXPECT_EQ(firstLine(run({"frame", "--max-tx-s=120"}).out), frameOf(limited));

    FrameParameters p;
    p.pilot_hz = kPilotToneRange_hz.min;
    p.voxThreshold = kVoxThresholdRange.max;
    p.voxRelease_ms = kVoxReleaseRange_ms.max;
    EXPECT_EQ(firstLine(run(
                  {"frame", "--pilot-hz", std::to_string(p.pilot_hz), "--vox-threshold",
                      std::to_string(p.voxThreshold), "--vox-release-ms", std::to_string(p.voxRelease_ms)})
                            .out),
        frameOf(p));
}

TEST(CliFrame, ListingPrintsEveryListUnderItsHeading)
{
    LinesSink trace, values, frameLines;
    Frame frame {};
    buildFrame(frame, FrameParameters {}, FrameViews {trace, values, frameLines});
    std::string expected = frameHex(frame) + "\n";
    for (const auto& [heading, lines] : {std::pair {"Values (byte - value):", &values.lines},
             std::pair {"Frame (byte, value):", &frameLines.lines},
             std::pair {"CRC trace (byte, running CRC):", &trace.lines}}) {
        expected += std::string("\n") + heading + "\n";
        for (const std::string& line : *lines)
            expected += line + "\n";
    }
    const CliRun r = run({"frame", "--listing"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected);
}

TEST(CliFrame, HelpTeachesWithAnExample)
{
    for (auto args : {std::vector<std::string> {"--help"}, std::vector<std::string> {"frame", "--help"}}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("Example"), std::string::npos);
        EXPECT_NE(r.out.find("tarvel frame"), std::string::npos);
    }
}

// Every kind of bad input: status 2, one line on stderr naming the option, the value and
// what is allowed, and nothing on stdout.
TEST(CliFrame, BadInputIsRefusedWithOneClearLine)
{
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> mentions;
    };
    const auto below = [](const UserRange& range) { return std::to_string(range.min - 1); };
    const auto above = [](const UserRange& range) { return std::to_string(range.max + 1); };
    const std::string pilot = rangeText(kPilotToneRange_hz);
    const std::vector<Case> cases = {
        {{"frame", "--bogus"}, {"--bogus", "allowed"}},
        {{"frame", "--pilot-hz"}, {"--pilot-hz", "missing value"}},
        {{"frame", "--pilot-hz", "12a"}, {"--pilot-hz", "'12a'", "whole number", pilot}},
        {{"frame", "--pilot-hz", "2000.5"}, {"--pilot-hz", "2000.5", "whole number"}},
        {{"frame", "--pilot-hz", ""}, {"--pilot-hz", "whole number"}},
        {{"frame", "--pilot-hz", "-"}, {"--pilot-hz", "whole number"}},
        {{"frame", "--pilot-hz", below(kPilotToneRange_hz)},
            {"--pilot-hz", below(kPilotToneRange_hz), pilot}},
        {{"frame", "--pilot-hz", above(kPilotToneRange_hz)},
            {"--pilot-hz", above(kPilotToneRange_hz), pilot}},
        {{"frame", "--pilot-hz", "99999999999999999999999"}, {"--pilot-hz", "out of range"}},
        {{"frame", "--vox-threshold", below(kVoxThresholdRange)},
            {"--vox-threshold", rangeText(kVoxThresholdRange)}},
        {{"frame", "--vox-threshold", above(kVoxThresholdRange)},
            {"--vox-threshold", rangeText(kVoxThresholdRange)}},
        {{"frame", "--vox-release-ms", below(kVoxReleaseRange_ms)},
            {"--vox-release-ms", rangeText(kVoxReleaseRange_ms)}},
        {{"frame", "--vox-release-ms", above(kVoxReleaseRange_ms)},
            {"--vox-release-ms", rangeText(kVoxReleaseRange_ms)}},
        {{"frame", "--max-tx-s", below(kMaxTransmitRange_s)}, {"--max-tx-s", rangeText(kMaxTransmitRange_s)}},
        {{"frame", "--max-tx-s", above(kMaxTransmitRange_s)}, {"--max-tx-s", rangeText(kMaxTransmitRange_s)}},
        {{"frame", "--mode", "carrier"}, {"--mode", "carrier", "pilot or vox"}},
        {{"frame", "extra"}, {"extra"}},
        // An on/off option with a value is known, it just takes none.
        {{"frame", "--listing=no"}, {"--listing takes no value", "'=no'"}},
        // Arguments are echoed made printable: a newline or an escape sequence in them
        // must not break the one-line message or reach the terminal raw.
        {{"frame", "--pilot-hz", "1\n2"}, {"'1\\n2'"}},
        {{"frame", "--mode\x1b[2J"}, {"--mode\\x1B[2J"}},
        {{"launch\nnow"}, {"launch\\nnow"}},
        {{"launch"}, {"launch", "frame"}},
        {{}, {"missing command"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_REFUSED_IN_ONE_LINE(run(c.args), c.mentions);
    }
}

TEST(CliFrame, TheProgramItselfPrintsTheDefaultFrame)
{
    EXPECT_EQ(tarvel::testing::shell(TARVEL_CLI_PATH " frame 2>&1; echo status=$?"),
        frameOf(FrameParameters {}) + "\nstatus=0\n");
}

// The "allowed:" list and the parser agree: every frame option named there is read.
TEST(CliFrame, EveryFrameOptionNamedAsAllowedIsRead)
{
    const std::string refusal = run({"frame", "--bogus"}).err;
    const std::string frameOptions
        = "--mode, --pilot-hz, --vox-threshold, --vox-release-ms, --max-tx-s, --settings, ";
    EXPECT_NE(refusal.find(frameOptions + "--listing, --json, --help"), std::string::npos) << refusal;
    for (std::string_view name :
        {"--mode", "--pilot-hz", "--vox-threshold", "--vox-release-ms", "--max-tx-s"}) {
        SCOPED_TRACE(std::string(name));
        const std::string value = name == "--mode" ? "vox" : name == "--pilot-hz" ? "300" : "50";
        const CliRun r = run({"frame", std::string(name), value});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_NE(run({"wav", "--bogus"}).err.find(frameOptions + "--no-filter, --alfa, --directory, --help"),
        std::string::npos);
}

// --json writes a settings file; --settings reads one in its place among the options, so
// what follows it wins and what comes before it does not.
TEST(CliFrame, SettingsFileWrittenAndTakenInItsPlace)
{
    const std::vector<std::string> options
        = {"--mode", "vox", "--vox-threshold", "23", "--vox-release-ms", "900", "--max-tx-s", "45"};
    std::vector<std::string> args = {"frame", "--json"};
    args.insert(args.end(), options.begin(), options.end());
    const CliRun json = run(args);
    ASSERT_EQ(json.status, 0) << json.err;
    tarvel::testing::TempFolder dir;
    const std::string file = (dir.path() / "r1.json").string();
    std::ofstream(file) << json.out;

    args = {"frame"};
    args.insert(args.end(), options.begin(), options.end());
    const std::string byOptions = run(args).out;
    EXPECT_EQ(run({"frame", "--settings", file}).out, byOptions);
    EXPECT_EQ(run({"frame", "--mode", "pilot", "--settings=" + file}).out, byOptions);
    EXPECT_EQ(tarvel::testing::shell(TARVEL_CLI_PATH " frame --settings - < '" + file + "'"), byOptions);
    args.push_back("--mode=pilot");
    EXPECT_EQ(run({"frame", "--settings", file, "--mode=pilot"}).out, run(args).out);

    EXPECT_REFUSED_IN_ONE_LINE(
        run({"frame", "--json", "--listing"}), std::vector<std::string>({"--listing"}));
}

TEST(CliFrame, ABadSettingsFileIsRefusedInOneLine)
{
    tarvel::testing::TempFolder dir;
    const std::string foreign = (dir.path() / "package.json").string();
    std::ofstream(foreign) << "{\"name\": \"x\", \"version\": \"1.0.0\"}\n";
    const std::string big = (dir.path() / "big.json").string();
    std::ofstream(big) << std::string(100000, ' ');
    const std::string loop = (dir.path() / "loop.json").string();
    std::filesystem::create_symlink("loop.json", loop);
    const std::string denied = (dir.path() / "denied.json").string();
    std::ofstream(denied) << run({"frame", "--json"}).out;
    std::filesystem::permissions(denied, std::filesystem::perms::none);
    EXPECT_REFUSED_IN_ONE_LINE(run({"frame", "--settings", foreign}),
        std::vector<std::string>({"tarvel frame: --settings: ", foreign, "not a Tarvel settings file"}));
    EXPECT_REFUSED_IN_ONE_LINE(run({"frame", "--settings", big}), std::vector<std::string>({"too large"}));
    // An open or a read that fails says the system's reason.
    const std::string missing = (dir.path() / "missing.json").string();
    EXPECT_REFUSED_IN_ONE_LINE(run({"frame", "--settings", missing}),
        std::vector<std::string>({missing + ": cannot be opened: no such file or directory"}));
    EXPECT_REFUSED_IN_ONE_LINE(run({"frame", "--settings", loop}),
        std::vector<std::string>({"cannot be opened: too many levels of symbolic links"}));
    if (geteuid() != 0) { // root reads it all the same
        EXPECT_REFUSED_IN_ONE_LINE(run({"frame", "--settings", denied}),
            std::vector<std::string>({"cannot be opened: permission denied"}));
    }
    EXPECT_REFUSED_IN_ONE_LINE(run({"frame", "--settings", dir.path().string()}),
        std::vector<std::string>({"cannot be read: is a directory"}));
    EXPECT_EQ(tarvel::testing::shell(TARVEL_CLI_PATH " frame --settings - < /dev/null 2>&1"),
        "tarvel frame: --settings: standard input: not JSON: not a JSON object (byte 1)\n");
}

// A frame that never reached its reader is a failure, not a success.
TEST(CliFrame, UnwritableOutputFails)
{
    for (const std::vector<std::string>& args :
        {std::vector<std::string> {"frame"}, {"frame", "--listing"}}) {
        std::ostream broken(nullptr); // every write fails
        std::ostringstream err;
        EXPECT_EQ(runCli(args, broken, err), 1);
        EXPECT_EQ(err.str(), "tarvel frame: the frame could not be printed\n");
    }
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(tarvel::testing::shell(TARVEL_CLI_PATH " frame 2>&1 >/dev/full; echo status=$?"),
            "tarvel frame: the frame could not be printed\nstatus=1\n");
    }
}

} // namespace
} // namespace tarvel::cli
