#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The options of a send that `tarvel wav` and `tarvel send` share (the frame, the filter, the
// folder) and the first send of a run written from them.

#include "cli/OptionParser.h"
#include "frame/FrameBuild.h"
#include "shared/SharedState.h"

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel::cli {

struct SignalOptions {
    FrameParameters frame;
    bool filterOn = true;
    double alfa = kDefaultAlfa;
    std::filesystem::path folder = ".";
};

// The help lines of --no-filter, --alfa and --directory.
extern const char* const kSignalOptionsHelp;

// Adds the frame options, --no-filter, --alfa and --directory (-C DIR, -CDIR) to `parser`,
// read into `options`; a bad value is a UsageError.
void addSignalOptions(OptionParser& parser, SignalOptions& options);

// Alfa 0 with the filter on holds the phase still: the signal carries no tones at all.
void warnIfNoTones(std::ostream& err, std::string_view command, const SignalOptions& options);

// The folder of -C could not be made; what() is the one line that says why.
class FolderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes _qq.wav and 9_fmsig.h into options.folder as the first send of a run (a fresh
// generator); returns the signal's length in samples. A folder that does not exist is made
// first, the last level only. Throws FolderError or FileError. With `wav`, hands back the bytes
// of the _qq.wav written, for a player that must play this send and no later one.
std::int32_t writeFirstSend(const SignalOptions& options, std::vector<std::uint8_t>* wav = nullptr);

} // namespace tarvel::cli
