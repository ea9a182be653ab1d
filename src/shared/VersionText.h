#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The text that `--version` prints, for the command-line tool and the window alike.

#include <string>
#include <string_view>

namespace tarvel {

// Two lines: "PROGRAM VERSION (git REVISION)", or "PROGRAM VERSION" when the revision is not
// known, then the licence. Ends with a newline.
std::string versionText(std::string_view program, std::string_view version, std::string_view revision);

} // namespace tarvel
