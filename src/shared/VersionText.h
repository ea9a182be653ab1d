#pragma once
// The one line that `--version` prints, for the command-line tool and the window alike.

#include <string>
#include <string_view>

namespace tarvel {

// "PROGRAM VERSION (git REVISION)", or "PROGRAM VERSION" when the revision is not known.
std::string versionLine(std::string_view program, std::string_view version, std::string_view revision);

} // namespace tarvel
