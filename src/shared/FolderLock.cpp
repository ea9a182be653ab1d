// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/FolderLock.h"

#include "shared/AtomicFileSignals.h"

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvel {

namespace {

bool lockExclusive(int fd)
{
    int result = 0;
    while ((result = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) { }
    return result == 0;
}

// Another user's lock file is unreadable only between its creation and its chmod; one
// that stays so (its sender killed just then) is given up on after this long.
constexpr auto kUnreadableLockPatience = std::chrono::seconds(2);
constexpr auto kUnreadableLockPoll = std::chrono::milliseconds(5);

} // namespace

FolderLock::FolderLock(const FolderHandle& folder)
{
    lock(folder);
}

FolderLock::FolderLock(const std::filesystem::path& folder)
{
    const FolderHandle handle(folder);
    lock(handle);
}

void FolderLock::lock(const FolderHandle& folder)
{
    if (!folder.isOpen())
        return;
    folderFd_ = folder.openForReading();
    const bool folderLocked = folderFd_ < 0 || lockExclusive(folderFd_);
    held_ = folderLocked && lockFile(folder.fd());
}

// The lock file may be removed by its holder (and made anew by the next sender) while we
// wait for it, so the lock counts only when the name still leads to the file we locked.
bool FolderLock::lockFile(int folderFd)
{
    lockFolderFd_ = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (lockFolderFd_ < 0)
        return false;
    const auto patience = std::chrono::steady_clock::now() + kUnreadableLockPatience;
    for (;;) {
        // A signal between making the file and registering it for removal would leave it
        // behind: from the making to the registering, signals wait.
        std::optional<CommitWindow> signalsWait(std::in_place);
        // Read-only is enough for flock; O_NONBLOCK keeps a planted FIFO from blocking us.
        constexpr int kOpen = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        int fd = ::openat(lockFolderFd_, kFolderLockFileName, kOpen | O_CREAT | O_EXCL, 0444);
        if (fd >= 0) {
            ::fchmod(fd, 0444); // past the umask: any sender may open it to lock it
        } else {
            signalsWait.reset(); // someone else's file: waiting for it may take long
            if (errno == EEXIST)
                fd = ::openat(lockFolderFd_, kFolderLockFileName, kOpen);
        }
        if (fd < 0) {
            if (errno == ENOENT || errno == EINTR)
                continue; // removed by its holder in between
            if (errno == EACCES && std::chrono::steady_clock::now() < patience) {
                std::this_thread::sleep_for(kUnreadableLockPoll);
                continue;
            }
            return false;
        }
        struct stat locked { };
        struct stat named { };
        if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode) || !lockExclusive(fd)) {
            ::close(fd);
            return false;
        }
        if (::fstatat(lockFolderFd_, kFolderLockFileName, &named, AT_SYMLINK_NOFOLLOW) == 0
            && named.st_dev == locked.st_dev && named.st_ino == locked.st_ino) {
            fileFd_ = fd;
            // A signal that ends the sender removes it too, as the destructor would.
            cleanupSlot_ = registerTemporary(lockFolderFd_, kFolderLockFileName);
            return true;
        }
        ::close(fd);
    }
}

FolderLock::~FolderLock()
{
    // Removed while still held, so that a waiter never takes over a file nobody can find.
    if (fileFd_ >= 0) {
        const CommitWindow signalsWait; // removed and unregistered as one step
        unregisterTemporary(cleanupSlot_);
        ::unlinkat(lockFolderFd_, kFolderLockFileName, 0);
        ::close(fileFd_);
    }
    if (lockFolderFd_ >= 0)
        ::close(lockFolderFd_);
    // Closing the descriptor releases the folder's lock.
    if (folderFd_ >= 0)
        ::close(folderFd_);
}

} // namespace tarvel
