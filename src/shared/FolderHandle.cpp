// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/FolderHandle.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace tarvel {

FolderHandle::FolderHandle(const std::filesystem::path& folder)
        : path_(folder.empty() ? std::filesystem::path(".") : folder)
{
    fd_ = ::open(path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        error_ = errno;
}

FolderHandle::~FolderHandle()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int FolderHandle::openForReading() const noexcept
{
    if (fd_ < 0) {
        errno = error_;
        return -1;
    }
    return ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace tarvel
