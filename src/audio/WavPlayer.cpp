// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/WavPlayer.h"

#include "audio/SoundDevices.h"
#include "audio/StreamRouteWatch.h"
#include "signal/WavFormat.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <span>

namespace tarvel {

namespace {

// The output's count of played time may stop a hair short of the data's length.
constexpr std::int64_t kEndTolerance_us = 5'000;
constexpr int kWatchInterval_ms = 10;
constexpr int kProgressInterval_ms = 50;
constexpr int kPresenceEvery = 10; // watch ticks between checks that the output still exists

bool listed(const QAudioDevice& device)
{
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    return std::any_of(
        outputs.begin(), outputs.end(), [&](const QAudioDevice& d) { return d.id() == device.id(); });
}

QAudioFormat::SampleFormat sampleFormat(WavSampleKind kind)
{
    switch (kind) {
    case WavSampleKind::UInt8:
        return QAudioFormat::UInt8;
    case WavSampleKind::Int16:
        return QAudioFormat::Int16;
    case WavSampleKind::Int32:
        return QAudioFormat::Int32;
    case WavSampleKind::Float32:
        return QAudioFormat::Float;
    }
    return QAudioFormat::Unknown;
}

QString errorName(QAudio::Error error)
{
    switch (error) {
    case QAudio::NoError:
        return {};
    case QAudio::OpenError:
        return QStringLiteral("the output could not be opened");
    case QAudio::IOError:
        return QStringLiteral("the output stopped taking data (the sound server or the device went away)");
    case QAudio::UnderrunError:
        return QStringLiteral("the output ran out of data");
    case QAudio::FatalError:
        return QStringLiteral("the output failed (the sound server or the device went away)");
    }
    return QStringLiteral("unknown error");
}

QString formatText(const QAudioFormat& format)
{
    return QStringLiteral("%1 Hz, %2 channel(s), %3-bit")
        .arg(format.sampleRate())
        .arg(format.channelCount())
        .arg(format.bytesPerSample() * 8);
}

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
    PlaybackProblem problem = PlaybackProblem::None; // guarded by mutex, as are the two below
    QString device;
    QString detail;

    void fail(PlaybackProblem p, const QString& text)
    {
        const QMutexLocker lock(&mutex);
        if (problem == PlaybackProblem::None) {
            problem = p;
            detail = text;
        }
    }
};

// The sound's bytes, noting when the output first takes some: the first sample handed over.
class SourceBuffer final : public QBuffer {
public:
    SourceBuffer(QByteArray* bytes, Shared& shared) : QBuffer(bytes), shared_(shared) { }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = QBuffer::readData(data, maxSize);
        std::int64_t none = -1;
        if (n > 0)
            shared_.firstSample_us.compare_exchange_strong(none, shared_.clock.nsecsElapsed() / 1000);
        return n;
    }

private:
    Shared& shared_;
};

// Plays on a thread of its own, including the device lookup: anything that talks to the sound
// server may stall there, and the caller must be able to give up on it. The thread deletes
// itself once it finishes, so a caller that stops waiting leaves it to end (or hang) alone.
class PlaybackThread final : public QThread {
public:
    PlaybackThread(std::shared_ptr<Shared> shared, QString output, QAudioFormat format, QByteArray pcm,
        std::int64_t sound_us)
            : shared_(std::move(shared)), output_(std::move(output)), format_(format), pcm_(std::move(pcm)),
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
    QAudioDevice findOutput()
    {
        if (output_.isEmpty()) {
            QAudioDevice device = QMediaDevices::defaultAudioOutput();
            if (device.isNull())
                shared_->fail(PlaybackProblem::NoOutput, {});
            return device;
        }
        const QList<SoundDevice> outputs = soundOutputs();
        if (outputs.isEmpty()) {
            shared_->fail(PlaybackProblem::NoOutput, {});
            return {};
        }
        const DeviceChoice choice = chooseDevice(outputs, output_, QStringLiteral("output"));
        if (!choice.device) {
            shared_->fail(PlaybackProblem::UnknownOutput, choice.problem);
            return {};
        }
        return qtOutput(choice.device->name);
    }

