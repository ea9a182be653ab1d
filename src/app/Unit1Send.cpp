// The send of TForm1: the modulation filter's controls and "выдать", which rebuilds the
// frame, writes _qq.wav and 9_fmsig.h through the core and plays the sound to the device.
#include "app/Unit1.h"

#include "ui_Unit1.h"

#include "app/ChartSetup.h"
#include "app/ChartSink.h"
#include "app/ErrorBox.h"
#include "audio/WavPlayer.h"
#include "signal/WavFiles.h"

#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QLineSeries>

#include <exception>
#include <filesystem>
#include <optional>

namespace tarvel {

namespace {

// "Модуляционный фильтр" as the generator sees it: read afresh for every filtered sample.
class CheckBoxFilterSwitch final : public FilterSwitch {
public:
    explicit CheckBoxFilterSwitch(const QCheckBox& box) : box_(box) { }
    bool isOn() const override { return box_.isChecked(); }

private:
    const QCheckBox& box_;
};

} // namespace

void TForm1::setUpSendControls()
{
    soundOutput_ = std::make_unique<WavPlayer>();
    connect(ui->SpinEdit_Alfa, &SpinEdit::changed, this, &TForm1::SpinEdit_AlfaChange);
    connect(ui->CheckBox_ModFiltr, &QCheckBox::clicked, this, &TForm1::CheckBox_ModFiltrClick);
    connect(ui->Button_Out, &QPushButton::clicked, this, &TForm1::Button_OutClick);
}

void TForm1::setSoundOutput(std::unique_ptr<SoundOutput> output)
{
    soundOutput_ = std::move(output);
}

void TForm1::SpinEdit_AlfaChange()
{
    state_.shared.alfa = ui->SpinEdit_Alfa->value() / 100.0;
}

void TForm1::CheckBox_ModFiltrClick()
{
    // Nothing to do: the generator reads the box itself for every sample it filters.
}

void TForm1::Button_OutClick()
{
    QLineSeries& filterPlot = seriesNamed(ui->Chart_Filtr, QStringLiteral("LineSeries1"));
    QLineSeries& unusedFilterPlot = seriesNamed(ui->Chart_Filtr, QStringLiteral("LineSeries2"));
    QLineSeries& signalPlot = seriesNamed(ui->Chart1, QStringLiteral("Series1"));
    filterPlot.clear();
    unusedFilterPlot.clear();

    // Exactly what a press of "сформировать" does: the frame and its listings from the
    // controls as they are now.
    ui->Button_FormFile->click();

    const std::filesystem::path folder(QFile::encodeName(options_.workingDirectory).toStdString());
    std::optional<QString> failure;
    {
        const CheckBoxFilterSwitch filterSwitch(*ui->CheckBox_ModFiltr);
        ChartSink filterSink(filterPlot);
        ChartSink signalSink(signalPlot);
        SignalContext ctx {state_.shared, state_.generator, filterSwitch, filterSink, signalSink};
        try {
            WriteRiff(ctx, folder);
        } catch (const std::exception& e) {
            // FileError's text is the message the user gets; anything else is reported
            // the same way rather than taking the program down.
            failure = QString::fromUtf8(e.what());
        }
    } // the plots show what the generator produced, also when a file failed afterwards

    if (failure) {
        // The send is abandoned: reported over the window, which stays usable, and
        // nothing is played.
        showErrorBox(this, *failure);
        return;
    }
    if (soundOutput_)
        soundOutput_->playToEnd(QDir(options_.workingDirectory).filePath(QString::fromLatin1(kWavFileName)));
}

} // namespace tarvel
