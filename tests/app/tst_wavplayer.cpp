// The player: a file it cannot play or a machine without sound output makes playToEnd
// return quietly. The header parser it relies on has its own tests (WavFormatTests).

#include "audio/WavPlayer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>

using namespace tarvel;

namespace {

void put16(QByteArray& b, std::uint16_t v)
{
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>(v >> 8));
}

void put32(QByteArray& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A playable file: 16 kHz mono 16-bit PCM, `dataBytes` bytes of silence.
QByteArray silentWav(std::uint32_t dataBytes)
{
    QByteArray b("RIFF");
    put32(b, 36 + dataBytes);
    b.append("WAVEfmt ");
    put32(b, 16);
    put16(b, 1);      // PCM
    put16(b, 1);      // mono
    put32(b, 16'000); // samples per second
    put32(b, 32'000); // bytes per second
    put16(b, 2);      // bytes per frame
    put16(b, 16);     // bits per sample
    b.append("data");
    put32(b, dataBytes);
    b.append(QByteArray(static_cast<qsizetype>(dataBytes), '\0'));
    return b;
}

} // namespace

class TestWavPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No sound server for this test, whatever the machine has: the player must then
        // return by itself.
        qputenv("PULSE_SERVER", "unix:/nonexistent/tarvel-test-no-server");
    }

    // Nothing to play, or nowhere to play it: playToEnd comes back, well before its own time
    // limit, and reports nothing.
    void unplayableReturnsQuietly()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QFile text(folder.filePath(QStringLiteral("text.wav")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a sound");
        text.close();
        // One second of silence: no sound server, so no output device to play it on.
        QFile good(folder.filePath(QStringLiteral("good.wav")));
        QVERIFY(good.open(QIODevice::WriteOnly));
        good.write(silentWav(32'000));
        good.close();

        const QStringList paths{folder.filePath(QStringLiteral("missing.wav")), folder.path(), text.fileName(),
                                good.fileName()};
        const qint64 bound_ms = WavPlayer::kSlack.count() / 2;
        WavPlayer player;
        for (const QString& path : paths) {
            QElapsedTimer clock;
            clock.start();
            player.playToEnd(path);
            QVERIFY2(clock.elapsed() < bound_ms, qPrintable(path));
        }
    }

    void pcmWithoutOutputReturnsQuietly()
    {
        QAudioFormat format;
        format.setSampleRate(8'000);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        QElapsedTimer clock;
        clock.start();
        playPcmToEnd(format, QByteArray(16'000, '\0'));
        QVERIFY(clock.elapsed() < WavPlayer::kSlack.count() / 2);
    }
};

QTEST_MAIN(TestWavPlayer)
#include "tst_wavplayer.moc"
