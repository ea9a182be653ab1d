#pragma once
// Serialises the writers of one folder: while a FolderLock is held, every other process that
// takes one on the same folder waits. Two sends into one folder at once then leave the two
// files of one send, not a sound of one beside the table of the other.
//
// The lock is an advisory lock on the folder itself (no lock file is left behind). It is
// best effort: a folder that cannot be opened, or a file system without locks, gives a lock
// that is not held, and the writer goes on (its own file operations report the real error).

#include <filesystem>

namespace tarvel {

class FolderLock {
public:
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const noexcept { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

} // namespace tarvel
