// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/AtomicFileSignals.h"

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace tarvel {

namespace {

// A fixed table that the handler can walk without allocating or locking: a slot is claimed
// with `busy`, filled, and published by storing the folder's descriptor.
struct CleanupSlot {
    std::atomic<bool> busy {false};
    std::atomic<int> folderFd {-1};
    std::array<char, NAME_MAX + 1> name {};
};
std::array<CleanupSlot, 8> cleanupSlots;

// Every signal whose default action ends the process; the real-time ones are added where the
// handlers are installed, their range being known only at run time.
constexpr std::array<int, 22> kCleanupSignals
    = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
        SIGXCPU, SIGIO, SIGPWR, SIGSTKFLT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS};

// The signals that report a fault of the thread they reach. They are never held back, and when
// the kernel raised them for a fault they cannot wait either: returning from the handler would
// run the faulting instruction again.
bool reportsAFault(int signalNumber)
{
    switch (signalNumber) {
    case SIGSEGV:
    case SIGBUS:
    case SIGFPE:
    case SIGILL:
    case SIGTRAP:
    case SIGSYS:
        return true;
    default:
        return false;
    }
}

// Commits under way, and a flag that the process is ending; a signal that arrives during a
// commit is kept in `deferredSignal` for the committing thread to act on.
constexpr unsigned kEnding = 1U << 31;
std::atomic<unsigned> commitState {0};
std::atomic<int> deferredSignal {0};

static_assert(std::atomic<unsigned>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
    "used in a signal handler");

[[noreturn]] void removeTemporariesAndEnd(int signalNumber)
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
    ::_exit(128 + signalNumber); // only if the signal did not end the process after all
}

extern "C" void onEndingSignal(int signalNumber, siginfo_t* info, void* /*context*/)
{
    // si_code > 0: raised by the kernel for this thread's fault, not sent by a process.
    if (reportsAFault(signalNumber) && info != nullptr && info->si_code > 0) {
        commitState.fetch_or(kEnding);
        removeTemporariesAndEnd(signalNumber);
    }
    // Noted first, so that a commit ending after the look below finds it.
    deferredSignal.store(signalNumber);
    unsigned state = commitState.load();
    do {
        if ((state & ~kEnding) != 0)
            return; // a commit is under way in another thread: it ends the process when done
    } while (!commitState.compare_exchange_weak(state, state | kEnding));
    removeTemporariesAndEnd(signalNumber);
}

// Only signals still at their default action are taken over: a program that handles or
// ignores one of them keeps its choice.
void installCleanupHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const auto takeOver = [](int signalNumber) {
            struct sigaction current { };
            if (::sigaction(signalNumber, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0
                || current.sa_handler != SIG_DFL)
                return;
            struct sigaction ours { };
            ours.sa_sigaction = onEndingSignal;
            ours.sa_flags = SA_SIGINFO;
            ::sigemptyset(&ours.sa_mask);
            ::sigaction(signalNumber, &ours, nullptr);
        };
        for (const int signalNumber : kCleanupSignals)
            takeOver(signalNumber);
        for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber)
            takeOver(signalNumber);
    });
}

// Every signal a process can hold back, except those that report a fault of the thread
// itself (blocking them would make such a fault loop or kill without a trace).
sigset_t signalsHeldDuringCommit()
{
    sigset_t set;
    ::sigfillset(&set);
    for (const int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT})
        ::sigdelset(&set, fault);
    return set;
}

} // namespace

int registerTemporary(int folderFd, const std::string& name)
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
    return -1;
}

void unregisterTemporary(int index) noexcept
{
    if (index < 0)
        return;
    CleanupSlot& slot = cleanupSlots[static_cast<std::size_t>(index)];
    slot.folderFd.store(-1, std::memory_order_release);
    slot.busy.store(false);
}

CommitWindow::CommitWindow() : saved_()
{
    installCleanupHandlers();
    const sigset_t held = signalsHeldDuringCommit();
    ::pthread_sigmask(SIG_BLOCK, &held, &saved_);
    unsigned state = commitState.load();
    while ((state & kEnding) != 0 || !commitState.compare_exchange_weak(state, state + 1)) {
        if ((state & kEnding) != 0) {
            // Another thread is ending the process for a signal: no rename may start now.
            for (;;)
                ::pause();
        }
    }
}

CommitWindow::~CommitWindow()
{
    commitState.fetch_sub(1);
    const int signalNumber = deferredSignal.exchange(0);
    if (signalNumber != 0) {
        unsigned state = commitState.load();
        do {
            if ((state & ~kEnding) != 0) {
                deferredSignal.store(signalNumber); // the last commit still open acts on it
                break;
            }
        } while (!commitState.compare_exchange_weak(state, state | kEnding));
        if ((state & ~kEnding) == 0)
            removeTemporariesAndEnd(signalNumber);
    }
    // A signal held back in this thread is delivered here, and its handler ends the process.
    ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

FileSizeSignalHeld::FileSizeSignalHeld() : saved_()
{
    sigset_t fileSize;
    ::sigemptyset(&fileSize);
    ::sigaddset(&fileSize, SIGXFSZ);
    ::pthread_sigmask(SIG_BLOCK, &fileSize, &saved_);
}

FileSizeSignalHeld::~FileSizeSignalHeld()
{
    ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

void FileSizeSignalHeld::limitReached() noexcept
{
    if (::sigismember(&saved_, SIGXFSZ) == 1)
        return; // the caller holds it back itself and may want to see it
    sigset_t fileSize;
    ::sigemptyset(&fileSize);
    ::sigaddset(&fileSize, SIGXFSZ);
    const timespec now {0, 0};
    ::sigtimedwait(&fileSize, nullptr, &now);
}

} // namespace tarvel
