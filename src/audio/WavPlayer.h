#pragma once
// Plays a WAV file through the default sound output and returns when it has been heard to
// the end, the way "выдать" needs it: the window waits, nothing else runs meanwhile.
//
// The sound plays on a thread of its own while the calling (GUI) thread is blocked in a
// plain wait. A nested event loop on the GUI thread would keep the window painting, but it
// would also run timers and posted events, so a trainer tick or a queued handler could run
// in the middle of a send; blocking keeps every handler whole. Input that arrives during
// playback is queued by the system and handled afterwards.

#include "audio/SoundOutput.h"

#include <QAudioFormat>
#include <QByteArray>

#include <chrono>
#include <cstdint>

namespace tarvel {

class WavPlayer final : public SoundOutput {
public:
    // How long a playback may run beyond the sound's own length before it is given up:
    // room for the sound server's start-up and output latency, never an endless hang.
    static constexpr std::chrono::milliseconds kSlack{5'000};
    // Larger files are not played (this program's own file is 157 580 bytes).
    static constexpr std::int64_t kMaxFileSize = 256LL * 1024 * 1024;

    void playToEnd(const QString& path) override;
};

// The same for samples already in memory (`pcm` laid out as `format` says): plays them on
// the default output and returns when they have been heard, or quietly when there is no
// output or it refuses the format; never waits longer than their length + kSlack.
void playPcmToEnd(const QAudioFormat& format, const QByteArray& pcm);

} // namespace tarvel
