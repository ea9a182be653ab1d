#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The frame options that several subcommands share (frame, wav, send), with the ranges and
// defaults of the frame's field table.

#include "cli/OptionParser.h"
#include "frame/FrameBuild.h"

#include <string>

namespace tarvel::cli {

// Adds --mode (-m), --pilot-hz, --vox-threshold, --vox-release-ms, --max-tx-s and --settings
// to `parser`, read into `params` in the order given (so options after --settings win); a bad
// value or settings file is a UsageError. A value given switches on the check box that gates
// it (--max-tx-s sets a limit). What is not given keeps the window's default.
void addFrameOptions(OptionParser& parser, FrameParameters& params);

// The lines of --help that describe the frame options.
const std::string& frameOptionsHelp();

} // namespace tarvel::cli
