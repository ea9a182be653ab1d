// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/WavPlayer.h"

#include "audio/DropoutWatch.h"
#include "audio/PulseClient.h"
#include "audio/PulseOutputStream.h"
#include "audio/SoundDevices.h"
#include "signal/WavFormat.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>
#include <QThread>

#include <pulse/context.h>
#include <pulse/introspect.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <span>

namespace tarvel {

namespace {

constexpr std::chrono::milliseconds kWatchInterval {10};
constexpr int kProgressInterval_ms = 50;
// How long a hole may take to end before it is reported as still open: long enough to
// tell the length of a short suspension, short enough not to keep the user waiting.
constexpr std::int64_t kHoleWait_us = 2'000'000;
// How long a server that has not answered for a while gets before it is taken as stopped.
constexpr std::chrono::milliseconds kLastCall {200};

PcmLayout::Kind sampleKind(WavSampleKind kind)
{
    switch (kind) {
    case WavSampleKind::UInt8:
        return PcmLayout::Kind::UInt8;
    case WavSampleKind::Int16:
        return PcmLayout::Kind::Int16;
    case WavSampleKind::Int32:
        return PcmLayout::Kind::Int32;
    case WavSampleKind::Float32:
        return PcmLayout::Kind::Float32;
    }
    return PcmLayout::Kind::Int16;
}

int bytesPerSample(PcmLayout::Kind kind)
{
    return kind == PcmLayout::Kind::UInt8 ? 1 : kind == PcmLayout::Kind::Int16 ? 2 : 4;
}

QString formatText(const PcmLayout& layout)
{
    return QStringLiteral("%1 Hz, %2 channel(s), %3-bit")
        .arg(layout.rate_hz)
        .arg(layout.channels)
        .arg(bytesPerSample(layout.kind) * 8);
}

const QString kWentAway
    = QStringLiteral("the output stopped taking data (the sound server or the device went away)");

// What the playing thread and the waiting caller share. The caller may give up and return
// while the playing thread still runs, so both hold it.
struct Shared {
    QElapsedTimer clock; // started by the caller before the thread starts, read-only then
    std::atomic<std::int64_t> played_us {0};
    std::atomic<std::int64_t> firstSample_us {-1};
    std::atomic<std::int64_t> ended_us {-1};
    std::atomic<bool> cancelled {false};
    QSemaphore done; // released once when the playing thread is finished
    QMutex mutex;
    PlaybackProblem problem = PlaybackProblem::None; // guarded by mutex, as are the ones below
    QString device;
    QString detail;
    Dropout gap;
    QString movedTo;
    bool outputRemoved = false;

    void fail(PlaybackProblem p, const QString& text)
    {
        const QMutexLocker lock(&mutex);
        if (problem == PlaybackProblem::None) {
            problem = p;
            detail = text;
        }
    }
};

// Whether the server still lists the output `name`; nothing when it does not answer in time.
std::optional<bool> outputListed(PulseClient& client, const std::string& name)
{
    struct Answer {
        bool answered = false;
        bool found = false;
    } answer;
    pa_operation_unref(pa_context_get_sink_info_by_name(
        client.context(), name.c_str(),
        [](pa_context*, const pa_sink_info* sink, int last, void* data) {
            auto& a = *static_cast<Answer*>(data);
            if (last < 0 || (last > 0 && !a.found) || sink)
                a.answered = true;
            if (sink)
                a.found = true;
        },
        &answer));
    if (!client.runUntil([&] { return answer.answered; }, PulseClient::Clock::now() + kServerAnswerLimit))
        return std::nullopt;
    return answer.found;
}

// Plays on a thread of its own, including the device lookup: anything that talks to the sound
// server may stall there, and the caller must be able to give up on it. The thread deletes
// itself once it finishes, so a caller that stops waiting leaves it to end (or hang) alone.
class PlaybackThread final : public QThread {
public:
    PlaybackThread(std::shared_ptr<Shared> shared, QString output, PcmLayout layout, QByteArray pcm,
        std::int64_t sound_us)
            : shared_(std::move(shared)), output_(std::move(output)), layout_(layout), pcm_(std::move(pcm)),
              sound_us_(sound_us)
    {
        connect(this, &QThread::finished, this, &QObject::deleteLater);
    }

protected:
    void run() override
    {
        play();
        shared_->done.release();
    }

private:
    std::optional<SoundDevice> findOutput()
    {
        const SoundDeviceList devices = listSoundDevices();
        if (!devices.answered) {
            shared_->fail(PlaybackProblem::Stalled,
                QStringLiteral("the sound server did not list its outputs within %1 s")
                    .arg(kServerAnswerLimit.count() / 1000));
            return std::nullopt;
        }
        if (devices.outputs.isEmpty()) {
            shared_->fail(PlaybackProblem::NoOutput, {});
            return std::nullopt;
        }
        if (output_.isEmpty()) {
            for (const SoundDevice& d : devices.outputs)
                if (d.isDefault)
                    return d;
            shared_->fail(PlaybackProblem::NoOutput, {});
            return std::nullopt;
        }
        const DeviceChoice choice = chooseDevice(devices.outputs, output_, QStringLiteral("output"));
        if (!choice.device)
            shared_->fail(PlaybackProblem::UnknownOutput, choice.problem);
        return choice.device;
    }

