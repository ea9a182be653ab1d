// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound-cli/SoundCli.h"

#include "cli/CliCommon.h"

namespace tarvel::cli {

namespace {

const char* const kSoundCliHelp
    = "Usage: tarvel-sound COMMAND [OPTION]...\n"
      "\n"
      "The playing commands of tarvel (send, devices, tone), in a program of their own so that\n"
      "the sound library's start-up stays off tarvel's other commands. tarvel runs it; use\n"
      "'tarvel send', 'tarvel devices' and 'tarvel tone', and 'tarvel help COMMAND' for their\n"
      "options.\n";

} // namespace

int runSoundCli(
    const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool outIsTerminal)
{
    const std::vector<std::string> rest(args.empty() ? args.end() : args.begin() + 1, args.end());
    const std::string command = args.empty() ? std::string() : args.front();
    if (command == "send")
        return runSend(rest, out, err, outIsTerminal);
    if (command == "devices")
        return runDevices(rest, out, err);
    if (command == "tone")
        return runTone(rest, out, err, outIsTerminal);
    if (command == "--help" || command == "-h")
        return printText(out, err, "tarvel-sound", kSoundCliHelp);
    err << "tarvel-sound: unknown command '" << printable(command)
        << "'; allowed: send, devices, tone (run through 'tarvel')\n";
    return kExitUsage;
}

} // namespace tarvel::cli
