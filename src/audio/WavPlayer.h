#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Plays a WAV file, or samples in memory, through a sound output and returns when the
// output has played the last sample: its own count of played time, which includes the
// latency it reports, reaching the sound's length. Every way it can fail comes back as a
// PlaybackResult naming the output and the reason.
//
// The sound plays on a thread of its own; the calling thread waits and calls the progress
// function about every 50 ms, where the window keeps painting and the command line draws
// its bar. The sound server holds the whole sound before it starts, so a stalled caller
// cannot starve the output; a hole the output plays all the same (suspended, starved,
// stalled) ends the playing as Interrupted, with where and how long. A watchdog gives up
// when the output's position stands still for kStallLimit.

#include "audio/Playback.h"
#include "audio/PulseOutputStream.h"
#include "audio/SoundOutput.h"

#include <QByteArray>

#include <chrono>
#include <cstdint>

namespace tarvel {

class WavPlayer final : public SoundOutput {
public:
    // How long the output may play nothing before it is given up; a stream that starts on
    // an idle PulseAudio null sink can sit still for seconds before it plays.
    static constexpr std::chrono::milliseconds kStallLimit {5'000};
    // Larger files are not played (this program's own file is 157 580 bytes).
    static constexpr std::int64_t kMaxFileSize = 256LL * 1024 * 1024;

    // `output`: a server name of an output, or empty for the system's default output.
    explicit WavPlayer(QString output = {}) : output_(std::move(output)) { }

    PlaybackResult playToEnd(const QString& path, const PlaybackProgress& progress) override;
    // The same for the whole of a WAV file already in memory (the bytes just written, so
    // that nothing can replace them in between); `name` names it in a message.
    PlaybackResult playWav(const QByteArray& bytes, const QString& name, const PlaybackProgress& progress);

private:
    QString output_;
};

// The same for samples already in memory, laid out as `layout` says.
PlaybackResult playPcm(const PcmLayout& layout, const QByteArray& pcm, const QString& output = {},
    const PlaybackProgress& progress = {});

} // namespace tarvel
