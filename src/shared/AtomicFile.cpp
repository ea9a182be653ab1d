#include "shared/AtomicFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <functional>
#include <mutex>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>

#include <dirent.h>
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

constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kRandomDigits = 8;

// "._qq.wav.0123abcd.tmp": hidden, so that one left by a power loss does not clutter the
// folder, and recognisable, so that the next write can remove it.
std::string temporaryNameFor(const std::string& targetName, std::mt19937& random)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string suffix(kRandomDigits, '0');
    for (char& c : suffix)
        c = hex[random() & 0xFU];
    return "." + targetName + "." + suffix + std::string(kTemporarySuffix);
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

// --- named temporaries removed when a signal ends the process -----------------------------
// A fixed table that the handler can walk without allocating or locking: a slot is claimed
// with `busy`, filled, and published by storing the folder's descriptor.
struct CleanupSlot {
    std::atomic<bool> busy {false};
    std::atomic<int> folderFd {-1};
    std::array<char, NAME_MAX + 1> name {};
};
std::array<CleanupSlot, 8> cleanupSlots;
constexpr std::array<int, 4> kCleanupSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void removeTemporariesAndDie(int signalNumber)
{
    for (CleanupSlot& slot : cleanupSlots) {
        const int fd = slot.folderFd.load(std::memory_order_acquire);
        if (fd >= 0)
            ::unlinkat(fd, slot.name.data(), 0);
    }
    // Then end as the signal would have ended the process without us.
    struct sigaction fallback { };
    fallback.sa_handler = SIG_DFL;
    ::sigemptyset(&fallback.sa_mask);
    ::sigaction(signalNumber, &fallback, nullptr);
    sigset_t unblock;
    ::sigemptyset(&unblock);
    ::sigaddset(&unblock, signalNumber);
    ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(signalNumber);
}

// Only signals still at their default action are taken over: a program that handles or
// ignores one of them keeps its choice.
void installCleanupHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int signalNumber : kCleanupSignals) {
            struct sigaction current { };
            if (::sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler != SIG_DFL)
                continue;
            struct sigaction ours { };
            ours.sa_handler = removeTemporariesAndDie;
            ::sigemptyset(&ours.sa_mask);
            ::sigaction(signalNumber, &ours, nullptr);
        }
    });
}

int claimCleanupSlot(int folderFd, const std::string& name)
{
    if (name.size() >= NAME_MAX)
        return -1;
    installCleanupHandlers();
    for (std::size_t i = 0; i < cleanupSlots.size(); ++i) {
        CleanupSlot& slot = cleanupSlots[i];
        bool expected = false;
        if (!slot.busy.compare_exchange_strong(expected, true))
            continue;
        std::memcpy(slot.name.data(), name.c_str(), name.size() + 1);
        slot.folderFd.store(folderFd, std::memory_order_release);
        return static_cast<int>(i);
    }
    return -1; // more files at once than slots: this one is left to the stale clean-up
}

void releaseCleanupSlot(int index) noexcept
{
    if (index < 0)
        return;
    CleanupSlot& slot = cleanupSlots[static_cast<std::size_t>(index)];
    slot.folderFd.store(-1, std::memory_order_release);
    slot.busy.store(false);
}

std::filesystem::path folderOf(const std::filesystem::path& target)
{
    return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

int openFolder(const std::filesystem::path& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) // a folder that may be written but not listed
        fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd;
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

AtomicFile::AtomicFile(std::filesystem::path target, Temporary kind) : target_(std::move(target))
{
    const std::string name = target_.filename().string();
    if (name.empty() || name == "." || name == "..")
        fail(EISDIR);
    folderFd_ = openFolder(folderOf(target_));
    if (folderFd_ < 0)
        fail(errno);

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

    if (keepAttributes) {
        // Owner first: a change of owner may clear permission bits. Only root may give a
        // file away, so elsewhere the new file is simply the writer's.
        if (::fchown(fd_, existing.st_uid, existing.st_gid) != 0 && errno != EPERM)
            fail(errno);
        // Permissions, without setuid, setgid and sticky: a send makes a sound and a table,
        // never a program that runs with someone else's rights.
        if (::fchmod(fd_, existing.st_mode & 0777) != 0)
            fail(errno);
    }
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
        const std::string candidate = temporaryNameFor(name, random);
        cleanupSlot_ = claimCleanupSlot(folderFd_, candidate);
        if (create(candidate)) {
            temporary_ = folderOf(target_) / candidate;
            return;
        }
        const int error = errno;
        releaseCleanupSlot(cleanupSlot_);
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

void AtomicFile::commit()
{
    if (fd_ < 0)
        fail(EBADF);
    // No fsync: both files are made afresh by every send and played at once, so a power
    // loss costs nothing that the next send does not remake, while a sync would make every
    // send wait for the disk (about 20 ms here, ten times the whole send preparation). What
    // the rename does guarantee is that a failed or interrupted write never replaces the
    // previous file with a torn one.
    if (unnamed_)
        linkUnnamedIn();
    // close() may be the first to report a failed write on some file systems.
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(errno);
    const std::string temporaryName = temporary_.filename().string();
    const std::string name = target_.filename().string();
    if (::renameat(folderFd_, temporaryName.c_str(), folderFd_, name.c_str()) != 0)
        fail(errno);
    forgetTemporary();
    ::close(folderFd_);
    folderFd_ = -1;
}

void AtomicFile::fail(int errorNumber)
{
    discard();
    throw FileError(target_, errorNumber);
}

void AtomicFile::forgetTemporary() noexcept
{
    releaseCleanupSlot(cleanupSlot_);
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

void AtomicFile::removeStaleTemporaries(const std::filesystem::path& target) noexcept
{
    const std::string name = target.filename().string();
    DIR* listing = ::opendir(folderOf(target).c_str());
    if (listing == nullptr)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        if (isTemporaryNameOf(entry->d_name, name))
            ::unlinkat(::dirfd(listing), entry->d_name, 0);
    }
    ::closedir(listing);
}

} // namespace tarvel
