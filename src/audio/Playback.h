#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What playing a sound came to: played to its end, or why not, on which output, and how
// long the output took to start and to finish.

#include <QString>

#include <cstdint>
#include <functional>

namespace tarvel {

enum class PlaybackProblem {
    None,
    NoOutput, // no sound server, or it has no output
    UnknownOutput, // no output by the name asked for, or several fit it
    UnreadableFile, // the file cannot be read or holds no sound this player takes
    FormatRefused, // the output does not take the sound's format
    ErrorMidPlay, // the output stopped with an error before the end
    Stalled, // the output stopped playing and the watchdog gave up on it
    Interrupted, // the output played nothing for a while mid-sound: what it played is broken
};

struct PlaybackResult {
    PlaybackProblem problem = PlaybackProblem::None;
    QString device; // the output, as deviceLabel() names it; empty if none was found
    QString detail; // more about the problem, may be empty
    std::int64_t sound_us = 0; // the sound's own length
    std::int64_t firstSample_us = -1; // from the call until the output took the first sample
    std::int64_t ended_us = 0; // from the call until the last sample had been played
    std::int64_t played_us = 0; // how much the output had played when it ended
    // Interrupted: where in the sound the output stopped, and for how long (at least that
    // long when it had not played again by the time it was given up).
    std::int64_t gapAt_us = 0;
    std::int64_t gap_us = 0;
    bool gapOpen = false;
    // Interrupted because the server moved the stream to this output (a server name): the rest
    // of the sound is not played where it began. `outputRemoved`: the output it began on went.
    QString movedTo;
    bool outputRemoved = false;

    bool ok() const { return problem == PlaybackProblem::None; }
};

// Called on the waiting thread about every 50 ms while the sound plays: how much of it the
// output has played so far. The window repaints from here, the command line draws its bar.
using PlaybackProgress = std::function<void(std::int64_t played_us, std::int64_t sound_us)>;

// One line in English: "no sound output (is a sound server running?)", ...; for an
// interruption "the sound was interrupted for 300 ms at 2.51 s on <output>", with the
// reason in brackets when the stream was moved.
QString problemText(const PlaybackResult& result);

} // namespace tarvel
