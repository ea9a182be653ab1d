#pragma once
// The frame options that several subcommands share (frame, wav).

#include "cli/CliCommon.h"
#include "frame/FrameBuild.h"

#include <string>

namespace tarvel::cli {

// If `option` is one of the frame options, reads its value into `params` and returns
// true; throws UsageError for a bad value. The defaults are the window's.
bool takeFrameOption(ArgCursor& args, const std::string& option, FrameParameters& params);

// The lines of --help that describe the frame options.
extern const char* const kFrameOptionsHelp;

} // namespace tarvel::cli
