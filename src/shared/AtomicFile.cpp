// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/AtomicFile.h"

#include "shared/AtomicFileSignals.h"

#include <cerrno>
#include <functional>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace tarvel {

namespace {

std::string describe(const std::filesystem::path& path, int errorNumber)
{
    return "Cannot create file \"" + fullPath(path).string() + "\". "
        + std::generic_category().message(errorNumber);
}

constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kRandomDigits = 8;

// "._qq.wav.0123abcd.tmp": hidden, so that one left by a power loss does not clutter the
// folder, and recognisable, so that the next write can remove it.
std::string temporaryNameFor(const std::string& targetName, std::string_view digits)
{
    return "." + targetName + "." + std::string(digits) + std::string(kTemporarySuffix);
}

std::string randomDigits(std::mt19937& random)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string digits(kRandomDigits, '0');
    for (char& c : digits)
        c = hex[random() & 0xFU];
    return digits;
}

bool isTemporaryNameOf(std::string_view name, const std::string& targetName)
{
    const std::size_t prefix = 1 + targetName.size() + 1;
    if (name.size() != prefix + kRandomDigits + kTemporarySuffix.size())
        return false;
    if (name[0] != '.' || name.substr(1, targetName.size()) != targetName || name[prefix - 1] != '.'
        || !name.ends_with(kTemporarySuffix))
        return false;
    for (const char c : name.substr(prefix, kRandomDigits))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// Tried first: a writer holding the folder's lock always gets it, and the next one can
// then find what a killed writer left even where the folder may not be listed.
constexpr std::string_view kFirstDigits = "00000000";

// The extended attributes a replaced file passes on: its access ACL and the user's own.
bool isPassedOn(std::string_view attribute)
{
    return attribute == "system.posix_acl_access" || attribute.starts_with("user.");
}

std::filesystem::path folderOf(const std::filesystem::path& target)
{
    return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
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

AtomicFile::AtomicFile(const FolderHandle& folder, const std::string& name, Temporary kind)
        : AtomicFile(folder.isOpen() ? ::fcntl(folder.fd(), F_DUPFD_CLOEXEC, 0) : -1,
            folder.isOpen() ? errno : folder.error(), folder.path() / name, kind)
{
}

AtomicFile::AtomicFile(const std::filesystem::path& target, Temporary kind)
        : AtomicFile(::open(folderOf(target).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC), errno, target, kind)
{
}

AtomicFile::AtomicFile(int folderFd, int folderError, std::filesystem::path target, Temporary kind)
        : target_(std::move(target)), folderFd_(folderFd)
{
    const std::string name = target_.filename().string();
    if (folderFd_ < 0)
        fail(folderError);
    if (name.empty() || name == "." || name == "..")
        fail(EISDIR);

    // What stands at the target's name now. A link is looked at, not followed: it is replaced
    // and passes on nothing of what it points to.
    struct stat existing { };
    bool keepAttributes = false;
    if (::fstatat(folderFd_, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(existing.st_mode))
            fail(EISDIR);
        if (S_ISREG(existing.st_mode)) {
            // A file its owner made read-only stays, also for root, who could write it.
            if (::faccessat(folderFd_, name.c_str(), W_OK, AT_EACCESS) != 0)
                fail(errno);
            if ((existing.st_mode & 0222) == 0)
                fail(EACCES);
            keepAttributes = true;
        }
    } else if (errno != ENOENT) {
        fail(errno);
    }

    constexpr int kNewFileMode = 0666; // less the umask, as for any new file
    if (kind == Temporary::Unnamed)
        openUnnamed(kNewFileMode);
    if (fd_ < 0)
        openNamed(kNewFileMode);
    if (keepAttributes)
        passOnAttributes(existing);
}

void AtomicFile::passOnAttributes(const struct ::stat& existing)
{
    // Owner first: a change of owner may clear permission bits. Only root may give a file
    // away, so elsewhere the new file is simply the writer's.
    if (::fchown(fd_, existing.st_uid, existing.st_gid) != 0 && errno != EPERM)
        fail(errno);
    // Permissions, without setuid, setgid and sticky: a send makes a sound and a table,
    // never a program that runs with someone else's rights.
    if (::fchmod(fd_, existing.st_mode & 0777) != 0)
        fail(errno);
    passOnExtendedAttributes();
}

// Read through an O_PATH descriptor of the old file (by its /proc name), which needs no
// permission to read the file, and checked to be the regular file looked at before.
void AtomicFile::passOnExtendedAttributes()
{
    const std::string name = target_.filename().string();
    const int old = ::openat(folderFd_, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (old < 0)
        return;
    struct stat oldStat { };
    const std::string oldPath = "/proc/self/fd/" + std::to_string(old);
    std::vector<char> names(4096);
    const ssize_t listed = ::fstat(old, &oldStat) == 0 && S_ISREG(oldStat.st_mode)
        ? ::listxattr(oldPath.c_str(), names.data(), names.size())
        : -1;
    bool aclLost = false;
    for (ssize_t at = 0; at < listed;) {
        const std::string attribute(names.data() + at);
        at += static_cast<ssize_t>(attribute.size()) + 1;
        if (!isPassedOn(attribute))
            continue;
        std::vector<char> value(65536);
        const ssize_t length = ::getxattr(oldPath.c_str(), attribute.c_str(), value.data(), value.size());
        const bool copied = length >= 0
            && ::fsetxattr(fd_, attribute.c_str(), value.data(), static_cast<std::size_t>(length), 0) == 0;
        // A user attribute the writer may not read is not the writer's to pass on.
        aclLost = aclLost || (!copied && attribute.starts_with("system."));
    }
    ::close(old);
    // The group bits of a file with an ACL are its mask, which may allow more than the owning
    // group had: without the ACL, no group permission rather than too much.
    if (aclLost && ::fchmod(fd_, oldStat.st_mode & 0707) != 0)
        fail(errno);
}

void AtomicFile::openUnnamed(int mode)
{
    const int fd = ::openat(folderFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0) {
        fd_ = fd;
        unnamed_ = true;
        return;
    }
    // Without support in the kernel or the file system the call fails with one of these;
    // every other failure (no permission, read-only, full) would hit a named file too.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        fail(errno);
}

void AtomicFile::openNamed(int mode)
{
    claimHiddenName([&](const std::string& candidate) {
        const int fd = ::openat(
            folderFd_, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0)
            return false;
        fd_ = fd;
        return true;
    });
}

void AtomicFile::claimHiddenName(const std::function<bool(const std::string&)>& create)
{
    std::random_device seed;
    std::mt19937 random(seed());
    const std::string name = target_.filename().string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate
            = temporaryNameFor(name, attempt == 0 ? std::string(kFirstDigits) : randomDigits(random));
        cleanupSlot_ = registerTemporary(folderFd_, candidate);
        if (create(candidate)) {
            temporary_ = folderOf(target_) / candidate;
            return;
        }
        const int error = errno;
        unregisterTemporary(cleanupSlot_);
        cleanupSlot_ = -1;
        if (error != EEXIST)
            fail(error);
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
    FileSizeSignalHeld fileSizeSignal;
    const std::uint8_t* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            if (error == EFBIG)
                fileSizeSignal.limitReached();
            fail(error);
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

// An unnamed file gets a name only now, a hidden temporary one that the rename then moves
// over the target (a link cannot replace an existing name by itself).
void AtomicFile::linkUnnamedIn()
{
    const std::string byDescriptor = "/proc/self/fd/" + std::to_string(fd_);
    claimHiddenName([&](const std::string& candidate) {
        // AT_EMPTY_PATH needs a privilege; the /proc path works for everyone who has /proc.
        if (::linkat(fd_, "", folderFd_, candidate.c_str(), AT_EMPTY_PATH) == 0)
            return true;
        return errno != EEXIST
            && ::linkat(AT_FDCWD, byDescriptor.c_str(), folderFd_, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0;
    });
}

void AtomicFile::prepareCommit()
{
    if (fd_ < 0)
        fail(EBADF);
    // On disk before it replaces the old file: a power loss after the rename must not leave
    // a name pointing to a file whose bytes never reached the disk.
    if (::fsync(fd_) != 0)
        fail(errno);
    if (unnamed_)
        linkUnnamedIn();
}

void AtomicFile::renameInPlace()
{
    const std::string temporaryName = temporary_.filename().string();
    const std::string name = target_.filename().string();
    if (::renameat(folderFd_, temporaryName.c_str(), folderFd_, name.c_str()) != 0)
        fail(errno);
    forgetTemporary();
}

// The renames on disk too. A folder that may not be read cannot be opened to flush it;
// its whole file system is flushed instead. The files are in place whatever this reports.
void AtomicFile::syncFolder() noexcept
{
    const int folder = ::openat(folderFd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    } else {
        ::syncfs(fd_);
    }
}

void AtomicFile::commit()
{
    commitTogether({this});
}

void AtomicFile::commitTogether(std::initializer_list<AtomicFile*> files)
{
    try {
        for (AtomicFile* file : files)
            file->prepareCommit();
    } catch (const FileError&) {
        for (AtomicFile* file : files)
            file->discard();
        throw;
    }
    // The files being replaced are held open until all renames are done: freeing their blocks
    // then happens after the last rename, not inside the first, where it would widen the time
    // in which a SIGKILL parts the pair.
    std::vector<int> replaced;
    for (AtomicFile* file : files)
        replaced.push_back(
            ::openat(file->folderFd_, file->target_.filename().c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    const auto letGo = [&replaced] {
        for (const int fd : replaced)
            if (fd >= 0)
                ::close(fd);
    };
    {
        const CommitWindow window;
        for (AtomicFile* file : files) {
            try {
                file->renameInPlace();
            } catch (const FileError&) {
                for (AtomicFile* other : files)
                    other->discard();
                letGo();
                throw;
            }
        }
    }
    letGo();
    for (AtomicFile* file : files) {
        file->syncFolder();
        file->discard();
    }
}

void AtomicFile::fail(int errorNumber)
{
    discard();
    throw FileError(target_, errorNumber);
}

void AtomicFile::forgetTemporary() noexcept
{
    unregisterTemporary(cleanupSlot_);
    cleanupSlot_ = -1;
    temporary_.clear();
}

void AtomicFile::discard() noexcept
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty() && folderFd_ >= 0)
        ::unlinkat(folderFd_, temporary_.filename().c_str(), 0);
    forgetTemporary();
    if (folderFd_ >= 0) {
        ::close(folderFd_);
        folderFd_ = -1;
    }
}

void AtomicFile::removeStaleTemporaries(const FolderHandle& folder, const std::string& name) noexcept
{
    if (!folder.isOpen())
        return;
    ::unlinkat(folder.fd(), temporaryNameFor(name, kFirstDigits).c_str(), 0);
    const int readable = folder.openForReading();
    DIR* listing = readable >= 0 ? ::fdopendir(readable) : nullptr;
    if (listing == nullptr) {
        if (readable >= 0)
            ::close(readable);
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        if (isTemporaryNameOf(entry->d_name, name))
            ::unlinkat(folder.fd(), entry->d_name, 0);
    }
    ::closedir(listing);
}

void AtomicFile::removeStaleTemporaries(const std::filesystem::path& target) noexcept
{
    const FolderHandle folder(folderOf(target));
    removeStaleTemporaries(folder, target.filename().string());
}

} // namespace tarvel
