// SPDX-License-Identifier: GPL-3.0-or-later
// The PTT trainer in the window: the preview drawn at start-up and on every change of a
// duration, a run driven tick by tick on a fake clock (indicator, beeps, self-stop, Alfa),
// a change that halts a run, and the sound switch. Nothing here waits for real time.

#include "Form1Controls.h"
#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "controls/SpinEdit.h"
#include "support/FakeClock.h"
#include "support/RecordingTones.h"

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

using testing::FakeClock;
using testing::RecordingTones;

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

bool indicatorIsRed(const testing::Form1Controls& ui)
{
    return ui.Shape_PTT->styleSheet().contains(QLatin1String("rgb(255, 0, 0)"));
}

} // namespace

class TestTrainer : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramState> state_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<testing::Form1Controls> ui;
    FakeClock* clock_ = nullptr;
    RecordingTones* tones_ = nullptr;
    double startedAt_ = 0;

    // The pitches asked for so far, in order.
    QList<int> frequencies() const
    {
        QList<int> pitches;
        for (const testing::Beep& b : tones_->beeps)
            pitches << b.frequency_hz;
        return pitches;
    }

    QLineSeries* pattern() const { return series(ui->Chart_PTT, QStringLiteral("Series2")); }
    QLineSeries* cursor() const { return series(ui->Chart_PTT, QStringLiteral("Series3")); }

    void startRun()
    {
        ui->Button_Sound->click();
        startedAt_ = clock_->now();
    }
    // One tick of Timer1 at `since` seconds after the press of "старт", given as its timeout.
    void tickAt(double since)
    {
        clock_->advance(startedAt_ + since - clock_->now());
        QVERIFY(QMetaObject::invokeMethod(ui->Timer1, "timeout"));
    }

private slots:
    void init()
    {
        state_ = std::make_unique<ProgramState>();
        form_ = std::make_unique<TForm1>(*state_, StartOptions {{}, QString()});
        ui = std::make_unique<testing::Form1Controls>(*form_);
        auto clock = std::make_unique<FakeClock>();
        clock_ = clock.get();
        form_->setTrainerClock(std::move(clock));
        auto tones = std::make_unique<RecordingTones>(*clock_);
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
        QCOMPARE(state_->ptt.pttStopTime, 10);
        auto* x = qobject_cast<QValueAxis*>(ui->Chart_PTT->chart()->axes(Qt::Horizontal).first());
        QCOMPARE(x->min(), -2.5);
        QCOMPARE(x->max(), 11.0);

        pattern()->clear();
        QTRY_VERIFY(!ui->Timer2->isActive());
        QCOMPARE(pattern()->points(), expected);
    }

    void changingADurationRedrawsThePattern()
    {
        ui->SpinEdit_11->setValue(7);
        QCOMPARE(state_->ptt.pttT2, 9);
        QCOMPARE(state_->ptt.pttT3, 13);
        QCOMPARE(state_->ptt.pttStopTime, 14);
        QCOMPARE(pattern()->points().size(), 10);
        QCOMPARE(pattern()->points().last(), QPointF(15, 0));
    }

    void runPlaysThePatternAndStopsByItself()
    {
        state_->shared.alfa = 0.5; // as after a change of SpinEdit_Alfa
        startRun();
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("стоп"));
        QVERIFY(ui->Timer1->isActive());
        QCOMPARE(ui->Timer1->interval(), 10);
        QCOMPARE(state_->shared.alfa, 0.2);

        state_->shared.alfa = 0.5;
        tickAt(0.0);
        QVERIFY(frequencies().isEmpty());
        QVERIFY(!indicatorIsRed(*ui));
        QVERIFY(ui->Label_PTT->isHidden());

        tickAt(3.0);
        QVERIFY(indicatorIsRed(*ui));
        QVERIFY(!ui->Label_PTT->isHidden());
        QCOMPARE(cursor()->points().first().x(), 1.0);
        tickAt(5.0);
        tickAt(8.0);
        tickAt(11.5);
        QCOMPARE(frequencies(), (QList<int> {800, 600, 800, 600}));
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("стоп"));

        tickAt(12.5); // past PttStopTime: the pause, then the stop
        QVERIFY(clock_->now() - startedAt_ > 12.5 + 1.38);
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("старт"));
        QVERIFY(!ui->Timer1->isActive());
        QCOMPARE(cursor()->points().first().x(), -2.0);
        QCOMPARE(state_->shared.alfa, 0.2); // the self-stop goes through the button's handler
        QCOMPARE(ui->SpinEdit_Alfa->value(), 2);
    }

    // Nothing but Timer1 moves the run on: its ticks show the press and end the run.
    void timer1DrivesTheRun()
    {
        QTRY_VERIFY(!ui->Timer2->isActive()); // its redraw would halt the run
        startRun();
        clock_->advance(startedAt_ + 3.0 - clock_->now());
        QTRY_VERIFY(indicatorIsRed(*ui));
        clock_->advance(startedAt_ + 12.5 - clock_->now());
        QTRY_COMPARE(ui->Button_Sound->text(), QStringLiteral("старт"));
        QVERIFY(!ui->Timer1->isActive());
    }

    void changeDuringARunHaltsItWithTheButtonStillOnStop()
    {
        startRun();
        tickAt(3.0);
        QVERIFY(indicatorIsRed(*ui));
        ui->SpinEdit_12->setValue(6);
        QVERIFY(!ui->Timer1->isActive());
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("стоп"));
        QCOMPARE(cursor()->points().first().x(), -2.0);
        QVERIFY(indicatorIsRed(*ui)); // the indicator keeps its last state

        ui->Button_Sound->click(); // the stop branch: no new run
        QCOMPARE(ui->Button_Sound->text(), QStringLiteral("старт"));
        QVERIFY(!ui->Timer1->isActive());

        // The next run starts afresh and its first tick releases with a 600 Hz beep.
        startRun();
        tickAt(0.0);
        QCOMPARE(frequencies(), (QList<int> {800, 600}));
        QVERIFY(!indicatorIsRed(*ui));
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
        QVERIFY(!ui->Timer1->isActive());
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
        QVERIFY(frequencies().isEmpty());
        QVERIFY(!indicatorIsRed(*ui));
        ui->CheckBox_Zwuk->click();
        QVERIFY(state_->sound.soundOn);
        tickAt(8.0);
        QCOMPARE(frequencies(), QList<int> {800});
    }
};

QTEST_MAIN(TestTrainer)
#include "tst_trainer.moc"
