// The PTT trainer in the window: the preview drawn at start-up and on every change of a
// duration, a run driven tick by tick on a fake clock (indicator, beeps, self-stop, Alfa),
// a change that halts a run, and the sound switch. Nothing here waits for real time.

#include "app/ProgramState.h"
#include "app/Unit1.h"
#include "audio/SpeakerTone.h"
#include "controls/SpinEdit.h"
#include "ui_Unit1.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QMessageBox>
#include <QTest>
#include <QValueAxis>

#include <memory>
#include <stdexcept>

using namespace tarvel;

namespace {

class FakeClock final : public TrainerClock {
public:
    double seconds() override { return now; }
    void pause(double s) override { now += s; }
    double now = 9 * 3600.0;
};

class RecordingTones final : public ToneDevice {
public:
    void beep(std::int32_t frequency_hz, std::int32_t) override { frequencies << frequency_hz; }
    QList<int> frequencies;
};

class FailingTones final : public ToneDevice {
public:
    void beep(std::int32_t, std::int32_t) override { throw std::range_error("Range check error"); }
};

QLineSeries* series(QChartView* view, const QString& name)
{
    for (QAbstractSeries* s : view->chart()->series())
        if (s->objectName() == name)
            return qobject_cast<QLineSeries*>(s);
    return nullptr;
}

bool indicatorIsRed(const Ui::TForm1* ui)
{
    return ui->Shape_PTT->styleSheet().contains(QLatin1String("rgb(255, 0, 0)"));
}

} // namespace

class TestTrainer : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<TForm1> form_;
    Ui::TForm1* ui = nullptr;
    FakeClock* clock_ = nullptr;
    RecordingTones* tones_ = nullptr;
    double startedAt_ = 0;

    QLineSeries* pattern() const { return series(ui->Chart_PTT, QStringLiteral("Series2")); }
    QLineSeries* cursor() const { return series(ui->Chart_PTT, QStringLiteral("Series3")); }

    void startRun()
    {
        ui->Button_Sound->click();
        startedAt_ = clock_->now;
    }
    // One tick of Timer1 at `since` seconds after the press of "старт".
    void tickAt(double since)
    {
        clock_->now = startedAt_ + since;
        form_->Timer1Timer();
    }