    std::int64_t elapsed_us() const { return shared_->clock.nsecsElapsed() / 1000; }

    void play()
    {
        const std::optional<SoundDevice> device = findOutput();
        if (!device || shared_->cancelled)
            return;
        {
            const QMutexLocker lock(&shared_->mutex);
            shared_->device = deviceLabel(*device);
        }
        if (!PulseOutputStream::playable(layout_)) {
            shared_->fail(PlaybackProblem::FormatRefused, formatText(layout_));
            return;
        }
        const std::string sink = device->name.toStdString();
        PulseClient client("tarvel");
        const auto until = PulseClient::Clock::now() + kServerAnswerLimit;
        if (!client.runUntil([&] { return client.ready() || client.failed(); }, until) || client.failed()) {
            shared_->fail(PlaybackProblem::ErrorMidPlay, kWentAway);
            return;
        }
        PulseOutputStream stream(client, sink, layout_,
            reinterpret_cast<const std::uint8_t*>(pcm_.constData()), static_cast<std::size_t>(pcm_.size()));
        if (!client.runUntil([&] { return stream.ready() || stream.failed(); }, until)) {
            shared_->fail(
                PlaybackProblem::Stalled, QStringLiteral("the sound server did not open the output"));
            return;
        }
        if (stream.failed()) {
            shared_->fail(PlaybackProblem::FormatRefused,
                formatText(layout_) + QStringLiteral(": ") + QString::fromStdString(stream.error()));
            return;
        }
        watch(client, stream, sink);
    }

    // Feeds the stream and follows the output to the last sample, or to the first sign that
    // the receiver will not hear the sound whole.
    void watch(PulseClient& client, PulseOutputStream& stream, const std::string& sink)
    {
        DropoutWatch dropouts(sound_us_);
        std::int64_t holeSeen_us = -1; // when the hole now open was first seen, or -1
        for (;;) {
            if (stream.feed() || stream.handed() > 0) {
                std::int64_t none = -1;
                shared_->firstSample_us.compare_exchange_strong(none, elapsed_us());
            }
            stream.askPosition();
            client.runUntil([] { return false; }, PulseClient::Clock::now() + kWatchInterval);
            if (client.failed() || stream.failed()) {
                shared_->fail(PlaybackProblem::ErrorMidPlay, kWentAway);
                return;
            }
            if (const std::optional<std::string> other = stream.movedTo()) {
                // The rest would sound elsewhere than it began, which no receiver hears whole.
                const std::int64_t at = dropouts.played_us();
                interrupted(Dropout {at, sound_us_ - at, false, 0}, QString::fromStdString(*other),
                    outputListed(client, sink) == false);
                return;
            }
            while (const std::optional<PulseOutputStream::Report> r = stream.takeReport()) {
                if (r->allTaken)
                    dropouts.allTaken(r->at_us, r->buffered_us);
                else
                    dropouts.observe(r->at_us, r->position_us, r->buffered_us);
            }
            while (const std::optional<PulseOutputStream::Suspension> s = stream.takeSuspension())
                dropouts.suspended(s->at_us, s->on);
            shared_->played_us = dropouts.played_us();
            std::int64_t now = PulseOutputStream::now_us();
            dropouts.tick(now);
            if (serverSilent(client, stream, dropouts, now)) {
                interrupted(*dropouts.dropout());
                return;
            }
            if (const std::optional<Dropout>& gap = dropouts.dropout()) {
                if (holeSeen_us < 0)
                    holeSeen_us = now;
                if ((!gap->open && now >= gap->closedAt_us + DropoutWatch::kConfirmSpan_us)
                    || now - holeSeen_us >= kHoleWait_us) {
                    interrupted(*gap);
                    return;
                }
            } else {
                holeSeen_us = -1;
                if (dropouts.endsAt_us() && now >= *dropouts.endsAt_us()) {
                    shared_->ended_us = elapsed_us();
                    return;
                }
            }
            if (shared_->cancelled)
                return;
        }
    }

