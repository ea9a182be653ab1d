// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/VersionText.h"

namespace tarvel {

std::string versionText(std::string_view program, std::string_view version, std::string_view revision)
{
    std::string text = std::string(program) + " " + std::string(version);
    if (!revision.empty())
        text += " (git " + std::string(revision) + ")";
    text += "\nLicence GPL-3.0-or-later (GNU GPL version 3 or later): free software, with no"
            " warranty.\n";
    return text;
}

} // namespace tarvel
