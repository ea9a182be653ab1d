// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Cli.h"

#include "BuildVersion.h"
#include "cli/CliCommon.h"
#include "shared/VersionText.h"

#include <functional>

namespace tarvel::cli {

namespace {

const char* const kUsage
    = "tarvel: programs the Tarvel radio interface over audio, from the command line.\n"
      "\n"
      "Usage: tarvel COMMAND [OPTIONS]\n"
      "       tarvel help COMMAND\n"
      "       tarvel --version\n"
      "\n"
      "Commands:\n"
      "  frame     build the 16-byte parameter frame with its CRC-16 and print it\n"
      "  wav       turn the frame into its signal and write _qq.wav and 9_fmsig.h\n"
      "  decode    read a recording of the signal back into the frame and check its CRC\n"
      "  send      write the two files and play _qq.wav to the interface (--verify reads it back)\n"
      "  devices   list the sound outputs and inputs that --device and --verify-from take\n"
      "  tone      play a steady tone at the signal's level, for setting the volume\n"
      "\n"
      "Options:\n"
      "  -h, --help      show this help\n"
      "  -V, --version   show the version, the revision it was built from, the licence\n"
      "\n"
      "Run 'tarvel help COMMAND' or 'tarvel COMMAND --help' for the options of a command.\n"
      "Every command takes '--' to end its options.\n"
      "\n"
      "Example:\n"
      "  tarvel frame --mode vox --vox-threshold 10\n";

struct Command {
    const char* name;
    std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)> run;
};

const std::vector<Command>& commands()
{
    static const std::vector<Command> table = {
        {"frame", runFrame},
        {"wav", runWav},
        {"decode", runDecode},
        {"send", [](const auto& a, auto& o, auto& e) { return runSoundProgram("send", a, o, e); }},
        {"devices", [](const auto& a, auto& o, auto& e) { return runSoundProgram("devices", a, o, e); }},
        {"tone", [](const auto& a, auto& o, auto& e) { return runSoundProgram("tone", a, o, e); }},
    };
    return table;
}

const Command* findCommand(const std::string& name)
{
    for (const Command& c : commands())
        if (name == c.name)
            return &c;
    return nullptr;
}

std::string commandNames()
{
    std::string allowed;
    for (const Command& c : commands())
        allowed += (allowed.empty() ? "" : ", ") + std::string(c.name);
    return allowed;
}

// "tarvel help [COMMAND]": the general help, or the command's own.
int runHelp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return printText(out, err, "tarvel", kUsage);
    if (args.size() > 1) {
        err << "tarvel help: "
            << printable("one command at a time; got '" + args[0] + "' and '" + args[1] + "'") << '\n';
        return kExitUsage;
    }
    if (const Command* c = findCommand(args[0]))
        return c->run({"--help"}, out, err);
    err << "tarvel help: unknown command '" << printable(args[0]) << "'; allowed: " << commandNames() << '\n';
    return kExitUsage;
}

} // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << "tarvel: missing command; allowed: " << commandNames() << " (see 'tarvel --help')\n";
        return kExitUsage;
    }
    const std::string& name = args.front();
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (name == "--help" || name == "-h" || name == "help")
        return runHelp(rest, out, err);
    if (name == "--version" || name == "-V") {
        if (!rest.empty()) {
            err << "tarvel: " << name << " takes no arguments; got '" << printable(rest.front()) << "'\n";
            return kExitUsage;
        }
        return printText(out, err, "tarvel", versionText("tarvel", kVersion, kRevision));
    }
    if (const Command* c = findCommand(name))
        return c->run(rest, out, err);
    if (name.size() > 1 && name[0] == '-') {
        err << "tarvel: unknown option '" << printable(name)
            << "'; allowed: --help, --version, or a command: " << commandNames() << '\n';
        return kExitUsage;
    }
    err << "tarvel: unknown command '" << printable(name) << "'; allowed: " << commandNames()
        << " (see 'tarvel --help')\n";
    return kExitUsage;
}

} // namespace tarvel::cli
