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

// The user's own folder and the folder above it that is never made: a missing home means a
// broken session, and making it would put a home where none belongs.
struct UserFolder {
    std::filesystem::path folder; // empty when neither XDG_DATA_HOME nor HOME is usable
    std::filesystem::path base; // must exist; only the levels below it are made
    std::string baseName; // what `base` is, for the message when it is missing
};

// $XDG_DATA_HOME/tarvel when that is an absolute path (below HOME when it lies in the home,
// else below XDG_DATA_HOME's parent), otherwise $HOME/.local/share/tarvel (below HOME); no
// folder when neither is usable (no absolute HOME).
UserFolder perUserFolder(const char* xdgDataHome, const char* home);

// Where an installed program finds the help files it ships: PREFIX/share/tarvel/help beside
// PREFIX/bin, so that an unpacked package works wherever it lies.
std::filesystem::path shippedHelpFolder(const std::filesystem::path& executableFolder);

struct PreparedFolder {
    std::vector<std::string> copied; // the help files put there now
    std::string error; // empty on success
};

// Creates the user's folder and copies into it each shipped help file (*.rtf) that is not there
// yet: a help file the user has edited or added is never replaced. Only the levels below
// `base` are made, the data home's own with mode 0700 as the XDG rules ask; a missing base
// is an error and nothing is made. A missing shipped folder copies nothing and is no error.
PreparedFolder prepareWorkingFolder(const UserFolder& user, const std::filesystem::path& shippedHelp);

} // namespace tarvel
