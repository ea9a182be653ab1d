#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The folder the window works in: it reads help1.rtf to help3.rtf there and writes _qq.wav
// and 9_fmsig.h there. Started from a terminal, that is the current folder; started from the
// desktop's menu (TARVEL_USER_FOLDER=1), a folder of the user's own under the XDG data home,
// prepared on first start with the help files the program ships, so that the menu entry
// never fills the home folder itself.

#include <filesystem>
#include <string>
#include <vector>

namespace tarvel {

// $XDG_DATA_HOME/tarvel when that is an absolute path, otherwise $HOME/.local/share/tarvel;
// empty when neither is usable (no absolute HOME).
std::filesystem::path perUserFolder(const char* xdgDataHome, const char* home);

// Where an installed program finds the help files it ships: PREFIX/share/tarvel/help beside
// PREFIX/bin, so that an unpacked package works wherever it lies.
std::filesystem::path shippedHelpFolder(const std::filesystem::path& executableFolder);

struct PreparedFolder {
    std::vector<std::string> copied; // the help files put there now
    std::string error; // empty on success
};

// Creates `folder` with its parents and copies into it each shipped help file (*.rtf) that is
// not there yet: a help file the user has edited or added is never replaced. A missing
// shipped folder copies nothing and is no error.
PreparedFolder prepareWorkingFolder(
    const std::filesystem::path& folder, const std::filesystem::path& shippedHelp);

} // namespace tarvel
