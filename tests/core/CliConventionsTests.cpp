// SPDX-License-Identifier: GPL-3.0-or-later
// The conventions every command of the tool shares: --version, help COMMAND, "--", short
// forms, printable output and a failed output reported as a failure.

#include "BuildVersion.h"
#include "SignalTestSupport.h"
#include "cli/CliCommon.h"
#include "shared/VersionText.h"
#include "support/CliRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace tarvel::cli {
namespace {

using tarvel::testing::CliRun;
using tarvel::testing::TempFolder;
CliRun run(const std::vector<std::string>& args)
{
    return tarvel::testing::runTool(args);
}

std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

TEST(CliConventions, VersionNamesTheRevisionOnlyWhenKnownAndTheLicence)
{
    const std::string licence
        = "Licence GPL-3.0-or-later (GNU GPL version 3 or later): free software, with no warranty.\n";
    EXPECT_EQ(versionText("tarvel", "22.1", "0123abcd"), "tarvel 22.1 (git 0123abcd)\n" + licence);
    EXPECT_EQ(versionText("tarvel", "22.1", ""), "tarvel 22.1\n" + licence);
    for (const char* option : {"--version", "-V"}) {
        const CliRun r = run({option});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, versionText("tarvel", kVersion, kRevision));
        EXPECT_EQ(r.err, "");
    }
}

TEST(CliConventions, HelpCommandShowsThatCommandsHelp)
{
    for (const char* command : {"frame", "wav", "decode"}) {
        SCOPED_TRACE(command);
        const CliRun viaHelp = run({"help", command});
        EXPECT_EQ(viaHelp.status, 0);
        EXPECT_EQ(viaHelp.out, run({command, "--help"}).out);
        EXPECT_EQ(viaHelp.out, run({command, "-h"}).out);
        EXPECT_NE(viaHelp.out.find(std::string("Usage: tarvel ") + command), std::string::npos);
    }
    EXPECT_EQ(run({"help"}).out, run({"--help"}).out);
}

// The short forms and the joined forms mean exactly what their long forms mean.
TEST(CliConventions, ShortFormsEqualTheirLongForms)
{
    struct Case {
        std::vector<std::string> shortForm;
        std::vector<std::string> longForm;
    };
    const std::vector<Case> cases = {
        {{"frame", "-m", "vox"}, {"frame", "--mode", "vox"}},
        {{"frame", "-mvox"}, {"frame", "--mode=vox"}},
        {{"frame", "-l"}, {"frame", "--listing"}},
        {{"frame", "-lmvox"}, {"frame", "--listing", "--mode", "vox"}},
        {{"frame", "-lh"}, {"frame", "--help"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.shortForm));
        const CliRun s = run(c.shortForm);
        EXPECT_EQ(s.status, 0);
        EXPECT_EQ(s.out, run(c.longForm).out);
        EXPECT_EQ(s.err, "");
    }
    EXPECT_EQ(firstLine(run({"frame", "-mvox"}).out), "01 02 05 01 06 01 00 3C 14 00 64 00 1E 28 17 4F");
}

