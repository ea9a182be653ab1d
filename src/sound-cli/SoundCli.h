#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel-sound: the commands of `tarvel` that play sound (send, devices, tone). They live in
// a program of their own so that the sound server's start-up stays off the others; `tarvel`
// hands these commands over to it. Each command writes to the streams it is given.

#include <ostream>
#include <string>
#include <vector>

namespace tarvel::cli {

// args[0] is the command; returns the exit status. `out` is a terminal when `outIsTerminal`.
int runSoundCli(
    const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool outIsTerminal);

int runSend(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool outIsTerminal);
int runDevices(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runTone(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool outIsTerminal);

} // namespace tarvel::cli
