// SPDX-License-Identifier: GPL-3.0-or-later
// The player: a file it cannot play or a machine without sound output is reported with the
// reason, at once. The header parser it relies on has its own tests (WavFormatTests);
// failures that need a sound server (an output removed or a server killed mid-play) are in
// tests/e2e/send_cli.sh.

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
    put16(b, 1); // PCM
    put16(b, 1); // mono
    put32(b, 16'000); // samples per second
    put32(b, 32'000); // bytes per second
    put16(b, 2); // bytes per frame
    put16(b, 16); // bits per sample
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
        // No sound server for this test, whatever the machine has: the player must say so.
        qputenv("PULSE_SERVER", "unix:/nonexistent/tarvel-test-no-server");
    }

    // Nothing to play: reported with the file and the reason, at once.
    void unplayableFileIsReportedWithTheReason()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QFile text(folder.filePath(QStringLiteral("text.wav")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a sound");
        text.close();
        const QStringList paths {
            folder.filePath(QStringLiteral("missing.wav")), folder.path(), text.fileName()};
        WavPlayer player;
        for (const QString& path : paths) {
            const PlaybackResult result = player.playToEnd(path, {});
            QCOMPARE(result.problem, PlaybackProblem::UnreadableFile);
            QVERIFY2(result.detail.startsWith(path + QStringLiteral(": ")), qPrintable(result.detail));
            QVERIFY(result.device.isEmpty());
        }
    }

    // Nowhere to play it (no sound server): reported as no output, well before the watchdog
    // would give up, with no progress reported and nothing counted as played.
    void noSoundServerIsReportedAsNoOutput()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QFile good(folder.filePath(QStringLiteral("good.wav")));
        QVERIFY(good.open(QIODevice::WriteOnly));
        good.write(silentWav(32'000)); // one second
        good.close();
        for (const QString& output : {QString(), QStringLiteral("usb")}) {
            QElapsedTimer clock;
            clock.start();
            int progressCalls = 0;
            const PlaybackResult result = WavPlayer(output).playToEnd(
                good.fileName(), [&](std::int64_t, std::int64_t) { ++progressCalls; });
            QVERIFY(clock.elapsed() < WavPlayer::kStallLimit.count() / 2);
            QCOMPARE(result.problem, PlaybackProblem::NoOutput);
            QCOMPARE(result.sound_us, std::int64_t {1'000'000});
            QCOMPARE(result.played_us, std::int64_t {0});
            QCOMPARE(result.firstSample_us, std::int64_t {-1});
            QCOMPARE(problemText(result), QStringLiteral("no sound output (is a sound server running?)"));
        }

        const PcmLayout format {PcmLayout::Kind::Int16, 8'000, 1};
        QCOMPARE(playPcm(format, QByteArray(16'000, '\0')).problem, PlaybackProblem::NoOutput);
        QCOMPARE(playPcm(format, QByteArray()).problem, PlaybackProblem::UnreadableFile);
    }
};

QTEST_MAIN(TestWavPlayer)
#include "tst_wavplayer.moc"