// After "--" nothing is an option; before it, unknown forms are refused as before.
TEST(CliConventions, BadConventionsAreRefusedWithOneClearLine)
{
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> mentions;
    };
    const std::vector<Case> cases = {
        {{"frame", "--", "--listing"}, {"unexpected argument '--listing'", "allowed"}},
        {{"wav", "--", "-C", "/tmp"}, {"unexpected argument '-C'", "allowed", "--directory"}},
        {{"frame", "-x"}, {"unknown option '-x'", "allowed"}},
        {{"frame", "-m"}, {"--mode", "missing value"}},
        {{"frame", "-lx"}, {"unknown option '-x'"}},
        {{"frame", "--help=yes"}, {"--help takes no value"}},
        {{"help", "bogus"}, {"unknown command 'bogus'", "frame, wav, decode"}},
        {{"help", "frame", "wav"}, {"one command at a time"}},
        {{"--version", "frame"}, {"--version takes no arguments", "'frame'"}},
        {{"-Z"}, {"unknown option '-Z'", "--version", "frame, wav, decode"}},
        {{"decode", "-l", "a.wav"}, {"unknown option '-l'", "allowed"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_REFUSED_IN_ONE_LINE(run(c.args), c.mentions);
    }
}

// A bundle is read letter by letter, so a very long one is read like a short one; one that
// ends in an unknown letter is refused naming that letter.
TEST(CliConventions, ALongBundleOfFlagsIsReadLikeOneFlag)
{
    const std::string bundle = "-" + std::string(200'000, 'l');
    const CliRun r = run({"frame", bundle});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, run({"frame", "--listing"}).out);
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> mentions = {"unknown option '-x'", "allowed"};
    EXPECT_REFUSED_IN_ONE_LINE(run({"frame", bundle + "x"}), mentions);
}

TEST(CliConventions, PrintableEscapesWhatATerminalWouldActOn)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain/folder", "plain/folder"}, {"line\nbreak\ttab", "line\\nbreak\\ttab"}, {"\x1b[2J", "\\x1B[2J"},
        {"del\x7f", "del\\x7F"},
        {"csi\xc2\x9b"
         "2J",
            "csi\\xC2\\x9B2J"}, // C1 control in UTF-8
        {"\xc2\x80\xc2\x9f", "\\xC2\\x80\\xC2\\x9F"}, {"\xc2\xa0nbsp", "\xc2\xa0nbsp"}, // U+00A0 is printable
        {"Папка", "Папка"}, // Cyrillic stays readable
        {"\xe2\x82\xac\xf0\x9f\x93\xbb", "\xe2\x82\xac\xf0\x9f\x93\xbb"},
        {"lone\x9b", "lone\\x9B"}, // not UTF-8: a raw 8-bit CSI
        {"cut\xd0", "cut\\xD0"}, // a sequence cut off
        {"\xc0\xaf", "\\xC0\\xAF"}, // overlong '/'
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"}, // a surrogate
    };
    for (const auto& [raw, shown] : cases) {
        SCOPED_TRACE(raw);
        EXPECT_EQ(printable(raw), shown);
    }
}

// Help and version texts that never arrived are failures like any other output.
TEST(CliConventions, UnwritableHelpOrVersionFails)
{
    for (const std::vector<std::string>& args : {std::vector<std::string> {"--help"}, {"help"},
             {"help", "wav"}, {"--version"}, {"frame", "--help"}, {"wav", "-h"}, {"decode", "--help"}}) {
        SCOPED_TRACE(::testing::PrintToString(args));
        std::ostream broken(nullptr);
        std::ostringstream err;
        EXPECT_EQ(runCli(args, broken, err), 1);
        EXPECT_NE(err.str().find("could not be printed"), std::string::npos) << err.str();
    }
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(tarvel::testing::shell(TARVEL_CLI_PATH " --help 2>/dev/null >/dev/full; echo status=$?"),
            "status=1\n");
    }
}

TEST(CliConventions, ReportedPathsArePrintableAndReal)
{
    TempFolder dir;
    const std::filesystem::path real = std::filesystem::canonical(dir.path());
    // A folder name that would clear the screen and break the report's lines.
    const std::filesystem::path odd = real / "a\nb\x1b[2J\xc2\x9b";
    std::filesystem::create_directory(odd);
    CliRun r = run({"wav", "-C", odd.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(firstLine(r.out), "wrote " + real.string() + "/a\\nb\\x1B[2J\\xC2\\x9B/_qq.wav");

    // "link/.." is the parent of the link's target, which is where the files go.
    std::filesystem::create_directories(real / "deep" / "target");
    std::filesystem::create_directory_symlink(real / "deep" / "target", real / "link");
    r = run({"wav", "-C", (real / "link" / "..").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(firstLine(r.out), "wrote " + (real / "deep" / "_qq.wav").string());
    EXPECT_TRUE(std::filesystem::exists(real / "deep" / "_qq.wav"));
}

} // namespace
} // namespace tarvel::cli
