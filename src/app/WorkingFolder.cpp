// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WorkingFolder.h"

#include <algorithm>
#include <system_error>

namespace tarvel {

namespace fs = std::filesystem;

fs::path perUserFolder(const char* xdgDataHome, const char* home)
{
    // The XDG rule: a relative XDG_DATA_HOME is invalid and is ignored.
    if (xdgDataHome && fs::path(xdgDataHome).is_absolute())
        return fs::path(xdgDataHome) / "tarvel";
    if (home && fs::path(home).is_absolute())
        return fs::path(home) / ".local" / "share" / "tarvel";
    return {};
}

fs::path shippedHelpFolder(const fs::path& executableFolder)
{
    return (executableFolder / ".." / "share" / "tarvel" / "help").lexically_normal();
}

PreparedFolder prepareWorkingFolder(const fs::path& folder, const fs::path& shippedHelp)
{
    PreparedFolder result;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        result.error = "cannot create the folder " + folder.string() + ": "
            + (ec ? ec.message() : std::string("a file of that name is in the way"));
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
