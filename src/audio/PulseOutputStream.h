#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// One playing stream on a PulseAudio output, on a PulseClient's loop. The server is asked to
// hold the whole sound (up to kMaxHeld_bytes) and to start only once it has it, so that a
// sender that stalls, is swapped out or is stopped cannot leave the output without samples;
// the output itself is kept at a short latency. What the server says about the stream is
// queued here for the player to read: where the output is in the sound, suspensions, moves.

#include "audio/PulseClient.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

struct pa_stream;

namespace tarvel {

struct PcmLayout {
    enum class Kind { UInt8, Int16, Int32, Float32 } kind = Kind::Int16; // little-endian
    int rate_hz = 0;
    int channels = 0;
};

class PulseOutputStream {
public:
    // Longer sounds (a long test tone) are held in part and fed as they play.
    static constexpr std::size_t kMaxHeld_bytes = 2U * 1024 * 1024;
    // How far ahead of the speaker the output mixes: the slack against a busy sound server.
    static constexpr std::int64_t kOutputLatency_us = 100'000;
    // The latency asked for until the first sample plays: an idle output's (a null sink's
    // most; a sound card's is its whole buffer, and the server holds it to that).
    static constexpr std::int64_t kStartLatency_us = 2'000'000;

    // A report of the server. Times are the server's clock in µs (the wall clock, as
    // now_us() reads it).
    struct Report {
        std::int64_t at_us = 0;
        std::int64_t position_us = 0; // how much of the sound the output has played
        bool allTaken = false; // the output has taken the last sample
        std::int64_t buffered_us = 0; // what the output holds still to play
    };
    struct Suspension {
        std::int64_t at_us = 0;
        bool on = false;
    };

    // Starts connecting to the output `sink` (a server name); nothing waits.
    PulseOutputStream(PulseClient& client, const std::string& sink, const PcmLayout& layout,
        const std::uint8_t* pcm, std::size_t size);
    ~PulseOutputStream();
    PulseOutputStream(const PulseOutputStream&) = delete;
    PulseOutputStream& operator=(const PulseOutputStream&) = delete;

    // Whether the layout is one the server can play at all.
    static bool playable(const PcmLayout& layout);
    static std::int64_t now_us();

    bool ready() const;
    bool failed() const; // the server refused or ended the stream: why in error()
    std::string error() const;
    // Hands the server as much of the sound as it takes now; true once all of it is handed.
    bool feed();
    // How much of the sound the server has been handed so far.
    std::size_t handed() const { return written_; }
    // Asks where the output is (one question at a time); answers come through takeReport().
    void askPosition();
    std::optional<Report> takeReport();
    // When the question still unanswered was asked (now_us()), if one is.
    std::optional<std::int64_t> askedAt_us() const { return askedAt_us_; }
    std::optional<Suspension> takeSuspension();
    // The output the server moved the stream to, once it did.
    std::optional<std::string> movedTo() const { return movedTo_; }

private:
    static void positionAnswered(pa_stream* stream, int success, void* self);
    static void started(pa_stream* stream, void* self);

    pa_stream* stream_ = nullptr;
    const std::uint8_t* pcm_;
    const std::size_t size_;
    std::size_t written_ = 0;
    std::uint32_t playingStep_ = 0; // bytes of kOutputLatency_us
    std::optional<std::int64_t> askedAt_us_;
    std::deque<Report> reports_;
    std::deque<Suspension> suspensions_;
    std::optional<std::string> movedTo_;
    std::string sink_;
};

} // namespace tarvel
