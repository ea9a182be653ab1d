#include "shared/AtomicFile.h"

#include <cerrno>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvel {

namespace {

std::string describe(const std::filesystem::path& path, int errorNumber)
{
    return "Cannot create file \"" + fullPath(path).string() + "\". "
        + std::generic_category().message(errorNumber);
}

// A name no other writer uses: the target's name behind a dot (hidden, so that a file
// left by a crash does not clutter the folder) and a random suffix.
std::filesystem::path temporaryNameFor(const std::filesystem::path& target, std::mt19937& random)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string suffix(8, '0');
    for (char& c : suffix)
        c = hex[random() & 0xFU];
    return target.parent_path() / ("." + target.filename().string() + "." + suffix + ".tmp");
}

} // namespace

FileError::FileError(const std::filesystem::path& path, int errorNumber)
        : std::runtime_error(describe(path, errorNumber)), path_(fullPath(path)), errorNumber_(errorNumber)
{
}

std::filesystem::path fullPath(const std::filesystem::path& path)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    // The folder as the system resolves it: "link/.." is the parent of the link's target,
    // not the folder the text names. The file's own name is kept, since a link there is
    // replaced, never followed. A folder that does not exist is resolved as far as it does.
    const std::filesystem::path folder = std::filesystem::weakly_canonical(absolute.parent_path(), ec);
    if (ec)
        return absolute.lexically_normal();
    return folder / absolute.filename();
}

AtomicFile::AtomicFile(const std::filesystem::path& target) : target_(target)
{
    // The target itself must be replaceable: a folder cannot be, and a file that may
    // not be written is refused rather than silently swapped for a new one.
    struct stat existing { };
    const bool replacing = ::stat(target_.c_str(), &existing) == 0;
    if (replacing) {
        if (S_ISDIR(existing.st_mode))
            fail(EISDIR);
        if (::access(target_.c_str(), W_OK) != 0)
            fail(errno);
    }

    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = temporaryNameFor(target_, random);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            temporary_ = std::move(candidate);
            // A replaced file keeps its permissions (a private 0600 file stays private).
            if (replacing && ::fchmod(fd_, existing.st_mode & 07777) != 0)
                fail(errno);
            return;
        }
        if (errno != EEXIST)
            fail(errno);
    }
    fail(EEXIST);
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::write(std::span<const std::uint8_t> bytes)
{
    if (fd_ < 0)
        fail(EBADF);
    const std::uint8_t* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        if (written == 0)
            fail(EIO);
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

void AtomicFile::write(std::string_view text)
{
    write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void AtomicFile::commit()
{
    if (fd_ < 0)
        fail(EBADF);
    // No fsync: both files are made afresh by every send and played at once, so a power
    // loss costs nothing that the next send does not remake, while a sync would make every
    // send wait for the disk (about 20 ms here, ten times the whole send preparation). What
    // the rename does guarantee is that a failed or interrupted write never replaces the
    // previous file with a torn one.
    // close() may be the first to report a failed write on some file systems.
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(errno);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        fail(errno);
    temporary_.clear();
}

void AtomicFile::fail(int errorNumber)
{
    discard();
    throw FileError(target_, errorNumber);
}

void AtomicFile::discard() noexcept
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

} // namespace tarvel
