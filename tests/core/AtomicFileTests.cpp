// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a file whole: what stands at its name before, and what is left when the writer
// is abandoned, refused, signalled or killed.

#include "SignalTestSupport.h"
#include "support/TempFolder.h"

#include "shared/AtomicFile.h"
#include "shared/AtomicFileSignals.h"
#include "shared/FolderHandle.h"
#include "shared/FolderLock.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace tarvel {
namespace {

using testing::readFile;
using testing::TempFolder;

// The signals whose default action ends a process and that can be caught, as another process
// may send them (the ones that report a fault too).
const std::vector<int> kEndingSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ, SIGPIPE, SIGUSR1, SIGUSR2,
    SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGIO, SIGPWR, SIGSTKFLT, SIGRTMIN, SIGRTMIN + 5, SIGRTMAX, SIGABRT,
    SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS};

// Whether this process leaves the signal to the writer's handler: one ignored where the tests
// started ends nothing, and a sanitizer keeps the fault signals for itself.
bool leftToTheWriter(int signalNumber)
{
    {
        const CommitWindow installsTheHandlers;
    }
    struct sigaction writers { };
    struct sigaction current { };
    ::sigaction(SIGUSR1, nullptr, &writers);
    ::sigaction(signalNumber, nullptr, &current);
    return (current.sa_flags & SA_SIGINFO) != 0 && current.sa_sigaction == writers.sa_sigaction;
}

constexpr std::array<AtomicFile::Temporary, 2> kBothKinds
    = {AtomicFile::Temporary::Unnamed, AtomicFile::Temporary::Named};

void replaceWith(const std::filesystem::path& target, std::string_view text,
    AtomicFile::Temporary kind = AtomicFile::Temporary::Unnamed)
{
    AtomicFile file(target, kind);
    file.write(text);
    file.commit();
}

struct stat statOf(const std::filesystem::path& path)
{
    struct stat result { };
    EXPECT_EQ(::lstat(path.c_str(), &result), 0) << path;
    return result;
}

::mode_t newFileMode()
{
    const ::mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool unnamedFilesWorkIn(const std::filesystem::path& folder)
{
    AtomicFile probe(folder / "probe");
    return probe.isUnnamed();
}

// Runs `child` in a forked process and returns its wait status.
template <typename Child> int statusOfChild(Child child)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const rlimit noCore {0, 0}; // the signals that dump core are sent on purpose
        ::setrlimit(RLIMIT_CORE, &noCore);
        child();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST(SharedAtomicFile, AbandonedWriteLeavesNothing)
{
    TempFolder dir;
    for (const auto kind : kBothKinds) {
        {
            AtomicFile file(dir / "x.txt", kind);
            file.write(std::string_view("half"));
            if (file.isUnnamed()) {
                EXPECT_TRUE(dir.names().empty()) << "an unnamed file has no name to leave behind";
            } else {
                EXPECT_EQ(file.temporaryPath().parent_path(), dir.path());
                EXPECT_EQ(dir.names().size(), 1U);
            }
        }
        EXPECT_TRUE(dir.names().empty());
        replaceWith(dir / "x.txt", "whole", kind);
        EXPECT_EQ(readFile(dir / "x.txt"), "whole");
        EXPECT_EQ(dir.names(), std::set<std::string> {"x.txt"});
        std::filesystem::remove(dir / "x.txt");
    }
}

// A private file stays private, but a send never makes a program that runs with another's
// rights: setuid, setgid and sticky are dropped.
TEST(SharedAtomicFile, ReplacedFileKeepsItsPermissionsWithoutSpecialBits)
{
    TempFolder dir;
    const std::filesystem::path file = dir / "_qq.wav";
    for (const auto kind : kBothKinds) {
        for (const auto& [before, after] : {std::pair<::mode_t, ::mode_t> {0600, 0600}, {0640, 0640},
                 {04755, 0755}, {02775, 0775}, {01777, 0777}}) {
            SCOPED_TRACE(before);
            replaceWith(file, "old");
            ASSERT_EQ(::chmod(file.c_str(), before), 0);
            replaceWith(file, "new", kind);
            EXPECT_EQ(statOf(file).st_mode & 07777, after);
            EXPECT_EQ(readFile(file), "new");
        }
    }
}

TEST(SharedAtomicFile, ReplacedFileKeepsItsOwnerWhereTheSystemAllows)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another user";
    TempFolder dir;
    const std::filesystem::path file = dir / "_qq.wav";
    for (const auto kind : kBothKinds) {
        replaceWith(file, "old");
        ASSERT_EQ(::chown(file.c_str(), 12345, 23456), 0);
        replaceWith(file, "new", kind);
        EXPECT_EQ(statOf(file).st_uid, 12345U);
        EXPECT_EQ(statOf(file).st_gid, 23456U);
    }
}

