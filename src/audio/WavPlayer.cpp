#include "audio/WavPlayer.h"

#include "signal/WavFormat.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <span>

namespace tarvel {

namespace {

// The server's count of played time may stop a hair short of the data's length.
constexpr std::int64_t kEndTolerance_us = 5'000;
constexpr int kWatchInterval_ms = 10;

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

// Plays on a thread of its own, including the device lookup: anything that talks to the sound
// server may stall there, and the caller must be able to give up on it. The thread is on the
// heap and deletes itself once it finishes, so a caller that stops waiting leaves it to end
// (or hang) alone instead of destroying it while it runs.
class PlaybackThread final : public QThread {
public:
    PlaybackThread(QAudioFormat format, QByteArray pcm, std::int64_t duration_us)
        : format_(format), pcm_(std::move(pcm)), duration_us_(duration_us)
    {
        connect(this, &QThread::finished, this, &QObject::deleteLater);
    }

    std::chrono::milliseconds limit() const
    {
        return std::chrono::milliseconds(duration_us_ / 1000) + WavPlayer::kSlack;
    }

protected:
    void run() override
    {
        QElapsedTimer clock;
        clock.start();
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull() || isInterruptionRequested())
            return;
        QBuffer source(&pcm_);
        source.open(QIODevice::ReadOnly);
        QAudioSink sink(device, format_);
        QEventLoop loop;
        QTimer watch;
        watch.setInterval(kWatchInterval_ms);
        // The sink goes idle once it has taken the last byte, while the server still holds
        // up to a buffer of it; the end is when the server has played it all.
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            const QAudio::State state = sink.state();
            const bool heardToEnd = state == QAudio::IdleState
                                 && sink.processedUSecs() + kEndTolerance_us >= duration_us_;
            if (heardToEnd || state == QAudio::StoppedState || isInterruptionRequested()
                || clock.elapsed() > limit().count())
                loop.quit();
        });
        sink.start(&source);
        if (sink.state() == QAudio::StoppedState)
            return; // the output refused the format or could not be opened
        watch.start();
        loop.exec();
        sink.stop();
    }

private:
    const QAudioFormat format_;
    QByteArray pcm_;
    const std::int64_t duration_us_;
};

// Waits at most the sound's length + kSlack: a player still running then is told to stop and
// left to finish on its own.
void playFor(const QAudioFormat& format, const QByteArray& pcm, std::int64_t duration_us)
{
    auto* player = new PlaybackThread(format, pcm, duration_us);
    const QDeadlineTimer deadline(player->limit());
    player->start();
    if (!player->wait(deadline))
        player->requestInterruption();
}

} // namespace

void WavPlayer::playToEnd(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return;
    const QByteArray bytes = file.readAll();
    const auto data = std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                static_cast<std::size_t>(bytes.size()));
    const std::optional<WavSound> sound = readWavSound(data);
    if (!sound || sound->dataSize == 0)
        return;

    QAudioFormat format;
    format.setSampleRate(sound->sampleRate_hz);
    format.setChannelCount(sound->channels);
    format.setSampleFormat(sampleFormat(sound->kind));
    if (!format.isValid())
        return;
    playFor(format, bytes.mid(static_cast<qsizetype>(sound->dataOffset), static_cast<qsizetype>(sound->dataSize)),
            sound->duration_us());
}

void playPcmToEnd(const QAudioFormat& format, const QByteArray& pcm)
{
    const int frameBytes = format.bytesPerFrame();
    if (!format.isValid() || frameBytes <= 0 || pcm.isEmpty())
        return;
    const std::int64_t frames = pcm.size() / frameBytes;
    playFor(format, pcm, frames * 1'000'000 / format.sampleRate());
}

} // namespace tarvel