    // Whether the server has stopped answering while the output depends on it. What has
    // arrived is read first and the server given a moment more: it is this thread that may
    // have stood still (a stopped or starved sender), and then the answer is waiting.
    static bool serverSilent(
        PulseClient& client, const PulseOutputStream& stream, DropoutWatch& dropouts, std::int64_t& now)
    {
        const std::optional<std::int64_t> asked = stream.askedAt_us();
        if (!asked || now - *asked < DropoutWatch::kServerSilence_us)
            return false;
        if (client.runUntil([&] { return !stream.askedAt_us(); }, PulseClient::Clock::now() + kLastCall))
            return false;
        now = PulseOutputStream::now_us();
        return dropouts.unanswered(*asked, now);
    }

    void interrupted(const Dropout& gap, const QString& movedTo = {}, bool outputRemoved = false)
    {
        const QMutexLocker lock(&shared_->mutex);
        if (shared_->problem != PlaybackProblem::None)
            return;
        shared_->problem = PlaybackProblem::Interrupted;
        shared_->gap = gap;
        shared_->movedTo = movedTo;
        shared_->outputRemoved = outputRemoved;
    }

    std::shared_ptr<Shared> shared_;
    const QString output_;
    const PcmLayout layout_;
    const QByteArray pcm_;
    const std::int64_t sound_us_;
};

PlaybackResult playFor(const QString& output, const PcmLayout& layout, const QByteArray& pcm,
    std::int64_t sound_us, const PlaybackProgress& progress)
{
    auto shared = std::make_shared<Shared>();
    shared->clock.start();
    (new PlaybackThread(shared, output, layout, pcm, sound_us))->start();

    // The watchdog: the output's position must move at least once every kStallLimit.
    std::int64_t lastPlayed = -1;
    QElapsedTimer still;
    still.start();
    while (!shared->done.tryAcquire(1, kProgressInterval_ms)) {
        const std::int64_t played = shared->played_us;
        if (progress)
            progress(played, sound_us);
        if (played != lastPlayed) {
            lastPlayed = played;
            still.restart();
        } else if (still.elapsed() > WavPlayer::kStallLimit.count()) {
            shared->fail(PlaybackProblem::Stalled,
                QStringLiteral("the output played nothing for %1 s")
                    .arg(WavPlayer::kStallLimit.count() / 1000));
            shared->cancelled = true;
            break;
        }
    }

    PlaybackResult result;
    const QMutexLocker lock(&shared->mutex);
    result.problem = shared->problem;
    result.device = shared->device;
    result.detail = shared->detail;
    result.sound_us = sound_us;
    result.firstSample_us = shared->firstSample_us;
    result.played_us = shared->played_us;
    result.ended_us = shared->ended_us >= 0 ? shared->ended_us.load() : shared->clock.nsecsElapsed() / 1000;
    if (result.problem == PlaybackProblem::Interrupted) {
        result.gapAt_us = shared->gap.at_us;
        result.gap_us = shared->gap.length_us;
        result.gapOpen = shared->gap.open;
        result.movedTo = shared->movedTo;
        result.outputRemoved = shared->outputRemoved;
    }
    if (result.ok() && progress)
        progress(sound_us, sound_us);
    return result;
}

PlaybackResult unreadable(const QString& detail)
{
    PlaybackResult result;
    result.problem = PlaybackProblem::UnreadableFile;
    result.detail = detail;
    return result;
}

} // namespace

QString problemText(const PlaybackResult& result)
{
    const QString detail = result.detail.isEmpty() ? QString() : QStringLiteral(": ") + result.detail;
    switch (result.problem) {
    case PlaybackProblem::None:
        return {};
    case PlaybackProblem::NoOutput:
        return QStringLiteral("no sound output (is a sound server running?)");
    case PlaybackProblem::UnknownOutput:
        return result.detail;
    case PlaybackProblem::UnreadableFile:
        return QStringLiteral("the sound file cannot be played") + detail;
    case PlaybackProblem::FormatRefused:
        return QStringLiteral("the output refused the sound's format") + detail;
    case PlaybackProblem::ErrorMidPlay:
        return QStringLiteral("playback stopped with an error") + detail;
    case PlaybackProblem::Stalled:
        return QStringLiteral("playback stopped and was given up") + detail;
    case PlaybackProblem::Interrupted:
        return QStringLiteral("the sound was interrupted for %1%2 ms at %3 s on %4%5")
            .arg(result.gapOpen ? QStringLiteral("at least ") : QString())
            .arg((result.gap_us + 500) / 1000)
            .arg(static_cast<double>(result.gapAt_us) / 1e6, 0, 'f', 2)
            .arg(result.device,
                result.movedTo.isEmpty() ? QString()
                    : result.outputRemoved
                    ? QStringLiteral(" (the output was removed; the sound server moved the rest to %1)")
                          .arg(result.movedTo)
                    : QStringLiteral(
                        " (the sound server moved the stream to %1, which would have played the rest)")
                          .arg(result.movedTo));
    }
    return {};
}

PlaybackResult WavPlayer::playToEnd(const QString& path, const PlaybackProgress& progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(path + QStringLiteral(": ") + file.errorString());
    if (file.size() > kMaxFileSize)
        return unreadable(path + QStringLiteral(": larger than %1 bytes").arg(kMaxFileSize));
    return playWav(file.readAll(), path, progress);
}

PlaybackResult WavPlayer::playWav(
    const QByteArray& bytes, const QString& name, const PlaybackProgress& progress)
{
    const QString path = name.isEmpty() ? QStringLiteral("the sound") : name;
    const auto data = std::span(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    const std::optional<WavSound> sound = readWavSound(data);
    if (!sound || sound->dataSize == 0)
        return unreadable(path + QStringLiteral(": not a WAV file with samples this player takes"));

    const PcmLayout layout {sampleKind(sound->kind), static_cast<int>(sound->sampleRate_hz), sound->channels};
    if (!PulseOutputStream::playable(layout))
        return unreadable(path + QStringLiteral(": not a sample layout this player takes"));
    return playFor(output_, layout,
        bytes.mid(static_cast<qsizetype>(sound->dataOffset), static_cast<qsizetype>(sound->dataSize)),
        sound->duration_us(), progress);
}

PlaybackResult playPcm(
    const PcmLayout& layout, const QByteArray& pcm, const QString& output, const PlaybackProgress& progress)
{
    const int frameBytes = bytesPerSample(layout.kind) * layout.channels;
    if (!PulseOutputStream::playable(layout) || frameBytes <= 0 || pcm.isEmpty())
        return unreadable(QStringLiteral("no samples"));
    const std::int64_t frames = pcm.size() / frameBytes;
    return playFor(output, layout, pcm, frames * 1'000'000 / layout.rate_hz, progress);
}

} // namespace tarvel
