// The player's side of a WAV file: what it reads from the header (and what it refuses,
// without reading past the end of a damaged file), and that a file it cannot play or a
// machine without sound output is reported with the reason, at once. Failures that need a
// sound server (an output removed or a server killed mid-play) are in tests/e2e/send_cli.sh.

#include "audio/WavPlayer.h"
#include "signal/WavFiles.h"
#include "signal/WavFormat.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <optional>

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

void chunk(QByteArray& b, const char* tag, const QByteArray& body, std::optional<std::uint32_t> declared = {})
{
    b.append(tag, 4);
    put32(b, declared.value_or(static_cast<std::uint32_t>(body.size())));
    b.append(body);
    if (body.size() % 2 != 0)
        b.append('\0');
}

QByteArray fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
    std::optional<std::uint16_t> blockAlign = {})
{
    QByteArray b;
    const auto align = blockAlign.value_or(static_cast<std::uint16_t>(channels * bits / 8));
    put16(b, tag);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * align);
    put16(b, align);
    put16(b, bits);
    return b;
}

QByteArray extensibleFmtBody(
    std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits)
{
    QByteArray b = fmtBody(0xFFFE, channels, rate, bits);
    put16(b, 22); // extension size
    put16(b, bits); // valid bits
    put32(b, 3); // channel mask
    put16(b, subTag);
    b.append("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return b;
}

QByteArray wav(const QList<QByteArray>& chunks)
{
    QByteArray b("RIFF");
    put32(b, 0); // not trusted by the reader, so left unset here
    b.append("WAVE");
    for (const QByteArray& c : chunks)
        b.append(c);
    return b;
}

QByteArray oneChunk(const char* tag, const QByteArray& body, std::optional<std::uint32_t> declared = {})
{
    QByteArray b;
    chunk(b, tag, body, declared);
    return b;
}

std::optional<WavSound> read(const QByteArray& bytes)
{
    return readWavSound(std::span(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())));
}

} // namespace

Q_DECLARE_METATYPE(WavSampleKind)

class TestWavPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No sound server for this test, whatever the machine has: the player must say so.
        qputenv("PULSE_SERVER", "unix:/nonexistent/tarvel-test-no-server");
    }

    void theProgramsOwnFile()
    {
        QByteArray bytes;
        for (std::uint8_t b : wavHeader())
            bytes.append(static_cast<char>(b));
        bytes.append(QByteArray(static_cast<qsizetype>(kWavDataSize), '\1'));
        const std::optional<WavSound> s = read(bytes);
        QVERIFY(s);
        QCOMPARE(s->kind, WavSampleKind::Int16);
        QCOMPARE(s->channels, 1);
        QCOMPARE(s->sampleRate_hz, 16'000);
        QCOMPARE(s->dataOffset, kWavHeaderSize);
        QCOMPARE(s->dataSize, kWavDataSize);
        QCOMPARE(s->frameCount(), std::int64_t {78'768});
        QCOMPARE(s->duration_us(), std::int64_t {4'923'000});
    }

    void layouts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<WavSampleKind>("kind");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<qulonglong>("offset");
        QTest::addColumn<qulonglong>("size");

        const QByteArray fmt8 = oneChunk("fmt ", fmtBody(1, 1, 8'000, 8));
        QTest::newRow("8-bit mono") << wav({fmt8, oneChunk("data", QByteArray(100, 'x'))})
                                    << WavSampleKind::UInt8 << 1 << 8'000 << 44ULL << 100ULL;
        const QByteArray fmt32 = oneChunk("fmt ", fmtBody(1, 2, 44'100, 32));
        QTest::newRow("32-bit stereo") << wav({fmt32, oneChunk("data", QByteArray(64, 'x'))})
                                       << WavSampleKind::Int32 << 2 << 44'100 << 44ULL << 64ULL;
        // Unknown chunks are skipped, an odd-sized one with its pad byte.
        const QByteArray fmtFloat = oneChunk("fmt ", fmtBody(3, 1, 48'000, 32));
        QTest::newRow("float, odd LIST chunk first")
            << wav({fmtFloat, oneChunk("LIST", QByteArray(5, 'i')), oneChunk("data", QByteArray(40, 'x'))})
            << WavSampleKind::Float32 << 1 << 48'000 << 58ULL << 40ULL;
        const QByteArray fmtExtensible = oneChunk("fmt ", extensibleFmtBody(1, 2, 22'050, 16));
        QTest::newRow("extensible PCM") << wav({fmtExtensible, oneChunk("data", QByteArray(8, 'x'))})
                                        << WavSampleKind::Int16 << 2 << 22'050 << 68ULL << 8ULL;
        // A recording cut short: the data chunk claims 65 536 bytes, 1 001 are there, and
        // a stereo 16-bit frame takes 4 of them.
        const QByteArray fmtStereo = oneChunk("fmt ", fmtBody(1, 2, 16'000, 16));
        QTest::newRow("data cut short")
            << wav({fmtStereo, oneChunk("data", QByteArray(1'001, 'x'), 65'536).left(8 + 1'001)})
            << WavSampleKind::Int16 << 2 << 16'000 << 44ULL << 1'000ULL;
        const QByteArray fmtMono = oneChunk("fmt ", fmtBody(1, 1, 16'000, 16));
        QTest::newRow("streaming size 0xFFFFFFFF")
            << wav({fmtMono, oneChunk("data", QByteArray(10, 'x'), 0xFFFFFFFFU)}) << WavSampleKind::Int16 << 1
            << 16'000 << 44ULL << 10ULL;
    }

    void layouts()
    {
        QFETCH(QByteArray, bytes);
        const std::optional<WavSound> s = read(bytes);
        QVERIFY(s);
        QTEST(s->kind, "kind");
        QTEST(s->channels, "channels");
        QTEST(s->sampleRate_hz, "rate");
        QTEST(static_cast<qulonglong>(s->dataOffset), "offset");
        QTEST(static_cast<qulonglong>(s->dataSize), "size");
        QVERIFY(s->dataOffset + s->dataSize <= static_cast<std::size_t>(bytes.size()));
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray fmt16 = oneChunk("fmt ", fmtBody(1, 1, 16'000, 16));
        const QByteArray data = oneChunk("data", QByteArray(16, 'x'));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header only, cut") << wav({}).left(11);
        QTest::newRow("not RIFF") << wav({fmt16, data}).replace(0, 4, "RIFX");
        QTest::newRow("not WAVE") << wav({fmt16, data}).replace(8, 4, "AVI ");
        QTest::newRow("no chunks") << wav({});
        QTest::newRow("data before fmt") << wav({data, fmt16});
        QTest::newRow("no data") << wav({fmt16});
        QTest::newRow("24-bit") << wav({oneChunk("fmt ", fmtBody(1, 1, 16'000, 24)), data});
        QTest::newRow("64-bit float") << wav({oneChunk("fmt ", fmtBody(3, 1, 16'000, 64)), data});
        QTest::newRow("compressed") << wav({oneChunk("fmt ", fmtBody(2, 1, 16'000, 4)), data});
        QTest::newRow("no channels") << wav({oneChunk("fmt ", fmtBody(1, 0, 16'000, 16, 2)), data});
        QTest::newRow("rate 0") << wav({oneChunk("fmt ", fmtBody(1, 1, 0, 16)), data});
        QTest::newRow("padded frames") << wav({oneChunk("fmt ", fmtBody(1, 1, 16'000, 16, 4)), data});
        QTest::newRow("fmt too short") << wav({oneChunk("fmt ", fmtBody(1, 1, 16'000, 16).left(14)), data});
        QTest::newRow("extensible too short")
            << wav({oneChunk("fmt ", fmtBody(0xFFFE, 1, 16'000, 16)), data});
        QTest::newRow("fmt past the end") << wav({oneChunk("fmt ", fmtBody(1, 1, 16'000, 16), 4'000)});
        // A huge size on a chunk that is skipped must not wrap the position around.
        QTest::newRow("huge skipped chunk")
            << wav({fmt16, oneChunk("junk", QByteArray(4, 'j'), 0xFFFFFFF8U), data});
    }

    void refused()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!read(bytes));
    }

    // Every prefix of a good file is either refused or read within its own bytes.
    void truncatedFilesStayInBounds()
    {
        const QByteArray good = wav({oneChunk("fmt ", extensibleFmtBody(3, 2, 48'000, 32)),
            oneChunk("LIST", QByteArray(3, 'i')), oneChunk("data", QByteArray(80, 'x'))});
        for (qsizetype n = 0; n <= good.size(); ++n) {
            const QByteArray cut = good.left(n);
            const std::optional<WavSound> s = read(cut);
            if (s)
                QVERIFY(s->dataOffset + s->dataSize <= static_cast<std::size_t>(n));
        }
        QVERIFY(read(good));
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
        good.write(
            wav({oneChunk("fmt ", fmtBody(1, 1, 16'000, 16)), oneChunk("data", QByteArray(32'000, '\0'))}));
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

        QAudioFormat format;
        format.setSampleRate(8'000);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        QCOMPARE(playPcm(format, QByteArray(16'000, '\0')).problem, PlaybackProblem::NoOutput);
        QCOMPARE(playPcm(format, QByteArray()).problem, PlaybackProblem::UnreadableFile);
    }
};

QTEST_MAIN(TestWavPlayer)
#include "tst_wavplayer.moc"