// A link planted in a shared folder must not let a write reach another file.
TEST(SharedAtomicFile, LinkInPlaceOfTheFileIsReplacedNotWrittenThrough)
{
    TempFolder dir;
    const std::filesystem::path victim = dir / "victim";
    const std::filesystem::path file = dir / "_qq.wav";
    for (const auto kind : kBothKinds) {
        replaceWith(victim, "kept");
        ASSERT_EQ(::chmod(victim.c_str(), 04755), 0);
        std::filesystem::create_symlink(victim, file);
        replaceWith(file, "new", kind);
        EXPECT_TRUE(S_ISREG(statOf(file).st_mode));
        EXPECT_EQ(statOf(file).st_mode & 07777, newFileMode()) << "nothing is taken from the link's target";
        EXPECT_EQ(readFile(file), "new");
        EXPECT_EQ(readFile(victim), "kept");
        EXPECT_EQ(statOf(victim).st_mode & 07777, 04755U);
        std::filesystem::remove(file);

        // A dangling link: replaced too, and nothing is created where it pointed.
        std::filesystem::create_symlink(dir / "nowhere", file);
        replaceWith(file, "new", kind);
        EXPECT_TRUE(S_ISREG(statOf(file).st_mode));
        EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));
        std::filesystem::remove(file);
    }
}

TEST(SharedAtomicFile, FileWithoutWritePermissionIsRefusedEvenForRoot)
{
    TempFolder dir;
    const std::filesystem::path file = dir / "_qq.wav";
    replaceWith(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    try {
        AtomicFile refused(file);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.errorNumber(), EACCES);
    }
    EXPECT_EQ(readFile(file), "old");
    EXPECT_EQ(dir.names(), std::set<std::string> {"_qq.wav"});
}

