#include "cli/Cli.h"

#include "cli/CliCommon.h"

#include <functional>

namespace tarvel::cli {

namespace {

const char* const kUsage
    = "tarvel: programs the Tarvel radio interface over audio, from the command line.\n"
      "\n"
      "Usage: tarvel COMMAND [OPTIONS]\n"
      "\n"
      "Commands:\n"
      "  frame     build the 16-byte parameter frame with its CRC-16 and print it\n"
      "  wav       turn the frame into its signal and write _qq.wav and 9_fmsig.h\n"
      "  decode    read a recording of the signal back into the frame and check its CRC\n"
      "  send      write the two files and play _qq.wav to the interface (--verify reads it back)\n"
      "  devices   list the sound outputs and inputs that --device and --verify-from take\n"
      "  tone      play a steady tone at the signal's level, for setting the volume\n"
      "\n"
      "Run 'tarvel COMMAND --help' for the options of a command.\n"
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

} // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << "tarvel: missing command; allowed: frame, wav, decode, send, devices, tone (see 'tarvel "
               "--help')\n";
        return kExitUsage;
    }
    const std::string& name = args.front();
    if (name == "--help" || name == "-h" || name == "help") {
        out << kUsage;
        return kExitOk;
    }
    for (const Command& c : commands()) {
        if (name == c.name)
            return c.run(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    }
    std::string allowed;
    for (const Command& c : commands())
        allowed += (allowed.empty() ? "" : ", ") + std::string(c.name);
    err << "tarvel: unknown command '" << printable(name) << "'; allowed: " << allowed
        << " (see 'tarvel --help')\n";
    return kExitUsage;
}

} // namespace tarvel::cli
