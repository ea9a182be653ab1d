// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1 (TForm1): the PTT trainer: the pattern preview on Chart_PTT, the timed run with its
// indicator and beeps, and the sound switch. The logic is the core's; these operations read
// the controls and show what it decided.
#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include "app/ChartSink.h"
#include "app/ErrorBox.h"
#include "trainer/PttPattern.h"

#include <QLineSeries>

#include <algorithm>
#include <exception>

namespace tarvel {

namespace {

const QString kStartCaption = QStringLiteral("старт");
const QString kStopCaption = QStringLiteral("стоп");
constexpr int kRunTick_ms = 10;
constexpr double kPttChartLeft = -2.5;

class ShapeIndicator final : public PttIndicator {
public:
    ShapeIndicator(QWidget* shape, QWidget* label) : shape_(shape), label_(label) { }
    void showPress(bool pressed) override
    {
        shape_->setStyleSheet(pressed
                ? QStringLiteral("QFrame#Shape_PTT { background-color: rgb(255, 0, 0); "
                                 "border: 1px solid black; }")
                : QStringLiteral("QFrame#Shape_PTT { background-color: rgb(255, 255, 255); "
                                 "border: 1px solid black; }"));
        label_->setVisible(pressed);
    }

private:
    QWidget* shape_;
    QWidget* label_;
};

} // namespace

// The bottom axis starts at -2.5 and reaches the largest x of any point shown.
void TForm1::fitPttChartWidth()
{
    double right = kPttChartLeft;
    for (const QLineSeries* line : {pttPattern_, pttCursor_})
        for (const QPointF& p : line->points())
            right = std::max(right, p.x());
    const QList<QAbstractAxis*> axes = pttPattern_->attachedAxes();
    for (QAbstractAxis* axis : axes)
        if (axis->orientation() == Qt::Horizontal)
            axis->setRange(kPttChartLeft, right > kPttChartLeft ? right : -1.5);
}

void TForm1::redrawPttPreview()
{
    Timer1.stop(); // a run in progress halts here; its button keeps reading "стоп"
    const PttDurations durations {
        ui->SpinEdit_10->value(), ui->SpinEdit_11->value(), ui->SpinEdit_12->value()};
    {
        ChartSink pattern(*pttPattern_, AxisFit::None);
        ChartSink cursor(*pttCursor_, AxisFit::None);
        drawPttPreview(state_.ptt, durations, pattern, cursor);
    }
    fitPttChartWidth();
    ui->Chart_PTT->update();
}

void TForm1::startTrainerRun()
{
    running_ = true;
    ui->Button_Sound->setText(kStopCaption);
    Timer1.start(kRunTick_ms);
    startPttRun(pttRun_, trainerClock_->seconds());
    state_.shared.alfa = kDefaultAlfa; // whatever SpinEdit_Alfa shows
}

void TForm1::stopTrainerRun()
{
    running_ = false;
    ui->Button_Sound->setText(kStartCaption);
    redrawPttPreview();
    state_.shared.alfa = kDefaultAlfa; // whatever SpinEdit_Alfa shows
}

void TForm1::advanceTrainerRun()
{
    ToneDriver tones(state_.sound, *trainerClock_, toneDevice_.get());
    ShapeIndicator indicator(ui->Shape_PTT, ui->Label_PTT);
    PttTickOutcome outcome;
    try {
        ChartSink cursor(*pttCursor_, AxisFit::None);
        outcome = pttRunTick(pttRun_, state_.ptt, *trainerClock_, tones, cursor, indicator);
    } catch (const std::exception& e) {
        // The tick is abandoned and the error shown; the run halts (its button keeps "стоп",
        // as after a change of a duration), so one fault is reported once and not at every tick.
        Timer1.stop();
        showErrorBox(this, QString::fromUtf8(e.what()));
        return;
    }
    fitPttChartWidth();
    if (outcome == PttTickOutcome::StopRun)
        stopTrainerRun();
}

void TForm1::readSoundSwitch()
{
    state_.sound.soundOn = ui->CheckBox_Zwuk->isChecked();
}

} // namespace tarvel
