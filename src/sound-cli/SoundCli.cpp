#include "sound-cli/SoundCli.h"

#include "cli/CliCommon.h"

namespace tarvel::cli {

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
    err << "tarvel-sound: unknown command '" << printable(command)
        << "'; allowed: send, devices, tone (run through 'tarvel')\n";
    return kExitUsage;
}

} // namespace tarvel::cli
