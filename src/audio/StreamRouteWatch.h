#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Watches where this program's playing streams are on the sound server. The server may move
// a stream to another output while it plays (a user in the sound settings, `pactl
// move-sink-input`, or the output going away); Qt keeps playing and counts the time played as
// if nothing had happened, so the move is learnt from the server itself.

#include "audio/PulseClient.h"

#include <QString>

#include <cstdint>
#include <optional>

struct pa_sink_info;
struct pa_sink_input_info;

namespace tarvel {

class StreamRouteWatch {
public:
    // Starts watching the streams of this process, which should all play on `output` (the
    // server's name of an output). Nothing waits: the answers are taken in by check().
    explicit StreamRouteWatch(QString output);

    // Takes in what the server has said so far, without waiting. A sentence naming where a
    // stream went, once one was found elsewhere than on the output; nothing otherwise (also
    // when the server cannot be asked: then Qt's own errors are all there is).
    std::optional<QString> check();

private:
    void askAboutStream(std::uint32_t index);
    static void streamSeen(pa_context* context, const pa_sink_input_info* info, int last, void* self);
    static void outputOfStreamSeen(pa_context* context, const pa_sink_info* sink, int last, void* self);
    static void ownOutputSeen(pa_context* context, const pa_sink_info* sink, int last, void* self);

    PulseClient client_;
    const QString output_;
    bool subscribed_ = false;
    QString movedTo_; // the other output, once found
    bool outputGone_ = false; // the output itself is no longer listed
    bool answered_ = false; // whether outputGone_ has been asked after a move
};

} // namespace tarvel
