#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What signals may do to files being replaced, for AtomicFile.
//
// - Every signal whose default action ends a process and that can be caught (SIGINT, SIGTERM,
//   SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGALRM, the real-time signals, ... and SIGABRT, SIGSEGV
//   and the other fault signals), where the program leaves it at its default action, gets a
//   handler that removes the named temporary files listed here and then ends the process as
//   the signal would have.
// - While a CommitWindow is open, such a signal waits: in the committing thread it is
//   blocked, and where it reaches another thread the handler only notes it. It takes effect
//   when the window closes, so it never falls between the renames of files that go in place
//   together. A fault the kernel reports (a bad address, not a signal sent by a process) does
//   not wait: the thread cannot go on.

#include <string>

#include <signal.h>

namespace tarvel {

// A named temporary file (or lock file) to remove if a signal ends the process. Returns the slot, or -1
// when the table is full (the file is then left to the next writer's stale clean-up).
int registerTemporary(int folderFd, const std::string& name);
void unregisterTemporary(int slot) noexcept;

class CommitWindow {
public:
    CommitWindow();
    // Lets the signals through again; one that came meanwhile ends the process now.
    ~CommitWindow();
    CommitWindow(const CommitWindow&) = delete;
    CommitWindow& operator=(const CommitWindow&) = delete;

private:
    sigset_t saved_;
};

// Holds SIGXFSZ back in this thread while it writes, so that passing the file size limit
// is the error EFBIG, reported like a full disk, not the end of the process without a word.
class FileSizeSignalHeld {
public:
    FileSizeSignalHeld();
    ~FileSizeSignalHeld();
    FileSizeSignalHeld(const FileSizeSignalHeld&) = delete;
    FileSizeSignalHeld& operator=(const FileSizeSignalHeld&) = delete;
    // A write failed with EFBIG: takes away the signal the limit raised.
    void limitReached() noexcept;

private:
    sigset_t saved_;
};

} // namespace tarvel
