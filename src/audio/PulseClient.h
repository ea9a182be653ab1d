#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A connection of its own to the PulseAudio server, on a main loop that runs only when asked
// and never longer than asked: a server that stops answering (suspended by SIGSTOP, stuck)
// costs a bounded wait, never a hang. Qt Multimedia offers no such bound.

#include "shared/AtomicFileSignals.h"

#include <chrono>
#include <functional>
#include <string>

struct pa_context;
struct pa_mainloop;

namespace tarvel {

// The sound library sizes its shared memory with ftruncate(), which under a file-size limit
// below that size (`ulimit -f`) raises SIGXFSZ, and that ends the program. Held back in this
// thread while the library sets up a connection, the call fails instead, the library falls
// back to memory of its own, and the signal it raised is taken away.
class SoundLibrarySetUp {
public:
    SoundLibrarySetUp() = default;
    ~SoundLibrarySetUp() { held_.limitReached(); }
    SoundLibrarySetUp(const SoundLibrarySetUp&) = delete;
    SoundLibrarySetUp& operator=(const SoundLibrarySetUp&) = delete;

private:
    FileSizeSignalHeld held_;
};

class PulseClient {
public:
    using Clock = std::chrono::steady_clock;

    // Starts connecting at once, as the application `name`; nothing waits yet.
    explicit PulseClient(const char* name);
    ~PulseClient();
    PulseClient(const PulseClient&) = delete;
    PulseClient& operator=(const PulseClient&) = delete;

    // Runs the loop until `done()` holds or `until` has passed; false when the time ran out.
    bool runUntil(const std::function<bool()>& done, Clock::time_point until);
    // Handles what has arrived, without waiting.
    void runPending();

    bool ready() const; // connected, requests may be made
    bool failed() const; // no server, or the connection broke: why in error()
    std::string error() const;
    pa_context* context() const { return context_; }

private:
    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

} // namespace tarvel
