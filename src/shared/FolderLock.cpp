#include "shared/FolderLock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarvel {

FolderLock::FolderLock(const std::filesystem::path& folder)
{
    fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    int result = 0;
    while ((result = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) { }
    held_ = result == 0;
}

FolderLock::~FolderLock()
{
    // Closing the descriptor releases the lock.
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace tarvel
