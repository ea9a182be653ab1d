// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WorkingFolder.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <system_error>

#include <sys/stat.h>

namespace tarvel {

namespace fs = std::filesystem;

UserFolder perUserFolder(const char* xdgDataHome, const char* home)
{
    // The XDG rule: a relative XDG_DATA_HOME is invalid and is ignored.
    const bool homeUsable = home && fs::path(home).is_absolute();
    if (xdgDataHome && fs::path(xdgDataHome).is_absolute()) {
        const fs::path dataHome = fs::path(xdgDataHome).lexically_normal();
        const fs::path data = dataHome.has_filename() ? dataHome : dataHome.parent_path();
        // Inside the home, the home is what must exist; elsewhere the folder it is made in.
        const fs::path inHome
            = homeUsable ? data.lexically_relative(fs::path(home).lexically_normal()) : fs::path();
        if (!inHome.empty() && *inHome.begin() != "..")
            return {data / "tarvel", fs::path(home), "the home folder (HOME)"};
        return {data / "tarvel", data.parent_path(), "the folder above XDG_DATA_HOME"};
    }
    if (homeUsable)
        return {fs::path(home) / ".local" / "share" / "tarvel", fs::path(home), "the home folder (HOME)"};
    return {};
}

fs::path shippedHelpFolder(const fs::path& executableFolder)
{
    return (executableFolder / ".." / "share" / "tarvel" / "help").lexically_normal();
}

namespace {

// Makes the levels of `folder` below the existing `base` one at a time: the data home's
// levels 0700 (the XDG rules), the last one as any new folder. Empty, or the reason it failed.
std::string makeLevelsBelow(const fs::path& base, const fs::path& folder)
{
    const fs::path below = folder.lexically_relative(base);
    fs::path level = base;
    std::size_t left = static_cast<std::size_t>(std::distance(below.begin(), below.end()));
    for (const fs::path& name : below) {
        level /= name;
        --left;
        if (::mkdir(level.c_str(), left > 0 ? 0700 : 0777) == 0 || errno == EEXIST)
            continue;
        return std::error_code(errno, std::generic_category()).message();
    }
    return {};
}

} // namespace

PreparedFolder prepareWorkingFolder(const UserFolder& user, const fs::path& shippedHelp)
{
    PreparedFolder result;
    const fs::path& folder = user.folder;
    std::error_code ec;
    if (!fs::is_directory(user.base, ec)) {
        result.error = user.baseName + " " + user.base.string() + " does not exist, so " + folder.string()
            + " was not made: set HOME, or XDG_DATA_HOME, to an existing folder";
        return result;
    }
    const std::string notMade = makeLevelsBelow(user.base, folder);
    if (!notMade.empty() || !fs::is_directory(folder, ec)) {
        result.error = "cannot create the folder " + folder.string() + ": "
            + (!notMade.empty() ? notMade : std::string("a file of that name is in the way"));
        return result;
    }
    std::vector<fs::path> shipped;
    for (fs::directory_iterator it(shippedHelp, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".rtf" && it->is_regular_file())
            shipped.push_back(it->path());
    std::sort(shipped.begin(), shipped.end());
    for (const fs::path& source : shipped) {
        const fs::path target = folder / source.filename();
        // A link or anything else of that name counts as the user's: never replaced.
        if (fs::symlink_status(target).type() != fs::file_type::not_found)
            continue;
        std::error_code copyError;
        fs::copy_file(source, target, fs::copy_options::skip_existing, copyError);
        if (copyError) {
            result.error = "cannot copy " + source.filename().string() + " into " + folder.string() + ": "
                + copyError.message();
            return result;
        }
        result.copied.push_back(source.filename().string());
    }
    return result;
}

} // namespace tarvel
