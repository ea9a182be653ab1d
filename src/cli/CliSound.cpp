// The playing commands (send, devices, tone) run in tarvel-sound, a program of its own
// beside this one, so that the sound library's start-up is paid only by them.

#include "cli/Cli.h"
#include "cli/CliCommon.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace tarvel::cli {

namespace {

std::filesystem::path soundProgram()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (ec ? std::filesystem::path(".") : self.parent_path()) / "tarvel-sound";
}

} // namespace

int runSoundProgram(
    const std::string& command, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const std::filesystem::path program = soundProgram();
    std::vector<std::string> all {program.string(), command};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(all.size() + 1);
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    out.flush();
    err.flush();
    execv(program.c_str(), argv.data());
    const int error = errno;
    err << "tarvel " << command << ": cannot run " << program.string() << ": " << std::strerror(error)
        << " (the playing commands need tarvel-sound, built with the window's sound library)\n";
    return kExitFailure;
}

} // namespace tarvel::cli