private slots:
    void init()
    {
        state_ = std::make_unique<ProgramState>();
        form_ = std::make_unique<TForm1>(*state_, StartOptions {{}, QString()});
        ui = form_->ui;
        auto clock = std::make_unique<FakeClock>();
        clock_ = clock.get();
        form_->setTrainerClock(std::move(clock));
        auto tones = std::make_unique<RecordingTones>();
        tones_ = tones.get();
        form_->setToneDevice(std::move(tones));
    }

    void cleanup() { form_.reset(); }

    void previewIsDrawnAtStartUpAndAgainByTimer2()
    {
        const QList<QPointF> expected
            = {{-2.5, 0}, {0, 0}, {0, 1}, {2, 1}, {2, 0}, {5, 0}, {5, 1}, {9, 1}, {9, 0}, {11, 0}};
        QCOMPARE(pattern()->points(), expected);
        QCOMPARE(cursor()->points(), (QList<QPointF> {{-2, -0.3}, {-2, 1.3}}));
        QCOMPARE(state_->shared.pttStopTime, 10);
        auto* x = qobject_cast<QValueAxis*>(ui->Chart_PTT->chart()->axes(Qt::Horizontal).first());
        QCOMPARE(x->min(), -2.5);
        QCOMPARE(x->max(), 11.0);

        pattern()->clear();
        QTRY_VERIFY(!form_->Timer2.isActive());
        QCOMPARE(pattern()->points(), expected);
    }

    void changingADurationRedrawsThePattern()
    {
        ui->SpinEdit_11->setValue(7);
        QCOMPARE(state_->shared.pttT2, 9);
        QCOMPARE(state_->shared.pttT3, 13);
        QCOMPARE(state_->shared.pttStopTime, 14);
        QCOMPARE(pattern()->points().size(), 10);
        QCOMPARE(pattern()->points().last(), QPointF(15, 0));
    }

    void runPlaysThePatternAndStopsByItself()
    {
        state_->shared.alfa = 0.5; // as after a change of SpinEdit_Alfa
        startRun();
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("стоп"));
        QVERIFY(form_->Timer1.isActive());
        QCOMPARE(form_->Timer1.interval(), 10);
        QCOMPARE(state_->shared.alfa, 0.2);

        state_->shared.alfa = 0.5;
        tickAt(0.0);
        QVERIFY(tones_->frequencies.isEmpty());
        QVERIFY(!indicatorIsRed(ui));
        QVERIFY(ui->Label_PTT->isHidden());

        tickAt(3.0);
        QVERIFY(indicatorIsRed(ui));
        QVERIFY(!ui->Label_PTT->isHidden());
        QCOMPARE(cursor()->points().first().x(), 1.0);
        tickAt(5.0);
        tickAt(8.0);
        tickAt(11.5);
        QCOMPARE(tones_->frequencies, (QList<int> {800, 600, 800, 600}));
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("стоп"));

        tickAt(12.5); // past PttStopTime: the pause, then the stop
        QVERIFY(clock_->now - startedAt_ > 12.5 + 1.38);
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("старт"));
        QVERIFY(!form_->Timer1.isActive());
        QCOMPARE(cursor()->points().first().x(), -2.0);
        QCOMPARE(state_->shared.alfa, 0.2); // the self-stop goes through the button's handler
        QCOMPARE(ui->SpinEdit_Alfa->value(), 2);
    }

    void changeDuringARunHaltsItWithTheButtonStillOnStop()
    {
        startRun();
        tickAt(3.0);
        QVERIFY(indicatorIsRed(ui));
        ui->SpinEdit_12->setValue(6);
        QVERIFY(!form_->Timer1.isActive());
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("стоп"));
        QCOMPARE(cursor()->points().first().x(), -2.0);
        QVERIFY(indicatorIsRed(ui)); // the indicator keeps its last state

        ui->Button_Sound->click(); // the stop branch: no new run
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("старт"));
        QVERIFY(!form_->Timer1.isActive());

        // The next run starts afresh and its first tick releases with a 600 Hz beep.
        startRun();
        tickAt(0.0);
        QCOMPARE(tones_->frequencies, (QList<int> {800, 600}));
        QVERIFY(!indicatorIsRed(ui));
        QCOMPARE(cursor()->points().first().x(), -2.0);
    }

    // An error raised inside a tick is shown over the window and the program goes on: the
    // run halts with its button on "стоп", and the button still works.
    void errorDuringATickIsShownAndTheWindowGoesOn()
    {
        form_->setToneDevice(std::make_unique<FailingTones>());
        startRun();
        tickAt(3.0); // a press begins: its beep fails
        auto* box = form_->findChild<QMessageBox*>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->text(), QStringLiteral("Range check error"));
        QTRY_VERIFY(box->isVisible());
        QVERIFY(!form_->Timer1.isActive());
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("стоп"));

        box->accept();
        ui->Button_Sound->click();
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("старт"));
        QCOMPARE(cursor()->points().first().x(), -2.0);
    }

    void soundCheckBoxSilencesTheBeeps()
    {
        QVERIFY(state_->sound.soundOn);
        ui->CheckBox_Zwuk->click();
        QVERIFY(!state_->sound.soundOn);
        startRun();
        tickAt(3.0);
        tickAt(5.0);
        QVERIFY(tones_->frequencies.isEmpty());
        QVERIFY(!indicatorIsRed(ui));
        ui->CheckBox_Zwuk->click();
        QVERIFY(state_->sound.soundOn);
        tickAt(8.0);
        QCOMPARE(tones_->frequencies, QList<int> {800});
    }

    void speakerToneIsASoftenedSineOfTheAskedPitchAndLength()
    {
        const QByteArray pcm = SpeakerTone::toneSamples(800, 20);
        QCOMPARE(pcm.size(), 2 * SpeakerTone::kSampleRate / 50); // 20 ms of 16-bit samples
        auto sample = [&pcm](qsizetype i) {
            return static_cast<std::int16_t>(
                static_cast<std::uint8_t>(pcm[2 * i]) | (static_cast<std::uint8_t>(pcm[2 * i + 1]) << 8));
        };
        const qsizetype count = pcm.size() / 2;
        int crossings = 0;
        int peak = 0;
        for (qsizetype i = 1; i < count; ++i) {
            if ((sample(i - 1) < 0) != (sample(i) < 0))
                ++crossings;
            peak = std::max(peak, std::abs(int {sample(i)}));
        }
        QVERIFY(std::abs(crossings - 32) <= 1); // 16 cycles of 800 Hz in 20 ms
        QVERIFY(peak > 15'000 && peak < 17'000);
        QCOMPARE(sample(0), std::int16_t {0}); // no click at either end
        QVERIFY(std::abs(int {sample(count - 1)}) < 500);

        // Pitches the output cannot carry are silence; a long tone is built in pieces.
        QVERIFY(SpeakerTone::toneSamples(30'000, 20).count('\0') == 2 * SpeakerTone::kSampleRate / 50);
        QCOMPARE(SpeakerTone::toneSamples(800, 600'000).size(),
            2 * SpeakerTone::kSampleRate * SpeakerTone::kMaxPiece_ms / 1000);
    }
};

QTEST_MAIN(TestTrainer)
#include "tst_trainer.moc"
