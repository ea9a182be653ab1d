// Replacing a file whole: what stands at its name before, and what is left when the writer
// is abandoned, refused, signalled or killed.

#include "SignalTestSupport.h"
#include "support/TempFolder.h"

#include "shared/AtomicFile.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvel {
namespace {

using testing::readFile;
using testing::TempFolder;

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
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signalNumber);
        struct sigaction inherited { };
        ::sigaction(signalNumber, nullptr, &inherited);
        if (inherited.sa_handler == SIG_IGN)
            continue; // an ignored signal ends nothing, there is nothing to clean up
        const int status = statusOfChild([&] {
            AtomicFile file(dir / "x.txt", AtomicFile::Temporary::Named);
            file.write(std::string_view("half"));
            ::raise(signalNumber);
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

} // namespace
} // namespace tarvel