TEST(SharedAtomicFile, KilledWriterLeavesNoUnnamedFile)
{
    TempFolder dir;
    if (!unnamedFilesWorkIn(dir.path()))
        GTEST_SKIP() << "this file system has no unnamed files; the named fallback is tested below";
    const int status = statusOfChild([&] {
        AtomicFile file(dir / "x.txt");
        file.write(std::string_view("half"));
        ::raise(SIGKILL);
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(dir.names().empty());
}

TEST(SharedAtomicFile, SignalledWriterRemovesItsNamedFile)
{
    TempFolder dir;
    for (const int signalNumber : kEndingSignals) {
        SCOPED_TRACE(::strsignal(signalNumber));
        if (!leftToTheWriter(signalNumber))
            continue;
        const int status = statusOfChild([&] {
            const FolderLock lock(dir.path());
            AtomicFile file(dir / "x.txt", AtomicFile::Temporary::Named);
            file.write(std::string_view("half"));
            ::kill(::getpid(), signalNumber);
            ::pause();
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << "the signal still ends the process";
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_TRUE(dir.names().empty());
    }
}

// What SIGKILL leaves of a named temporary file is removed by the next writer; other
// files, hidden or alike in name, stay.
TEST(SharedAtomicFile, StaleNamedFilesAreRemoved)
{
    TempFolder dir;
    const int status = statusOfChild([&] {
        AtomicFile file(dir / "x.txt", AtomicFile::Temporary::Named);
        file.write(std::string_view("half"));
        ::raise(SIGKILL);
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(dir.names().size(), 1U);
    const std::set<std::string> others = {".x.txt.0123456.tmp", ".x.txt.0123456g.tmp", ".y.txt.01234567.tmp",
        "x.txt.01234567.tmp", ".x.txt.01234567.tmp~"};
    for (const std::string& name : others)
        replaceWith(dir / name, "someone else's");
    AtomicFile::removeStaleTemporaries(dir / "x.txt");
    EXPECT_EQ(dir.names(), others);
}

// A signal that comes while files are being put in place waits for the last rename, whether
// it is meant for the committing thread or reaches the process through another one; then it
// ends the process as it would have.
TEST(SharedAtomicFile, SignalDuringCommitWaitsForTheLastRename)
{
    TempFolder dir;
    const std::filesystem::path inside = dir / "inside";
    const std::filesystem::path after = dir / "after";
    for (const int signalNumber : kEndingSignals) {
        for (const bool fromAnotherThread : {false, true}) {
            SCOPED_TRACE(
                std::string(::strsignal(signalNumber)) + (fromAnotherThread ? ", process" : ", thread"));
            if (!leftToTheWriter(signalNumber))
                continue;
            const int status = statusOfChild([&] {
                std::thread running([] { ::pause(); }); // a thread the signal may be given to
                running.detach();
                {
                    const CommitWindow window;
                    if (fromAnotherThread)
                        std::thread([&] { ::kill(::getpid(), signalNumber); }).join();
                    else
                        ::raise(signalNumber);
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    replaceWith(inside, "still running");
                }
                replaceWith(after, "not ended");
            });
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_EQ(WTERMSIG(status), signalNumber);
            EXPECT_EQ(readFile(inside), "still running");
            EXPECT_FALSE(std::filesystem::exists(after));
            std::filesystem::remove(inside);
        }
    }
}

// A fault of the writing thread itself (here a read of an address it may not read) cannot wait
// for a commit to end; it removes what the writer made and ends the process as it would have.
TEST(SharedAtomicFile, FaultEndsTheWriterAtOnceAndCleansUp)
{
    if (!leftToTheWriter(SIGSEGV))
        GTEST_SKIP() << "SIGSEGV is handled by a sanitizer here";
    TempFolder dir;
    void* const forbidden = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(forbidden, MAP_FAILED);
    for (const bool committing : {false, true}) {
        SCOPED_TRACE(committing ? "during a commit" : "while writing");
        const pid_t pid = ::fork();
        if (pid == 0) {
            const rlimit noCore {0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            const FolderLock lock(dir.path());
            AtomicFile file(dir / "x.txt", AtomicFile::Temporary::Named);
            file.write(std::string_view("half"));
            std::optional<CommitWindow> window;
            if (committing)
                window.emplace();
            [[maybe_unused]] const char read = *static_cast<volatile const char*>(forbidden);
            ::_exit(0);
        }
        int status = 0;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (::waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (::waitpid(pid, &status, WNOHANG) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "the faulting writer did not end";
            continue;
        }
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), SIGSEGV);
        EXPECT_TRUE(dir.names().empty());
    }
    ::munmap(forbidden, 4096);
}

// Passing the file size limit is a write error like a full disk, not the end of the process.
TEST(SharedAtomicFile, FileSizeLimitIsAnErrorNotASignal)
{
    TempFolder dir;
    const int status = statusOfChild([&] {
        const rlimit small {100, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &small);
        try {
            replaceWith(dir / "x.txt", std::string(1000, 'x'));
        } catch (const FileError& e) {
            ::_exit(e.errorNumber() == EFBIG ? 0 : 2);
        }
        ::_exit(3);
    });
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(dir.names().empty());
}

// The folder is the one opened, even when the link that named it points elsewhere by now.
TEST(SharedAtomicFile, FolderIsTheOneOpenedNotTheOneNamedNow)
{
    TempFolder dir;
    std::filesystem::create_directory(dir / "first");
    std::filesystem::create_directory(dir / "second");
    std::filesystem::create_directory_symlink("first", dir / "link");
    const FolderHandle folder(dir / "link");
    std::filesystem::remove(dir / "link");
    std::filesystem::create_directory_symlink("second", dir / "link");
    for (const auto kind : kBothKinds) {
        AtomicFile file(folder, "x.txt", kind);
        file.write(std::string_view("here"));
        file.commit();
    }
    EXPECT_EQ(readFile(dir / "first" / "x.txt"), "here");
    EXPECT_FALSE(std::filesystem::exists(dir / "second" / "x.txt"));
}

// A POSIX access ACL as the kernel stores it: a version, then (tag, permissions, id) entries.
std::string aclValue(std::initializer_list<std::array<std::uint32_t, 3>> entries)
{
    std::string value(4, '\0');
    value[0] = 2; // version
    for (const auto& [tag, permissions, id] : entries) {
        const std::array<std::uint8_t, 8> entry = {static_cast<std::uint8_t>(tag),
            static_cast<std::uint8_t>(tag >> 8), static_cast<std::uint8_t>(permissions), 0,
            static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
            static_cast<std::uint8_t>(id >> 16), static_cast<std::uint8_t>(id >> 24)};
        value.append(entry.begin(), entry.end());
    }
    return value;
}

std::string attributeOf(const std::filesystem::path& path, const char* name)
{
    std::string value(1024, '\0');
    const ssize_t length = ::getxattr(path.c_str(), name, value.data(), value.size());
    return length < 0 ? std::string() : value.substr(0, static_cast<std::size_t>(length));
}

// user::rw-, user:65534:rw-, group::r--, mask::rw-, other::r--: mode 0664, the group
// class bits being the mask.
TEST(SharedAtomicFile, ReplacedFileKeepsItsAclAndUserAttributes)
{
    TempFolder dir;
    const std::filesystem::path file = dir / "_qq.wav";
    constexpr std::uint32_t kUserObj = 0x01, kUser = 0x02, kGroupObj = 0x04, kMask = 0x10, kOther = 0x20;
    constexpr std::uint32_t kUndefined = 0xFFFFFFFF;
    const std::string acl = aclValue({{kUserObj, 6, kUndefined}, {kUser, 6, 65534},
        {kGroupObj, 4, kUndefined}, {kMask, 6, kUndefined}, {kOther, 4, kUndefined}});
    for (const auto kind : kBothKinds) {
        replaceWith(file, "old");
        if (::setxattr(file.c_str(), "user.origin", "send 1", 6, 0) != 0
            || ::setxattr(file.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0)
            GTEST_SKIP() << "this file system keeps no ACLs or user attributes: " << std::strerror(errno);
        replaceWith(file, "new", kind);
        EXPECT_EQ(readFile(file), "new");
        EXPECT_EQ(attributeOf(file, "user.origin"), "send 1");
        EXPECT_EQ(attributeOf(file, "system.posix_acl_access"), acl);
        EXPECT_EQ(statOf(file).st_mode & 07777, 0664U);
        std::filesystem::remove(file);
    }
}

// A folder that may be written but not read (mode 0333) still has its lock: a second
// sender waits until the first lets go, and no lock file is left afterwards.
TEST(SharedAtomicFile, LockHoldsInAFolderThatCannotBeRead)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user (nobody) in a folder made for it";
    TempFolder dir;
    const std::filesystem::path folder = dir / "drop";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0333), 0);
    int toParent[2];
    int toFirst[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toFirst), 0);
    const auto asNobody = [] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(9);
    };
    const pid_t first = ::fork();
    if (first == 0) {
        asNobody();
        {
            const FolderLock lock(folder);
            const char held = lock.held() ? '1' : '0';
            (void)!::write(toParent[1], &held, 1);
            char go = 0;
            (void)!::read(toFirst[0], &go, 1);
        }
        ::_exit(0);
    }
    char firstHeld = 0;
    ASSERT_EQ(::read(toParent[0], &firstHeld, 1), 1);
    EXPECT_EQ(firstHeld, '1');
    const pid_t second = ::fork();
    if (second == 0) {
        asNobody();
        {
            const FolderLock lock(folder);
            const char held = lock.held() ? '2' : '0';
            (void)!::write(toParent[1], &held, 1);
        }
        ::_exit(0);
    }
    pollfd answer {toParent[0], POLLIN, 0};
    EXPECT_EQ(::poll(&answer, 1, 300), 0) << "the second sender did not wait";
    (void)!::write(toFirst[1], "g", 1);
    char secondHeld = 0;
    EXPECT_EQ(::read(toParent[0], &secondHeld, 1), 1);
    EXPECT_EQ(secondHeld, '2');
    ::waitpid(first, nullptr, 0);
    ::waitpid(second, nullptr, 0);
    for (const int fd : {toParent[0], toParent[1], toFirst[0], toFirst[1]})
        ::close(fd);
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

} // namespace
} // namespace tarvel
