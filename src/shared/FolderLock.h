#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Serialises the writers of one folder: while a FolderLock is held, every other process that
// takes one on the same folder waits. Two sends into one folder at once then leave the two
// files of one send, not a sound of one beside the table of the other.
//
// Two locks, taken in this order:
// - an advisory lock on the folder itself, where the sender may read the folder (what other
//   tools take with `flock FOLDER`);
// - an advisory lock on the hidden file ".tarvel.lock" in the folder, which every sender
//   takes, including one that may write the folder but not read it (mode 0333). The file is
//   made for the lock and removed with it (also when a catchable signal ends the sender);
//   one left by SIGKILL is taken over and removed by the next sender.
// Both are best effort: a file system without locks, or a lock file another user keeps
// unreadable, gives a lock that is not held, and the writer goes on (its own file
// operations report the real errors).

#include "shared/FolderHandle.h"

#include <filesystem>

namespace tarvel {

inline constexpr const char* kFolderLockFileName = ".tarvel.lock";

class FolderLock {
public:
    explicit FolderLock(const FolderHandle& folder);
    // Opens the folder for the lock alone (a looker between sends).
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const noexcept { return held_; }

private:
    void lock(const FolderHandle& folder);
    bool lockFile(int folderFd);

    int folderFd_ = -1; // the folder's lock
    int lockFolderFd_ = -1; // where the lock file lies, to remove it
    int fileFd_ = -1; // the lock file's lock
    int cleanupSlot_ = -1; // the lock file's entry in the signal-time clean-up
    bool held_ = false;
};

} // namespace tarvel
