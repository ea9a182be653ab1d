#pragma once
// The frame options that several subcommands share (frame, wav).

#include "cli/CliCommon.h"
#include "frame/FrameBuild.h"

#include <array>
#include <string>
#include <string_view>

namespace tarvel::cli {

// If `option` is one of the frame options, reads its value into `params` and returns
// true; throws UsageError for a bad value. The defaults are the window's.
bool takeFrameOption(ArgCursor& args, const std::string& option, FrameParameters& params);

// The options takeFrameOption reads, for the "allowed:" list of an unknown option.
inline constexpr std::array<std::string_view, 5> kFrameOptionNames
    = {"--mode", "--pilot-hz", "--vox-threshold", "--vox-release-ms", "--max-tx-s"};

// "-m pilot|vox" for "--mode".
inline constexpr ShortOption kModeShort {'m', "--mode", true};

// "--mode, --pilot-hz, ..., " followed by a subcommand's own `others`.
std::string allowedOptions(std::string_view others);

// The lines of --help that describe the frame options.
extern const char* const kFrameOptionsHelp;

} // namespace tarvel::cli
