#pragma once
// Where "выдать" sends its sound. The window holds one of these: the real player in the
// program, a recording fake in the window tests, so that they need no sound server.

#include <QString>

namespace tarvel {

class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Plays the WAV file at `path` in full and returns only when it has been heard to the
    // end. Reports nothing: a file that cannot be played, or a machine without sound,
    // returns quietly.
    virtual void playToEnd(const QString& path) = 0;
};

} // namespace tarvel
