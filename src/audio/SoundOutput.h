#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Where "выдать" sends its sound. The window holds one of these: the real player in the
// program, a recording fake in the window tests, so that they need no sound server.

#include "audio/Playback.h"

#include <QString>

namespace tarvel {

class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Plays the WAV file at `path` in full and returns once it has been heard to the end,
    // calling `progress` meanwhile; a sound that could not be played to its end comes back
    // as a result naming the output and the reason.
    virtual PlaybackResult playToEnd(const QString& path, const PlaybackProgress& progress) = 0;
};

} // namespace tarvel