    void play()
    {
        const QAudioDevice device = findOutput();
        if (device.isNull() || shared_->cancelled)
            return;
        {
            const QMutexLocker lock(&shared_->mutex);
            shared_->device
                = deviceLabel({QString::fromUtf8(device.id()), device.description(), device.isDefault()});
        }
        if (!device.isFormatSupported(format_)) {
            shared_->fail(PlaybackProblem::FormatRefused, formatText(format_));
            return;
        }
        SourceBuffer source(&pcm_, *shared_);
        source.open(QIODevice::ReadOnly);
        StreamRouteWatch route(QString::fromUtf8(device.id()));
        QAudioSink sink(device, format_);
        sink.start(&source);
        if (sink.state() == QAudio::StoppedState) {
            shared_->fail(PlaybackProblem::FormatRefused,
                formatText(format_) + QStringLiteral(": ") + errorName(sink.error()));
            return;
        }
        QEventLoop loop;
        int ticks = 0;
        QTimer watch;
        watch.setInterval(kWatchInterval_ms);
        // The sink goes idle once it has taken the last byte, while the server still holds up
        // to a buffer of it; its count of played time, which takes the output's reported
        // latency into account, says when the last sample has really been played.
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            const std::int64_t played = sink.processedUSecs();
            shared_->played_us = played;
            const QAudio::State state = sink.state();
            const std::optional<QString> moved = route.check();
            if (moved) {
                // The rest would sound elsewhere than it began, which no receiver hears whole.
                shared_->fail(PlaybackProblem::ErrorMidPlay, *moved);
                loop.quit();
            } else if (state == QAudio::IdleState && played + kEndTolerance_us >= sound_us_) {
                shared_->ended_us = shared_->clock.nsecsElapsed() / 1000;
                loop.quit();
            } else if (state == QAudio::StoppedState) {
                shared_->fail(PlaybackProblem::ErrorMidPlay, errorName(sink.error()));
                loop.quit();
            } else if (++ticks % kPresenceEvery == 0 && !listed(device)) {
                // The server moves the stream of an output that goes away to another one:
                // the sound then ends elsewhere than it began, which no receiver hears whole.
                shared_->fail(PlaybackProblem::ErrorMidPlay,
                    QStringLiteral("the output was removed (the sound server moved the rest elsewhere)"));
                loop.quit();
            } else if (shared_->cancelled) {
                loop.quit();
            }
        });
        watch.start();
        loop.exec();
        sink.stop();
    }

    std::shared_ptr<Shared> shared_;
    const QString output_;
    const QAudioFormat format_;
    QByteArray pcm_;
    const std::int64_t sound_us_;
};

PlaybackResult playFor(const QString& output, const QAudioFormat& format, const QByteArray& pcm,
    std::int64_t sound_us, const PlaybackProgress& progress)
{
    auto shared = std::make_shared<Shared>();
    shared->clock.start();
    (new PlaybackThread(shared, output, format, pcm, sound_us))->start();

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

    QAudioFormat format;
    format.setSampleRate(sound->sampleRate_hz);
    format.setChannelCount(sound->channels);
    format.setSampleFormat(sampleFormat(sound->kind));
    if (!format.isValid())
        return unreadable(path + QStringLiteral(": not a sample layout this player takes"));
    return playFor(output_, format,
        bytes.mid(static_cast<qsizetype>(sound->dataOffset), static_cast<qsizetype>(sound->dataSize)),
        sound->duration_us(), progress);
}

PlaybackResult playPcm(const QAudioFormat& format, const QByteArray& pcm, const QString& output,
    const PlaybackProgress& progress)
{
    const int frameBytes = format.bytesPerFrame();
    if (!format.isValid() || frameBytes <= 0 || pcm.isEmpty())
        return unreadable(QStringLiteral("no samples"));
    const std::int64_t frames = pcm.size() / frameBytes;
    return playFor(output, format, pcm, frames * 1'000'000 / format.sampleRate(), progress);
}

} // namespace tarvel
