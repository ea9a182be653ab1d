// SPDX-License-Identifier: GPL-3.0-or-later
// The trainer's beep as samples: a softened sine of the asked pitch and length, silence for
// pitches the output cannot carry, and no piece longer than the player takes at once.

#include "audio/SpeakerTone.h"

#include <QTest>

#include <cstdint>
#include <cstdlib>

using namespace tarvel;

namespace {

constexpr qsizetype kBytesPer20ms = 2 * SpeakerTone::kSampleRate / 50;

std::int16_t sampleAt(const QByteArray& pcm, qsizetype i)
{
    return static_cast<std::int16_t>(
        static_cast<std::uint8_t>(pcm[2 * i]) | (static_cast<std::uint8_t>(pcm[2 * i + 1]) << 8));
}

} // namespace

class TestSpeakerTone : public QObject {
    Q_OBJECT

private slots:
    void toneIsASoftenedSineOfTheAskedPitchAndLength()
    {
        const QByteArray pcm = SpeakerTone::toneSamples(800, 20);
        QCOMPARE(pcm.size(), kBytesPer20ms); // 16-bit mono samples
        const qsizetype count = pcm.size() / 2;
        int crossings = 0;
        int peak = 0;
        for (qsizetype i = 1; i < count; ++i) {
            if ((sampleAt(pcm, i - 1) < 0) != (sampleAt(pcm, i) < 0))
                ++crossings;
            peak = std::max(peak, std::abs(int {sampleAt(pcm, i)}));
        }
        QVERIFY(std::abs(crossings - 32) <= 1); // 16 cycles of 800 Hz in 20 ms
        QVERIFY(peak > 15'000 && peak < 17'000);
        QCOMPARE(sampleAt(pcm, 0), std::int16_t {0}); // no click at either end
        QVERIFY(std::abs(int {sampleAt(pcm, count - 1)}) < 500);
    }

    void unplayablePitchesAreSilenceOfTheSameLength()
    {
        for (const int pitch : {0, -800, SpeakerTone::kSampleRate / 2, 30'000}) {
            const QByteArray pcm = SpeakerTone::toneSamples(pitch, 20);
            QCOMPARE(pcm.size(), kBytesPer20ms);
            QCOMPARE(pcm.count('\0'), kBytesPer20ms);
        }
    }

    void lengthsOutsideOnePieceAreCut()
    {
        QVERIFY(SpeakerTone::toneSamples(800, 0).isEmpty());
        QVERIFY(SpeakerTone::toneSamples(800, -5).isEmpty());
        QCOMPARE(SpeakerTone::toneSamples(800, 600'000).size(),
            2 * SpeakerTone::kSampleRate * SpeakerTone::kMaxPiece_ms / 1000);
    }
};

QTEST_MAIN(TestSpeakerTone)
#include "tst_speakertone.moc"
