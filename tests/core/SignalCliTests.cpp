// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel wav: the files of a first send, its report, and every way its input can be wrong.

#include "SignalTestSupport.h"
#include "support/TempFolder.h"

#include "frame/FrameBuild.h"
#include "signal/WavFiles.h"
#include "support/CliRun.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace tarvel::cli {
namespace {

using tarvel::testing::ProgramRun;
using tarvel::testing::readFile;
using tarvel::testing::TempFolder;
using tarvel::testing::wavSample;

using tarvel::testing::CliRun;
using tarvel::testing::shell;
CliRun run(const std::vector<std::string>& args)
{
    return tarvel::testing::runTool(args);
}

TEST(SignalCli, DefaultsWriteTheFirstSendsFiles)
{
    TempFolder dir;
    const CliRun r = run({"wav", "-C", dir.path().string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
        "wrote " + (dir / "_qq.wav").string() + "\nwrote " + (dir / "9_fmsig.h").string()
            + "\nsignal: N = 62100 samples, 3.881 s; file: 78768 samples, 4.923 s\n");

    TempFolder expected;
    ProgramRun program;
    program.shared.frame = buildFrame(FrameParameters {});
    WriteRiff(program.ctx, expected.path());
    EXPECT_EQ(readFile(dir / "_qq.wav"), readFile(expected / "_qq.wav"));
    EXPECT_EQ(readFile(dir / "9_fmsig.h"), readFile(expected / "9_fmsig.h"));
}

TEST(SignalCli, FilterOptionsReachTheSignal)
{
    TempFolder off, alfa100, alfa20, plain, alfa0;
    ASSERT_EQ(run({"wav", "--no-filter", "-C", off.path().string()}).status, 0);
    ASSERT_EQ(run({"wav", "--alfa", "100", "-C", alfa100.path().string()}).status, 0);
    ASSERT_EQ(run({"wav", "--alfa=20", "-C", alfa20.path().string()}).status, 0);
    ASSERT_EQ(run({"wav", "-C", plain.path().string()}).status, 0);
    ASSERT_EQ(run({"wav", "--alfa", "0", "-C", alfa0.path().string()}).status, 0);

    const std::string offWav = readFile(off / "_qq.wav");
    EXPECT_EQ(wavSample(offWav, 0), 7175);
    EXPECT_EQ(wavSample(offWav, 2), 19884);
    EXPECT_EQ(readFile(alfa100 / "_qq.wav"), offWav); // Alfa 1 = no filtering
    EXPECT_EQ(readFile(alfa20 / "_qq.wav"), readFile(plain / "_qq.wav")); // 20/100 is the default 0.2
    const std::string frozen = readFile(alfa0 / "_qq.wav");
    EXPECT_EQ(wavSample(frozen, 0), 0);
    EXPECT_EQ(wavSample(frozen, 58099), 0);
    EXPECT_EQ(wavSample(frozen, 58100), 7175); // only the tail carries a tone
}

// A signal without tones is written as asked, but said to be unreadable; with the filter
// off Alfa plays no part, and nothing is said.
TEST(SignalCli, AlfaZeroWithTheFilterOnWarnsThatNoReceiverCanReadIt)
{
    TempFolder on, off;
    const CliRun frozen = run({"wav", "--alfa", "0", "-C", on.path().string()});
    EXPECT_EQ(frozen.status, 0);
    EXPECT_EQ(frozen.err,
        "tarvel wav: warning: with --alfa 0 the filter holds the phase still, so the signal "
        "carries no tones and no receiver can read it\n");
    const CliRun unfiltered = run({"wav", "--alfa", "0", "--no-filter", "-C", off.path().string()});
    EXPECT_EQ(unfiltered.status, 0);
    EXPECT_EQ(unfiltered.err, "");
}

TEST(SignalCli, FrameOptionsReachTheSignal)
{
    TempFolder dir;
    FrameParameters vox;
    vox.keyingMode = static_cast<int>(KeyingMode::Vox);
    vox.maxTxEnabled = true;
    vox.maxTx_s = 120;
    const std::int32_t n = signalLength(buildFrame(vox));
    const CliRun r = run({"wav", "--mode", "vox", "--max-tx-s", "120", "-C", dir.path().string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("signal: N = " + std::to_string(n) + " samples"), std::string::npos) << r.out;
    EXPECT_NE(n, 62100) << "pick options that change the length, or this proves nothing";
}

// Every spelling of the folder option writes there and says so.
TEST(SignalCli, EveryFormOfTheFolderOptionWritesThere)
{
    const std::vector<std::function<std::vector<std::string>(const std::string&)>> forms = {
        [](const std::string& d) {
            return std::vector<std::string> {"wav", "-C", d};
        },
        [](const std::string& d) {
            return std::vector<std::string> {"wav", "-C" + d};
        },
        [](const std::string& d) {
            return std::vector<std::string> {"wav", "--directory=" + d};
        },
        [](const std::string& d) {
            return std::vector<std::string> {"wav", "--directory", d};
        },
        [](const std::string& d) {
            return std::vector<std::string> {"wav", "-mvox", "-C", d, "--"};
        },
    };
    for (const auto& form : forms) {
        TempFolder dir;
        const std::vector<std::string> args = form(dir.path().string());
        SCOPED_TRACE(::testing::PrintToString(args));
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "wrote " + (dir / "_qq.wav").string());
        EXPECT_EQ(dir.names(), (std::set<std::string> {"_qq.wav", "9_fmsig.h"}));
    }
}

// A missing folder is made (`tarvel wav -C ~/tarvel`), but only its last level: a missing
// parent is refused in one line and nothing is made.
TEST(SignalCli, AMissingFolderIsMadeOneLevelDeep)
{
    TempFolder dir;
    const auto made = dir / "made";
    CliRun r = run({"wav", "-C", made.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(made / "_qq.wav").size(), kWavFileSize);

    const auto deeper = dir / "missing" / "deeper";
    r = run({"wav", "-C", deeper.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
        "tarvel wav: cannot make the folder " + deeper.string() + ": its parent folder does not exist\n");
    EXPECT_EQ(dir.names(), std::set<std::string> {"made"});
}

TEST(SignalCli, UnwritableFolderFailsWithTheFileError)
{
    TempFolder dir;
    std::ofstream(dir / "plain-file") << "x";
    const CliRun r = run({"wav", "-C", (dir / "plain-file").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\". Not a directory"), std::string::npos) << r.err;
    EXPECT_EQ(dir.names(), std::set<std::string> {"plain-file"});
}

TEST(SignalCli, BadInputIsRefusedWithOneClearLine)
{
    TempFolder elsewhere;
    const std::string foreign = (elsewhere.path() / "other.json").string();
    std::ofstream(foreign) << "{\"format\": \"other\"}";
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> mentions;
    };
    const std::vector<Case> cases = {
        {{"wav", "--alfa", "101"}, {"--alfa", "101", "0 to 100"}},
        {{"wav", "--alfa", "-1"}, {"--alfa", "-1", "0 to 100"}},
        {{"wav", "--alfa", "0.5"}, {"--alfa", "0.5", "whole number"}},
        {{"wav", "--alfa"}, {"--alfa", "missing value"}},
        {{"wav", "--no-filter=1"}, {"--no-filter takes no value", "'=1'"}},
        {{"wav", "-C"}, {"--directory", "missing value"}},
        {{"wav", "--directory="}, {"--directory", "'' is not a folder"}},
        {{"wav", "-C", ""}, {"-C", "folder"}},
        {{"wav", "--pilot-hz", "5"},
            {"--pilot-hz", "5",
                std::to_string(kPilotToneRange_hz.min) + " to " + std::to_string(kPilotToneRange_hz.max)}},
        {{"wav", "--mode", "radio"}, {"--mode", "radio", "pilot or vox"}},
        {{"wav", "--listing"}, {"--listing", "allowed", "--alfa"}},
        {{"wav", "out.wav"}, {"out.wav", "allowed"}},
        {{"wav", "--settings", foreign}, {"--settings", "not a Tarvel settings file"}},
    };
    TempFolder dir;
    std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path()); // nothing may be written even by mistake
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_REFUSED_IN_ONE_LINE(run(c.args), c.mentions);
    }
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(dir.names().empty());
}

TEST(SignalCli, HelpTeachesWithAnExample)
{
    const CliRun r = run({"wav", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("tarvel wav -C"), std::string::npos);
    EXPECT_NE(r.out.find("--alfa N"), std::string::npos);
    EXPECT_NE(run({"--help"}).out.find("  wav "), std::string::npos);
}

// The program as a whole: default folder is the current one, and a report that cannot
// be printed (stdout on a full device) is a failure, not a success.
TEST(SignalCli, TheProgramWritesIntoTheCurrentFolder)
{
    TempFolder dir;
    const std::string cd = "cd '" + dir.path().string() + "' && ";
    EXPECT_EQ(shell(cd + TARVEL_CLI_PATH " wav 2>&1; echo status=$?"),
        "wrote " + (dir / "_qq.wav").string() + "\nwrote " + (dir / "9_fmsig.h").string()
            + "\nsignal: N = 62100 samples, 3.881 s; file: 78768 samples, 4.923 s\nstatus=0\n");
    EXPECT_EQ(readFile(dir / "_qq.wav").size(), 157580U);
    EXPECT_EQ(readFile(dir / "9_fmsig.h").size(), 42020U);

    if (std::filesystem::exists("/dev/full")) {
        const std::string out = shell(cd + TARVEL_CLI_PATH " wav 2>&1 >/dev/full; echo status=$?");
        EXPECT_NE(out.find("could not be printed"), std::string::npos) << out;
        EXPECT_NE(out.find("status=1"), std::string::npos) << out;
    }
}

} // namespace
} // namespace tarvel::cli
