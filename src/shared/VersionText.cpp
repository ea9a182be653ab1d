#include "shared/VersionText.h"

namespace tarvel {

std::string versionLine(std::string_view program, std::string_view version, std::string_view revision)
{
    std::string line = std::string(program) + " " + std::string(version);
    if (!revision.empty())
        line += " (git " + std::string(revision) + ")";
    return line;
}

} // namespace tarvel
