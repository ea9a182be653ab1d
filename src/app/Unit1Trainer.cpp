// The PTT trainer of TForm1: the pattern preview on Chart_PTT, the timed run with its
// indicator and beeps, and the sound switch. The logic is the core's; these handlers read
// the controls and show what it decided.
#include "app/Unit1.h"

#include "ui_Unit1.h"

#include "app/ChartSetup.h"
#include "app/ChartSink.h"
#include "app/ErrorBox.h"
#include "audio/SpeakerTone.h"
#include "trainer/PttPattern.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <exception>

namespace tarvel {

namespace {

const QString kStartCaption = QStringLiteral("старт");
const QString kStopCaption = QStringLiteral("стоп");
constexpr int kRunTick_ms = 10;

// The bottom axis starts at -2.5 and reaches the largest x of any point shown.
void fitPttChartWidth(QChartView* view)
{
    double right = -2.5;
    for (QAbstractSeries* s : view->chart()->series())
        if (auto* line = qobject_cast<QLineSeries*>(s))
            for (const QPointF& p : line->points())
                right = std::max(right, p.x());
    const QList<QAbstractAxis*> axes = view->chart()->axes(Qt::Horizontal);
    if (!axes.isEmpty())
        axes.first()->setRange(-2.5, right > -2.5 ? right : -1.5);
}

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

void TForm1::setUpTrainerControls()
{
    trainerClock_ = std::make_unique<SteadyTrainerClock>();
    toneDevice_ = std::make_unique<SpeakerTone>();
    connect(ui->SpinEdit_10, &SpinEdit::changed, this, &TForm1::SpinEdit_10Change);
    connect(ui->SpinEdit_11, &SpinEdit::changed, this, &TForm1::SpinEdit_10Change);
    connect(ui->SpinEdit_12, &SpinEdit::changed, this, &TForm1::SpinEdit_10Change);
    connect(&Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    connect(ui->Button_Sound, &QPushButton::clicked, this, &TForm1::Button_SoundClick);
    connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(ui->CheckBox_Zwuk, &QCheckBox::clicked, this, &TForm1::CheckBox_ZwukClick);
}

void TForm1::setTrainerClock(std::unique_ptr<TrainerClock> clock)
{
    trainerClock_ = std::move(clock);
}

void TForm1::setToneDevice(std::unique_ptr<ToneDevice> device)
{
    toneDevice_ = std::move(device);
}

void TForm1::SpinEdit_10Change()
{
    Timer1.stop(); // a run in progress halts here; its button keeps reading "стоп"
    const PttDurations durations {
        ui->SpinEdit_10->value(), ui->SpinEdit_11->value(), ui->SpinEdit_12->value()};
    {
        ChartSink pattern(seriesNamed(ui->Chart_PTT, QStringLiteral("Series2")), AxisFit::None);
        ChartSink cursor(seriesNamed(ui->Chart_PTT, QStringLiteral("Series3")), AxisFit::None);
        drawPttPreview(state_.shared, durations, pattern, cursor);
    }
    fitPttChartWidth(ui->Chart_PTT);
    ui->Chart_PTT->update();
}

void TForm1::Timer2Timer()
{
    SpinEdit_10Change();
    Timer2.stop();
}

void TForm1::Button_SoundClick()
{
    if (ui->Button_Sound->text() == kStartCaption) {
        ui->Button_Sound->setText(kStopCaption);
        Timer1.start(kRunTick_ms);
        startPttRun(pttRun_, trainerClock_->seconds());
    } else {
        ui->Button_Sound->setText(kStartCaption);
        SpinEdit_10Change();
        Timer1.stop();
    }
    state_.shared.alfa = kDefaultAlfa; // whatever SpinEdit_Alfa shows
}

void TForm1::Timer1Timer()
{
    ToneDriver tones(state_.sound, *trainerClock_, toneDevice_.get());
    ShapeIndicator indicator(ui->Shape_PTT, ui->Label_PTT);
    PttTickOutcome outcome;
    try {
        ChartSink cursor(seriesNamed(ui->Chart_PTT, QStringLiteral("Series3")), AxisFit::None);
        outcome = pttRunTick(pttRun_, state_.shared, *trainerClock_, tones, cursor, indicator);
    } catch (const std::exception& e) {
        // The tick is abandoned and the error shown; the run halts (its button keeps "стоп",
        // as after a change of a duration), so one fault is reported once and not at every tick.
        Timer1.stop();
        showErrorBox(this, QString::fromUtf8(e.what()));
        return;
    }
    fitPttChartWidth(ui->Chart_PTT);
    if (outcome == PttTickOutcome::StopRun)
        Button_SoundClick();
}

void TForm1::CheckBox_ZwukClick()
{
    state_.sound.soundOn = ui->CheckBox_Zwuk->isChecked();
}

} // namespace tarvel
