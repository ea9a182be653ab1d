#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Replaces a file as a whole or not at all: the bytes go to a temporary file in the same
// folder, and only commit() puts it in place of the target. Until then the previous file
// stays as it was. Every step goes through one handle of the folder (FolderHandle).
//
// The temporary file is unnamed where the file system allows (it vanishes with the process,
// however the process ends). At the commit it is flushed to disk, given a hidden name
// "._qq.wav.<8 hex digits>.tmp" and renamed over the target; the folder is flushed after.
// Where unnamed files are not available it has that hidden name from the start. A hidden
// file is removed on failure, when abandoned, and when SIGINT, SIGTERM, SIGHUP, SIGQUIT,
// SIGXFSZ or SIGPIPE ends the process; one left by SIGKILL or a power loss is removed by
// removeStaleTemporaries() at the next write into that folder.
//
// commitTogether() puts several files in place with the catchable signals held back
// (AtomicFileSignals.h): such a signal takes effect before the first rename or after the
// last, never between. What no program can hold back, SIGKILL or a power loss between two
// renames, leaves the files renamed so far new, the others old, and the rest of the new ones
// under their hidden names; each file is whole, and the next commitTogether() of the same
// files (after removeStaleTemporaries()) replaces them all.
//
// The target's name is replaced, never written through: a symbolic link named like the target
// gives way to the new file, and whatever it pointed to stays untouched. A replaced regular
// file passes on its permission bits (setuid, setgid and sticky excepted), its access ACL and
// its user.* extended attributes (those the writer may read) and, where the system allows
// it (as root), its owner and group. An ACL that cannot be passed on leaves the new file
// without any group permission, never with more than the old one allowed.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>

#include "shared/FolderHandle.h"

#include <sys/stat.h>

namespace tarvel {

// A file that could not be created or written. what() is the text the window shows:
// Cannot create file "<full path>". <the system's description of the error>
class FileError : public std::runtime_error {
public:
    FileError(const std::filesystem::path& path, int errorNumber);
    const std::filesystem::path& path() const noexcept { return path_; }
    int errorNumber() const noexcept { return errorNumber_; }

private:
    std::filesystem::path path_;
    int errorNumber_;
};

// The absolute form of `path` with its folder resolved as the system resolves it (symbolic
// links and ".." followed), as reports and error texts name files.
std::filesystem::path fullPath(const std::filesystem::path& path);

class AtomicFile {
public:
    enum class Temporary : std::uint8_t {
        Unnamed, // an unnamed file where the file system allows, a named one elsewhere
        Named, // always a named one (the fallback, chosen by tests)
    };

    // Creates the temporary file beside `target`. Throws FileError (naming the target) when
    // that is impossible, or when the target is a folder or a file that may not be written:
    // one without any write permission bit is refused even where root could write it.
    explicit AtomicFile(
        const FolderHandle& folder, const std::string& name, Temporary kind = Temporary::Unnamed);
    // The same in the folder `target` names, opened for this file alone.
    explicit AtomicFile(const std::filesystem::path& target, Temporary kind = Temporary::Unnamed);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Appends all of `bytes`; throws FileError on any failure (full disk, size limit...).
    void write(std::span<const std::uint8_t> bytes);
    void write(std::string_view text);

    // Flushes the temporary file to disk and puts it in place of the target; throws FileError.
    void commit();
    // The same for several files, renamed in the order given with the catchable signals held
    // back. A failure before the first rename keeps every previous file; a failed later
    // rename (which no test can provoke) keeps the previous files from that one on.
    static void commitTogether(std::initializer_list<AtomicFile*> files);

    const std::filesystem::path& target() const noexcept { return target_; }
    // The named temporary file while the write is in progress; empty for an unnamed one and
    // once committed or abandoned.
    const std::filesystem::path& temporaryPath() const noexcept { return temporary_; }
    bool isUnnamed() const noexcept { return unnamed_; }

    // Removes the named temporary files that writers of `target` left behind when they were
    // killed. Only safe while no other process writes `target` (see FolderLock).
    // Where the folder may not be listed, only the name tried first is found.
    static void removeStaleTemporaries(const FolderHandle& folder, const std::string& name) noexcept;
    static void removeStaleTemporaries(const std::filesystem::path& target) noexcept;

private:
    AtomicFile(int folderFd, int folderError, std::filesystem::path target, Temporary kind);
    void openUnnamed(int mode);
    void passOnAttributes(const struct ::stat& existing);
    void passOnExtendedAttributes();
    // Flushes the file and gives it its hidden name, ready for the rename.
    void prepareCommit();
    void renameInPlace();
    void syncFolder() noexcept;
    void openNamed(int mode);
    void linkUnnamedIn();
    // Gives the temporary file a fresh hidden name beside the target through `create`
    // (false with errno set when it fails); a name another writer took is tried again.
    void claimHiddenName(const std::function<bool(const std::string&)>& create);
    [[noreturn]] void fail(int errorNumber);
    void discard() noexcept;
    void forgetTemporary() noexcept;

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int folderFd_ = -1;
    int fd_ = -1;
    int cleanupSlot_ = -1; // the named temporary's entry in the signal-time cleanup list
    bool unnamed_ = false;
};

} // namespace tarvel
