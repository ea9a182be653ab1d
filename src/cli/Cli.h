#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line tool `tarvel`: one function per subcommand, each writing to the
// streams it is given so that tests run it in-process.

#include <ostream>
#include <string>
#include <vector>

namespace tarvel::cli {

// args excludes the program name. Returns the exit status.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int runFrame(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runWav(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runDecode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// send, devices, tone: replaces this process by tarvel-sound (beside this program, else in
// ../libexec/tarvel from its folder) running `command`; returns only when that program
// cannot be started.
int runSoundProgram(
    const std::string& command, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tarvel::cli
