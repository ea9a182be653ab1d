// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound-cli/SoundCli.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarvel::cli {
namespace {

// The program is off the PATH but may still be found and asked what it is: it answers with
// its help, pointing at the commands of tarvel, not with an unknown command.
TEST(SoundCli, HelpSaysWhatItIsAndHowToRunTheCommands)
{
    for (const char* asked : {"--help", "-h"}) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runSoundCli({asked}, out, err, false), 0) << asked;
        EXPECT_EQ(err.str(), "") << asked;
        for (const char* wanted : {"Usage: tarvel-sound", "'tarvel send'", "'tarvel help COMMAND'"})
            EXPECT_NE(out.str().find(wanted), std::string::npos) << asked << ": " << wanted;
    }
}

TEST(SoundCli, AnUnknownCommandIsRefusedWithTheChoices)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runSoundCli({"frame"}, out, err, false), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("unknown command 'frame'; allowed: send, devices, tone"), std::string::npos);
}

} // namespace
} // namespace tarvel::cli
