#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// One folder, opened once: everything a send does in it (lock, clean-up, temporary files,
// renames) goes through this handle, so a symbolic link re-pointed while the send runs cannot
// send one file to one folder and the other elsewhere. The handle needs no permission to
// list the folder: one that may be written but not read (mode 0333) is opened all the same.

#include <filesystem>

namespace tarvel {

class FolderHandle {
public:
    // Opens `folder` (the current folder when empty). A failure is kept, not thrown, so that
    // the first file written there reports it under its own name.
    explicit FolderHandle(const std::filesystem::path& folder);
    ~FolderHandle();
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    bool isOpen() const noexcept { return fd_ >= 0; }
    // The errno of the failed open; 0 when open.
    int error() const noexcept { return error_; }
    // An O_PATH descriptor of the folder, for the *at() calls; -1 when not open.
    int fd() const noexcept { return fd_; }
    // The folder as it was named, for messages.
    const std::filesystem::path& path() const noexcept { return path_; }
    // A descriptor of the same folder that may be listed and locked, owned by the caller;
    // -1 with errno set where the folder may not be read.
    int openForReading() const noexcept;

private:
    std::filesystem::path path_;
    int fd_ = -1;
    int error_ = 0;
};

} // namespace tarvel
