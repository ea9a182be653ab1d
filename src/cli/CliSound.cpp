// SPDX-License-Identifier: GPL-3.0-or-later
// The playing commands (send, devices, tone) run in tarvel-sound, a program of its own, so
// that the sound library's start-up is paid only by them. It stands beside this program in
// the build tree and in libexec/tarvel once installed, off the PATH.

#include "cli/Cli.h"
#include "cli/CliCommon.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace tarvel::cli {

namespace {

struct SoundProgram {
    std::filesystem::path path;
    std::string lookedAt; // the places tried, for the message when none has it
};

// Beside this program first (the build tree), then the installed program folder, reached
// from this program's own folder so that any install prefix works.
SoundProgram findSoundProgram()
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path bin = ec ? std::filesystem::path(".") : self.parent_path();
    const std::filesystem::path candidates[] = {
        bin / "tarvel-sound",
        (bin / TARVEL_SOUND_FROM_BIN / "tarvel-sound").lexically_normal(),
    };
    SoundProgram found {candidates[1], candidates[0].string() + " or " + candidates[1].string()};
    for (const auto& candidate : candidates) {
        if (access(candidate.c_str(), X_OK) == 0) {
            found.path = candidate;
            break;
        }
    }
    return found;
}

} // namespace

int runSoundProgram(
    const std::string& command, const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const SoundProgram program = findSoundProgram();
    std::vector<std::string> all {program.path.string(), command};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(all.size() + 1);
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    out.flush();
    err.flush();
    execv(program.path.c_str(), argv.data());
    const int error = errno;
    err << "tarvel " << command << ": cannot run tarvel-sound (looked for " << program.lookedAt
        << "): " << std::strerror(error)
        << "; the playing commands need it, built with the window's sound library\n";
    return kExitFailure;
}

} // namespace tarvel::cli
