#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Running the command-line tool in tests: in-process through runCli, or as a real process
// through the shell.

#include "cli/Cli.h"

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace tarvel::testing {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

inline CliRun runTool(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = cli::runCli(args, out, err);
    return {status, out.str(), err.str()};
}

// Everything the command prints on stdout (redirect stderr in the command to see it).
inline std::string shell(const std::string& command)
{
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return "popen failed";
    std::string output;
    char buf[256];
    while (fgets(buf, sizeof buf, p))
        output += buf;
    pclose(p);
    return output;
}

// A refused command line: status 2, nothing on stdout, exactly one line on stderr that
// mentions every one of `mentions`. For use inside a GoogleTest test.
#define EXPECT_REFUSED_IN_ONE_LINE(run, mentions)                                                            \
    do {                                                                                                     \
        const ::tarvel::testing::CliRun& refused_ = (run);                                                   \
        EXPECT_EQ(refused_.status, 2);                                                                       \
        EXPECT_EQ(refused_.out, "");                                                                         \
        ASSERT_FALSE(refused_.err.empty());                                                                  \
        EXPECT_EQ(refused_.err.find('\n'), refused_.err.size() - 1) << "exactly one line: " << refused_.err; \
        for (const std::string& m : (mentions))                                                              \
            EXPECT_NE(refused_.err.find(m), std::string::npos) << "'" << m << "' not in: " << refused_.err;  \
    } while (false)

} // namespace tarvel::testing
